#include "preferences/PreferencesDebugLogView.h"

#include "common/MessageText.h"
#include "controls/SupportReportMessage.h"
#include "diagnostics/CSCodeSigningInfo.h"
#include "diagnostics/CrashHandler.h"
#include "diagnostics/DiagnosticLine.h"
#include "diagnostics/LogFile.h"

#include <QDesktopServices>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString text(const char *key)
{
    return messageText(QString::fromLatin1(key));
}

} // namespace

PreferencesDebugLogView::PreferencesDebugLogView(const QString &logFolder, QWidget *parent)
    : QWidget(parent), m_logFolder(logFolder.isEmpty() ? LogFile::logFolder() : logFolder),
      m_filePath(newestLogFile(m_logFolder)), m_logView(new QPlainTextEdit(this)),
      m_zipButton(new QPushButton(this)), m_showInFinderButton(new QPushButton(this))
{
    setObjectName(QStringLiteral("PreferencesDebugLogView"));
    build();
    m_refreshTimer.setSingleShot(true);
    connect(&m_refreshTimer, &QTimer::timeout, this, &PreferencesDebugLogView::getData);
}

void PreferencesDebugLogView::build()
{
    m_logView->setReadOnly(true);
    m_logView->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_logView->setMaximumBlockCount(kMaximumLines);
    m_logView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_logView->setAccessibleName(text("Text_DebugPref"));
    m_logView->setMinimumSize(560, 300);
    m_zipButton->setText(text("Text_PrefCreateReport"));
    m_zipButton->setToolTip(text("Text_PrefCreateReportTip"));
    m_showInFinderButton->setText(text("Text_PrefShowLogFolder"));
    m_zipButton->setAccessibleName(m_zipButton->text());
    m_showInFinderButton->setAccessibleName(m_showInFinderButton->text());
    connect(m_zipButton, &QPushButton::clicked, this, &PreferencesDebugLogView::createZipFile);
    connect(m_showInFinderButton, &QPushButton::clicked, this, &PreferencesDebugLogView::showInFinder);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_showInFinderButton);
    buttons->addStretch();
    buttons->addWidget(m_zipButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(m_logView, 1);
    layout->addLayout(buttons);
}

QString PreferencesDebugLogView::newestLogFile(const QString &logFolder)
{
    const QList<LogFile::Entry> logs =
        LogFile::contentsOfDirectoryAtPathByModDate(logFolder, QStringLiteral("log"));
    const QString name = logs.isEmpty() ? QStringLiteral("0.log") : logs.first().file;
    return QDir(logFolder).filePath(name);
}

void PreferencesDebugLogView::viewWillMoveToSuperview()
{
    if (m_awake && !m_filePath.isEmpty()) {
        if (CSCodeSigningInfo::cs_isSandboxed()) {
            delete m_zipButton;
            m_zipButton = nullptr;
        }
        m_fileHandle.setFileName(m_filePath);
        getData();
    }
    m_awake = false;
    scrollToEnd();
}

void PreferencesDebugLogView::getData()
{
    // A file that is not there yet may be made later, by the next run's capture for one.
    if (!m_fileHandle.isOpen() && !m_fileHandle.open(QIODevice::ReadOnly)) {
        m_refreshTimer.start(kRefreshMilliseconds);
        return;
    }
    // Emptied or replaced under the same name: follow it from its start.
    if (m_fileHandle.size() < m_fileHandle.pos())
        m_fileHandle.seek(0);
    const QByteArray data = m_fileHandle.read(kReadChunk);
    if (data.isEmpty()) {
        m_refreshTimer.start(kRefreshMilliseconds);
        return;
    }
    appendText(m_lines.take(data));
    m_refreshTimer.start(0);
}

void PreferencesDebugLogView::appendText(const QString &text)
{
    if (text.isEmpty())
        return;
    QScrollBar *bar = m_logView->verticalScrollBar();
    // Follow the end only when the reader is there, not while they read further up.
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(m_logView->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    if (atEnd)
        scrollToEnd();
}

void PreferencesDebugLogView::scrollToEnd()
{
    QScrollBar *bar = m_logView->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void PreferencesDebugLogView::createZipFile()
{
    SupportReportMessage::makeReport(this);
}

void PreferencesDebugLogView::showInFinder()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_logFolder));
}
