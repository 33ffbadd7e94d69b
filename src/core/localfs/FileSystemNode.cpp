#include "localfs/FileSystemNode.h"

namespace {

// Nodes are made and dropped on the main thread only.
quint64 nextSerial = 1;

} // namespace

FileSystemNode::FileSystemNode() : m_serial(nextSerial++) {}
