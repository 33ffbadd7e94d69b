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
        for (const QString &scheme : schemes())
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~UrlRecorder() override
    {
        for (const QString &scheme : schemes())
            QDesktopServices::unsetUrlHandler(scheme);
    }
    static QStringList schemes()
    {
        return {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("file")};
    }

public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }
};
