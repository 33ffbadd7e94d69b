#pragma once

#include <QWidget>

class QPlainTextEdit;

// The host description that a support report carries, read-only.
class PrefrencesSystemInfoView : public QWidget
{
    Q_OBJECT

public:
    explicit PrefrencesSystemInfoView(QWidget *parent = nullptr);

    QPlainTextEdit *systemInfoView() const { return m_systemInfoView; }

private:
    QPlainTextEdit *m_systemInfoView;
};
