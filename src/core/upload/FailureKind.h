#pragma once

#include <QString>

// Whether trying a failed upload again can help. Transient: the exchange broke off (reset, refused,
// timed out) or the server answered with a 5xx status. Final: the server or the file said no
// (rights, quota, size, name, a missing or unreadable file, a lost session).
enum class FailureKind { Transient, Final };

// What is known of a failed upload when it ends.
struct UploadFailureFacts
{
    // The HTTP status of the answer; 0 when none arrived.
    qint64 httpStatus = 0;
    // "actionresult" and "apiresult" of the answer's document; empty when absent.
    QString actionResult;
    QString apiResult;
    // The local file is gone, not a regular file, unreadable, larger than the server takes, or
    // changed while it was being sent.
    bool localFileUnusable = false;
    // The destination album is unknown or is the root.
    bool destinationUnusable = false;
};

FailureKind classifyUploadFailure(const UploadFailureFacts &facts);
