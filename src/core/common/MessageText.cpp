#include "common/MessageText.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>
#include <QTranslator>

QString messageText(const QString &key)
{
    const QByteArray id = key.toUtf8();
    return qtTrId(id.constData());
}

void installMessageTables()
{
    static QMutex mutex;
    static bool installed = false;
    const QMutexLocker lock(&mutex);
    if (installed || !QCoreApplication::instance())
        return;

    const QDir tables(QStringLiteral(":/messages"));
    const QStringList files = tables.entryList({QStringLiteral("*.qm")}, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        // Owned by the application, which keeps its translators until it goes away.
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(tables.filePath(file)))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
    installed = true;
}
