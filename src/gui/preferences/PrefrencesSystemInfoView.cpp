#include "preferences/PrefrencesSystemInfoView.h"

#include "common/MessageText.h"
#include "diagnostics/SystemInfo.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

PrefrencesSystemInfoView::PrefrencesSystemInfoView(QWidget *parent)
    : QWidget(parent), m_systemInfoView(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("PrefrencesSystemInfoView"));
    m_systemInfoView->setReadOnly(true);
    m_systemInfoView->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_systemInfoView->setAccessibleName(messageText(QStringLiteral("Text_SystemPref")));
    m_systemInfoView->setPlainText(SystemInfo::info());
    m_systemInfoView->setMinimumSize(480, 220);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(m_systemInfoView);
}
