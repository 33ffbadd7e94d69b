// One run of the program in a process of its own. "capture": starts the log file, writes lines
// each way, stops, writes another, prints the file's path. "launch close|crash": creates the crash
// handler, prints didCrash=0|1, then closes it cleanly or leaves things as a crashed run would.
#include "diagnostics/CrashHandler.h"
#include "diagnostics/DiagnosticLine.h"
#include "diagnostics/LogFile.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    QTextStream out(stdout);

    if (arguments.value(1) == QLatin1String("capture")) {
        LogFile log;
        out << log.fileName() << Qt::endl;
        VENDRA_DIAG(QStringLiteral("line while capturing"));
        std::fputs("written with stdio\n", stderr);
        writePlainLine(QStringLiteral("written as a plain line"));
        log.start(); // already capturing: no second start line
        log.stop();
        VENDRA_DIAG(QStringLiteral("line after stop"));
        return 0;
    }
    if (arguments.value(1) == QLatin1String("launch")) {
        CrashHandler *handler = CrashHandler::init();
        if (!handler) {
            out << "sandboxed" << Qt::endl;
            return 0;
        }
        out << "didCrash=" << int(handler->didCrashAtLastSession()) << Qt::endl;
        if (arguments.value(2) == QLatin1String("close"))
            CrashHandler::close();
        return 0;
    }
    return 2;
}
