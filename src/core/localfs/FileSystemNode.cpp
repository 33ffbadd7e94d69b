#include "localfs/FileSystemNode.h"

#include "localfs/FileSystemItem.h"

namespace {

// Nodes are made and dropped on the main thread only.
quint64 nextSerial = 1;

} // namespace

FileSystemNode::FileSystemNode() : m_serial(nextSerial++)
{}

void FileSystemNode::retire(std::unique_ptr<FileSystemItem> item)
{
    if (item)
        item.release()->deleteLater();
}
