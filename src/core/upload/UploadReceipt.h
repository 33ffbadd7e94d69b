#pragma once

#include <QString>
#include <QVariantMap>

// Whether the reply to an upload confirms that the file was stored where it was sent and as it was
// sent. The reply's "ok" says only that the server's script ran; the album and the size it names say
// what it kept. Anything else counts as not stored, with the server's answer in the reason.
namespace UploadReceipt {

// Empty when the reply names the album the file was sent to and the number of bytes that were sent;
// otherwise the reason for the user.
QString mismatch(const QVariantMap &reply, qint64 albumID, quint64 sentSize);

} // namespace UploadReceipt
