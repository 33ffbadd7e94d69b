#pragma once

#include "settings/PortPickerData.h"

#include <QAbstractListModel>

// The port combo box's list: row i shows the port number i, so the selected row is the port.
class PortPickerModel : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const PortPickerData &picker() const { return m_picker; }

private:
    PortPickerData m_picker;
};
