#include "albums/ReplyList.h"

namespace {

void appendEntries(const QVariantList &list, QList<QVariantMap> &entries)
{
    for (const QVariant &item : list) {
        if (item.typeId() == QMetaType::QVariantMap)
            entries.append(item.toMap());
    }
}

} // namespace

QList<QVariantMap> replyListEntries(const QVariantMap &reply, const QString &key)
{
    QList<QVariantMap> entries;
    const QVariant list = reply.value(key);
    if (list.typeId() == QMetaType::QVariantMap) {
        const QVariantMap wrapped = list.toMap();
        for (const QVariant &value : wrapped) {
            if (value.typeId() == QMetaType::QVariantMap)
                entries.append(value.toMap());
            else if (value.typeId() == QMetaType::QVariantList)
                appendEntries(value.toList(), entries);
        }
    } else if (list.typeId() == QMetaType::QVariantList) {
        appendEntries(list.toList(), entries);
    }
    return entries;
}
