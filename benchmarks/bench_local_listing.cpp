// Lists a folder of 100,000 entries into the local pane's model and, in the same run, with `ls -l`.
// The pane's time covers listing, the rows' announcement and every row's name; ls's covers its
// whole process with the output thrown away. Three rounds, medians.
#include "localfs/FileSystemPlaces.h"
#include "localfs/LocalFileBrowserModel.h"
#include "settings/Preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int EntryCount = 100000;
constexpr int Rounds = 3;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double paneMilliseconds(const QString &mountInfo, const QString &folder)
{
    LocalFileBrowserModel model(mountInfo, QStringLiteral("/nonexistent/bookmarks"));
    const QModelIndex places = model.indexForNode(model.placesRoot());
    const QModelIndex big = model.index(0, 0, places);
    QElapsedTimer clock;
    clock.start();
    model.itemDidExpand(big);
    qsizetype characters = 0;
    for (int row = 0; row < model.rowCount(big); ++row)
        characters += model.index(row, 0, big).data().toString().size();
    const double elapsed = double(clock.nsecsElapsed()) / 1e6;
    if (model.rowCount(big) != EntryCount || characters == 0)
        qFatal("the pane listed %d entries of %d in %s", model.rowCount(big), EntryCount, qPrintable(folder));
    return elapsed;
}

double lsMilliseconds(const QString &folder)
{
    QProcess ls;
    ls.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    ls.start(QStringLiteral("ls"), {QStringLiteral("-l"), folder});
    if (!ls.waitForFinished(120000) || ls.exitCode() != 0)
        qFatal("ls -l failed");
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    if (!work.isValid())
        qFatal("no temporary folder");
    // Settings of its own, never the user's.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, work.filePath(QStringLiteral("config")));
    const QString folder = work.filePath(QStringLiteral("big"));
    QDir().mkpath(folder);
    std::printf("making %d files in %s\n", EntryCount, qPrintable(folder));
    for (int i = 0; i < EntryCount; ++i) {
        QFile file(folder + QStringLiteral("/picture %1.jpg").arg(i));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot make %s", qPrintable(file.fileName()));
    }
    const QString mountInfo = work.filePath(QStringLiteral("mountinfo"));
    QFile(mountInfo).open(QIODevice::WriteOnly);
    Preferences::init()->setStringList(Preferences::KeyLocalFileSystemPlaces, {folder});

    // A first pass of each warms the disk cache.
    paneMilliseconds(mountInfo, folder);
    lsMilliseconds(folder);
    std::vector<double> pane, ls;
    for (int round = 0; round < Rounds; ++round) {
        pane.push_back(paneMilliseconds(mountInfo, folder));
        ls.push_back(lsMilliseconds(folder));
        std::printf("round %d: pane %.0f ms, ls -l %.0f ms\n", round + 1, pane.back(), ls.back());
    }
    Preferences::close();
    const double a = median(pane), b = median(ls);
    std::printf("%d entries: pane ms: %.0f, ls -l ms: %.0f, ratio: %.2f\n", EntryCount, a, b, a / b);
    return 0;
}
