#pragma once

#include <memory>

// Anything that sits in the remote album tree: nodes decoded from the server and the placeholder of
// an album being named. Lists of children hold entries of this type.
class RemoteTreeEntry
{
public:
    virtual ~RemoteTreeEntry() = default;
};

using RemoteTreeEntryPtr = std::shared_ptr<RemoteTreeEntry>;
