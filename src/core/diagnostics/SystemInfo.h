#pragma once

#include <QString>

// The host description that goes into a crash report. A part that cannot be read is a null string.
class SystemInfo
{
public:
    // Every part below, one labelled line each, the language last and without a line end.
    static QString info();

    // Distribution, kernel release and kernel build.
    static QString OSVersion();
    // The machine's product name from the firmware (or the device tree on boards without one).
    static QString ModelID();
    static QString ProcessorName();
    static QString ProcessorSpeed();
    // Physical cores and logical processors, as decimal text.
    static QString ProcessorCount();
    static QString ProcessorCores();
    static QString ProcessorArchitecture();
    static QString PhysicalMemory();

    static QString name();
    static QString userName();
    static QString fullUserName();
    static QString OSName();

    // A kernel parameter by its sysctl name ("kernel.osrelease"), read from /proc/sys; null when
    // there is no such parameter.
    static QString controlEntry(const QString &name);

    // The processor brand without trademark signs, model numbers and what follows "CPU".
    static QString parseBrandName(const QString &brand);

    // The display texts of a clock rate in Hz and of a memory size in bytes.
    static QString speedText(quint64 hertz);
    static QString memoryText(quint64 bytes);
};
