#pragma once

#include "CliCommand.h"

#include "albums/RemoteTreeEntry.h"

#include <QList>

// "albums": signs in, opens every album and prints the tree, one full path per line, depth first
// with the albums of each level in name order.
class AlbumsCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("albums"); }
    QString summary() const override;
    int run(CliSession &session) override;

private:
    static void printAlbums(const QList<RemoteTreeEntryPtr> &entries);
};
