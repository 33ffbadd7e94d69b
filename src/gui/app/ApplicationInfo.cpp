#include "app/ApplicationInfo.h"

#include "app/HelpLocation.h"

#include <QCoreApplication>
#include <QFileInfo>

QUrl ApplicationInfo::UploaderHelpLink()
{
    const QString page = QString::fromUtf8(HelpLocation::DocumentationUrl);
    if (!page.isEmpty())
        return QUrl(page);
    const QString readmes[] = {
        QCoreApplication::applicationDirPath() + u'/' + QString::fromUtf8(HelpLocation::RelativeReadme),
        QString::fromUtf8(HelpLocation::InstalledReadme),
        QString::fromUtf8(HelpLocation::SourceReadme),
    };
    for (const QString &readme : readmes) {
        if (QFileInfo(readme).isFile())
            return QUrl::fromLocalFile(QFileInfo(readme).canonicalFilePath());
    }
    return QUrl::fromLocalFile(readmes[1]);
}
