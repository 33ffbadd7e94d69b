// An album of 10,000 assets on the reference server, opened in the album pane's model. Reports the
// time to list it from the server and apply it (fetch), the main-thread time to apply the decoded
// listing to the tree and the model and read every row's name (model), and 2,000 "Upload End"
// refreshes of that album, each after one more asset was added to it (refreshes). Last line:
// "album of 10000 assets: fetch ms: A, model ms: B, 2000 upload-end refreshes ms: C".
#include "albums/remoteFileBrowserHelper.h"
#include "albums/soapRemoteFileItem.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "albums/wsSoapAsyncOp.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"
#include "upload/DropUpload.h"
#include "upload/UploadQueue.h"
#include "upload/UploadStatus.h"

#include "SessionTarget.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

constexpr int AssetCount = 10000;
constexpr int Refreshes = 2000;

double msSince(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

soapRemoteFolderItemPtr albumAt(commsGlobals &globals, const QString &path)
{
    return std::dynamic_pointer_cast<soapRemoteFolderItem>(globals.registry().findRemoteAlbumByName(path));
}

void refreshTopLevel(commsGlobals &globals)
{
    globals.remoteBrowserHelper().clearData();
    globals.clearRemoteFolderDictionaries();
    Error error;
    globals.results().remoteFolderBrowser()->deserialise(globals.coreComms().doGetTopLevelAlbums(error));
    if (error)
        qFatal("top-level albums: %s", qPrintable(error.toString()));
}

} // namespace

int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    commsGlobals globals;
    remoteFileBrowserHelper &model = globals.remoteBrowserHelper();
    const auto server = startServerFor(globals, {QStringLiteral("--auto-approve")});
    Error error;
    globals.results().checkVersion().deserialise(globals.coreComms().doCheckVersion(error));
    globals.results().login().deserialise(globals.coreComms().doLogin(error));
    if (error)
        qFatal("sign-in: %s", qPrintable(error.toString()));
    refreshTopLevel(globals);

    const QString folder = work.filePath(QStringLiteral("Big"));
    QDir().mkpath(folder);
    for (int i = 0; i < AssetCount; ++i) {
        QFile file(folder + QStringLiteral("/picture %1.jpg").arg(i, 5, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write("x") != 1)
            qFatal("cannot make %s", qPrintable(file.fileName()));
    }
    std::printf("uploading %d files into the album Big\n", AssetCount);
    std::fflush(stdout);
    UploadQueue &queue = globals.uploadQueue();
    queue.setNumberSimultaneousUploadsOverride(8);
    DropUpload::uploadFiles({QUrl::fromLocalFile(folder)}, globals.results().remoteFolderBrowser(), queue);
    QElapsedTimer uploads;
    uploads.start();
    while (queue.numUploadsInProgressOrWaiting() > 0)
        QTest::qWait(50);
    std::printf("uploaded in %.0f ms\n", msSince(uploads));

    // Fetch: the two listings from the server, applied on the main thread, the album opened.
    refreshTopLevel(globals);
    QSignalSpy expanded(&model, &remoteFileBrowserHelper::expandRequested);
    QElapsedTimer clock;
    clock.start();
    if (model.shouldExpandItem(model.indexForNode(albumAt(globals, QStringLiteral("Big")).get())))
        qFatal("the album was loaded already");
    if (!expanded.wait(120000))
        qFatal("the album did not open");
    const double fetchMs = msSince(clock);
    const auto big = albumAt(globals, QStringLiteral("Big"));
    if (big->numberOfChildren() != AssetCount)
        qFatal("the album holds %lld assets", qlonglong(big->numberOfChildren()));

    // Model: the decoded listing applied again, its rows announced and every name read.
    const QVariantMap folders = globals.coreComms().doGetAlbumsByParentID(big->albumID(), error);
    const QVariantMap files = globals.coreComms().doGetAssetsByAlbumID(big->albumID(), error);
    clock.restart();
    big->replaceChildrenWithFolders(folders, files);
    const QModelIndex bigIndex = model.indexForNode(big.get());
    qsizetype characters = 0;
    for (int row = 0; row < model.rowCount(bigIndex); ++row)
        characters +=
            model.index(row, remoteFileBrowserHelper::FileColumn, bigIndex).data().toString().size();
    const double modelMs = msSince(clock);
    if (model.rowCount(bigIndex) != AssetCount || characters == 0)
        qFatal("the model shows %d rows", model.rowCount(bigIndex));

    // Refreshes: an upload's new asset joins the album, then its "Upload End" is posted.
    QList<UploadStatusPtr> statuses;
    for (int i = 0; i < Refreshes; ++i)
        statuses.append(UploadStatus::initWithFile(QUrl::fromLocalFile(QStringLiteral("/x/%1.jpg").arg(i)),
                                                   QStringLiteral("Big"), nullptr));
    clock.restart();
    for (int i = 0; i < Refreshes; ++i) {
        big->addUloadedFile(soapRemoteFileItem::initWithUploadDictionary(
            {{QStringLiteral("filename"), QStringLiteral("%1.jpg").arg(i)}}));
        statuses[i]->setStatus(UploadStatusEnd, QStringLiteral("bench"), false);
    }
    const double refreshMs = msSince(clock);
    if (model.rowCount(bigIndex) != AssetCount + Refreshes)
        qFatal("the model shows %d rows after the uploads", model.rowCount(bigIndex));

    std::printf("album of %d assets: fetch ms: %.0f, model ms: %.1f, %d upload-end refreshes ms: %.1f\n",
                AssetCount, fetchMs, modelMs, Refreshes, refreshMs);
    return 0;
}
