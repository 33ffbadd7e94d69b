#pragma once

#include "common/Error.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>

#include <chrono>
#include <optional>

// The SOAP 1.1 transport: builds RPC-style envelopes, posts them synchronously and turns the
// replies into checked maps of typed values. No state of its own; every function may run on any
// thread (each thread posts through its own HTTP handle, all share one cookie jar).
//
// Parameter values are QVariants whose type selects the xsi:type: bool -> xsd:boolean,
// qlonglong -> xsd:long, int -> xsd:int, float -> xsd:float, double -> xsd:double,
// QString -> xsd:string, QVariantMap -> xsd:dictionary, an invalid QVariant -> xsd:nil. A char
// (char, signed char, unsigned char) counts as a boolean whose text is the char's number, the way a
// char-made number always travelled. Every other type (unsigned or 16-bit numbers, lists, bytes,
// dates...) produces no element.
//
// On the wire the request carries Content-Type, the given HTTP headers and Content-Length in that
// order, after Host, Accept and the stored cookies.
//
// Decoded values are bool, qlonglong, float, double, QString, QVariantMap and QVariantList.
//
// Errors:
// - transport failures (refused connection, time-out, TLS failures, a reply over maxReplySize) are
//   HttpFailure's: domain "QNetworkReply", code the QNetworkReply::NetworkError value. Sixty seconds
//   without a byte moving, or two minutes in all, end the call as TimeoutError. An HTTP error
//   status is not a transport failure: its body is decoded like any other reply (a SOAP fault comes
//   with status 500).
// - no usable cookie after the reply: "SOAP-Connection" 9003.
// - reply decoding: "SOAP-ENV:Response" 9002 (not well-formed, too deep, entity bombs) and the 9001
//   family of missing envelope, body, response or result status.
class wsNSSoapComms
{
public:
    static constexpr std::chrono::milliseconds idleTimeout{60000};
    // However the server trickles its reply, a call ends within this.
    static constexpr std::chrono::milliseconds overallDeadline{120000};
    // Generous: listing an album of 100,000 assets with long names takes about 75 MiB.
    static constexpr qsizetype maxReplySize = 128 * 1024 * 1024;

    static QVariantMap methodInvocationWith(const QUrl &url, const QString &method, const QString &nameSpace,
                                            const QMap<QString, QString> &httpHeaders,
                                            const QStringList &paramOrder, const QVariantMap &params,
                                            const QStringList &resultKeys, Error &error);

    static QString createEnvelope(const QString &method, const QString &nameSpace,
                                  const QStringList &paramOrder, const QVariantMap &params);
    static QString serializeParams(const QVariantMap &params, const QStringList &order);

    // True when the shared cookie jar holds a cookie usable for the URL.
    static bool checkCookiesForURL(const QUrl &url, Error &error);

    // Walks the reply down to the method's response, checks its Result and converts the wanted
    // entries; returns the empty map with the error set on failure.
    static QVariantMap deserialise(const QString &method, const QByteArray &data, const QStringList &objects,
                                   Error &error);
    static bool checkResult(const QVariant &result, const QString &method, Error &error);
    // Converts a reader map into typed values; nothing when the argument is not a map.
    static std::optional<QVariantMap> deserialise(const QVariant &dictionary);
};
