#pragma once

#include <QObject>
#include <QString>

#include <memory>

class FileSystemItem;

// A node of the local pane's tree: a group root or a file or folder. Both answer the questions the
// pane's model asks of any row. Every node gets a serial number that no other node of this run shares,
// so that a node and a later one that happens to reuse its address are never taken for each other.
class FileSystemNode : public QObject
{
    Q_OBJECT

public:
    ~FileSystemNode() override = default;

    virtual QString name() const = 0;
    virtual qsizetype numberOfChildren() = 0;
    // Nothing for an index outside the children.
    virtual FileSystemItem *childAtIndex(qsizetype index) = 0;

    quint64 serial() const { return m_serial; }

    // Drops an item that may still be shown: it is destroyed once control is back in the event loop,
    // so that the pane's model can still read its rows while it takes them away.
    static void retire(std::unique_ptr<FileSystemItem> item);

protected:
    FileSystemNode();

private:
    quint64 m_serial;
};
