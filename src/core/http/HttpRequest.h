#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>

#include <chrono>

class QIODevice;

// One POST as the program sends it: to a URL, with headers in the order given, and a body either
// in memory or pulled from a device in pieces.
struct HttpRequest
{
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    QUrl url;
    Headers headers;
    QByteArray body;                 // sent when bodyDevice is not set
    QIODevice *bodyDevice = nullptr; // open and random-access; its size is announced, it is read in
                                     // pieces and rewound when the request has to be sent again
    // Nothing moving for this long ends the exchange as a time-out.
    std::chrono::milliseconds idleTimeout{60000};
    // The whole exchange may take no longer than this; zero for no limit.
    std::chrono::milliseconds deadline{0};
    // A longer reply is refused rather than kept.
    qsizetype maxReplySize = 1 << 20;
};

struct HttpResponse
{
    int status = 0; // 0 when no reply arrived
    QByteArray body;
};
