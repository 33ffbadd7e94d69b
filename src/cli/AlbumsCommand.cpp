#include "AlbumsCommand.h"

#include "AlbumTreeLoader.h"
#include "CliOutput.h"
#include "CliSession.h"
#include "ExitCode.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"

#include <algorithm>

QString AlbumsCommand::summary() const
{
    return QStringLiteral("sign in and print every album, one full path per line");
}

int AlbumsCommand::runInSession(CliSession &session)
{
    Error error;
    if (!session.signIn(false, error)) {
        CliOutput::printError(error);
        return ExitSignInFailed;
    }
    const soapRemoteFolderBrowserPtr root = session.globals().results().remoteFolderBrowser();
    const auto loader = std::make_shared<AlbumTreeLoader>();
    if (!loader->loadAll(root, error)) {
        CliOutput::printError(error);
        session.signOut();
        return ExitFailure;
    }
    printAlbums(root->remoteFolders());
    session.signOut();
    return ExitSuccess;
}

void AlbumsCommand::printAlbums(const QList<RemoteTreeEntryPtr> &entries)
{
    QList<soapRemoteFolderItemPtr> albums;
    for (const RemoteTreeEntryPtr &entry : entries) {
        if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(entry))
            albums.append(album);
    }
    std::stable_sort(albums.begin(), albums.end(), [](const auto &a, const auto &b) {
        const int folded = a->strName().compare(b->strName(), Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a->strName() < b->strName();
    });
    for (const soapRemoteFolderItemPtr &album : std::as_const(albums)) {
        CliOutput::printLine(album->fullRemotePath());
        printAlbums(album->childrenSnapshot());
    }
}
