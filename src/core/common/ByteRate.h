#pragma once

#include <QString>

#include <optional>

// A speed as people type it: bytes per second, with an optional K, M or G (powers of 1024, "kB/s"
// and "MB/s" alike), e.g. "2M", "500k", "1.5M", "250000". Nothing for anything else.
std::optional<qint64> parseByteRate(const QString &text);
// The shortest such text for a rate: "2M", "500K", "1000".
QString byteRateText(qint64 bytesPerSecond);
