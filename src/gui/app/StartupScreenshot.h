#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// For a run without a display (under Xvfb): once the sign-in has ended and the album tree had a
// moment to open, saves the program's front window as a PNG, prints its path and quits. Should the
// sign-in never end, the window showing at the deadline is saved instead.
class StartupScreenshot : public QObject
{
    Q_OBJECT

public:
    static constexpr int kSettleMs = 2000;
    static constexpr int kDeadlineMs = 30000;

    explicit StartupScreenshot(const QString &path, QObject *parent = nullptr);
    ~StartupScreenshot() override;

private:
    void take();

    QString m_path;
    QTimer m_timer;
};
