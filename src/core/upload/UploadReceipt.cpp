#include "upload/UploadReceipt.h"

#include "common/MessageText.h"
#include "common/ServerText.h"

namespace {

// The attribute as a whole decimal number, or nothing when it is missing or anything else.
std::optional<qint64> number(const QVariantMap &reply, const QString &name)
{
    bool ok = false;
    const qint64 value = reply.value(name).toString().toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

QString answered(const QVariantMap &reply, const QString &name)
{
    return reply.contains(name)
               ? QStringLiteral("\"%1\"").arg(ServerText::shown(reply.value(name).toString()))
               : messageText(QStringLiteral("Text_UploadReplyNothing"));
}

} // namespace

QString UploadReceipt::mismatch(const QVariantMap &reply, qint64 albumID, quint64 sentSize)
{
    const QString albumKey = QStringLiteral("albumid");
    const QString sizeKey = QStringLiteral("filesize");
    if (number(reply, albumKey) != albumID) {
        return messageText(QStringLiteral("Text_UploadReplyWrongAlbum"))
            .arg(answered(reply, albumKey))
            .arg(albumID);
    }
    const std::optional<qint64> size = number(reply, sizeKey);
    if (!size || *size < 0 || quint64(*size) != sentSize) {
        return messageText(QStringLiteral("Text_UploadReplyWrongSize"))
            .arg(answered(reply, sizeKey))
            .arg(sentSize);
    }
    return QString();
}
