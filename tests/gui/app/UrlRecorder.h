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
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
    }

public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }
};
