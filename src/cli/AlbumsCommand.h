#pragma once

#include "SessionCommand.h"

#include "albums/RemoteTreeEntry.h"

#include <QList>

// "albums": signs in, opens every album and prints the tree, one full path per line, depth first
// with the albums of each level in name order.
class AlbumsCommand : public SessionCommand
{
public:
    QString name() const override { return QStringLiteral("albums"); }
    QString summary() const override;

protected:
    int runInSession(CliSession &session) override;

private:
    static void printAlbums(const QList<RemoteTreeEntryPtr> &entries);
};
