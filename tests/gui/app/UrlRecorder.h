#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

// Takes the addresses the program opens in the browser, so that no test starts a real one.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

    void install()
    {
        for (const char *scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~UrlRecorder() override
    {
        for (const char *scheme : {"http", "https", "file"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }
};
