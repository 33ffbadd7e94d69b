#pragma once

#include "preferences/DebugLogLines.h"

#include <QFile>
#include <QTimer>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// A live view of the newest log file of the log folder: what it holds when the pane is first shown,
// then whatever is appended to it. Also offers the support report and opens the log folder.
class PreferencesDebugLogView : public QWidget
{
    Q_OBJECT

public:
    // How long the pane waits at the end of the file before it reads again.
    static constexpr int kRefreshMilliseconds = 1000;
    // The most read at once, so that a large file never stalls the window.
    static constexpr qint64 kReadChunk = 1 << 20;
    // The most lines kept on show; older ones scroll away, so a long run cannot fill the memory.
    static constexpr int kMaximumLines = 50000;

    // logFolder: where the per-run log files are; the program's own log folder by default.
    explicit PreferencesDebugLogView(const QString &logFolder = {}, QWidget *parent = nullptr);

    // Of the folder's ".log" files the one modified last; "0.log" in the folder when there is none.
    static QString newestLogFile(const QString &logFolder);

    // The window is about to show this pane: the first time, starts following the file.
    void viewWillMoveToSuperview();

    QString filePath() const { return m_filePath; }
    QString logFolder() const { return m_logFolder; }
    QPlainTextEdit *logView() const { return m_logView; }
    // Absent inside an application sandbox, which has no crash reports.
    QPushButton *zipButton() const { return m_zipButton; }
    QPushButton *showInFinderButton() const { return m_showInFinderButton; }

    void createZipFile();
    void showInFinder();

private:
    void build();
    // Reads what has been added since the last read; then reads on at once, or after a pause at
    // the end of the file.
    void getData();
    void appendText(const QString &text);
    void scrollToEnd();

    QString m_logFolder;
    bool m_awake = true;
    QString m_filePath;
    QFile m_fileHandle;
    DebugLogLines m_lines;
    QTimer m_refreshTimer;
    QPlainTextEdit *m_logView;
    QPushButton *m_zipButton;
    QPushButton *m_showInFinderButton;
};
