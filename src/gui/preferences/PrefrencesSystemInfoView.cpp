#include "preferences/PrefrencesSystemInfoView.h"

#include "common/MessageText.h"
#include "diagnostics/SystemInfo.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

// The description aligns its values with tabs sized for one font; here the labels are padded
// to one width in a fixed-pitch font instead, so the colons line up whatever the tab width.
QString aligned(const QString &info)
{
    static const QRegularExpression labelled(QStringLiteral("^([^\\t]*?)\\s*\\t+\\s*: (.*)$"));
    QStringList lines = info.split(QLatin1Char('\n'));
    qsizetype width = 0;
    for (const QString &line : lines)
        width = qMax(width, labelled.match(line).captured(1).size());
    for (QString &line : lines) {
        const QRegularExpressionMatch match = labelled.match(line);
        if (match.hasMatch())
            line = match.captured(1).leftJustified(width) + QStringLiteral(" : ") + match.captured(2);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

PrefrencesSystemInfoView::PrefrencesSystemInfoView(QWidget *parent)
    : QWidget(parent), m_systemInfoView(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("PrefrencesSystemInfoView"));
    m_systemInfoView->setReadOnly(true);
    m_systemInfoView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_systemInfoView->setAccessibleName(messageText(QStringLiteral("Text_SystemPref")));
    m_systemInfoView->setPlainText(aligned(SystemInfo::info()));
    m_systemInfoView->setMinimumSize(480, 220);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(m_systemInfoView);
}
