#include "preferences/PortPickerModel.h"

int PortPickerModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_picker.numberOfItemsInComboBox();
}

QVariant PortPickerModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_picker.objectValueForItemAtIndex(index.row()).toString();
    return {};
}
