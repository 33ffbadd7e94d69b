#pragma once

#include <memory>

class soapRemoteContainer;

// Anything that sits in the remote album tree: nodes decoded from the server and the placeholder of
// an album being named. Lists of children hold entries of this type; each entry knows the container
// it was last added to while it stays there.
class RemoteTreeEntry
{
public:
    virtual ~RemoteTreeEntry() = default;

    // The container that lists this entry, or none once it was removed (or its container is gone).
    std::shared_ptr<soapRemoteContainer> parentNode() const { return m_parent.lock(); }

private:
    friend class soapRemoteContainer;
    std::weak_ptr<soapRemoteContainer> m_parent;
};

using RemoteTreeEntryPtr = std::shared_ptr<RemoteTreeEntry>;
