// tavrelon-logger: polls one sensor as the monitor window does and writes its
// log lines to standard output or a file, until stopped.
#include "edeviceerror.h"
#include "linewriter.h"
#include "logger.h"
#include "loggeroptions.h"
#include "signalpipe.h"

#include <QCoreApplication>
#include <QLocale>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {

int usageError(const char* what)
{
    std::fprintf(stderr, "tavrelon-logger: %s\n%s\nTry 'tavrelon-logger --help' for more.\n", what,
        qPrintable(tav::loggerUsageLine()));
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrelon-logger"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAV_VERSION));

    tav::LoggerOptions options;
    try {
        options = tav::parseLoggerOptions(QCoreApplication::arguments().mid(1), QLocale().decimalPoint());
    } catch (const tav::UsageError& e) {
        return usageError(e.what());
    }
    if (options.help) {
        std::fputs(qPrintable(tav::loggerHelpText()), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("tavrelon-logger %s\n", TAV_VERSION);
        return 0;
    }

    // A closed reader of standard output is a write error, reported, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<tav::LineWriter> out;
    try {
        out = options.output.isEmpty() ? std::make_unique<tav::LineWriter>()
                                       : std::make_unique<tav::LineWriter>(options.output.toStdString());
    } catch (const tav::WriteError& e) {
        std::fprintf(stderr, "tavrelon-logger: %s\n", e.what());
        return 1;
    }

    tav::SignalPipe signalPipe;
    tav::Logger logger(options, *out);
    QObject::connect(&signalPipe, &tav::SignalPipe::signalled, &logger, [&logger] { logger.finish(0); });
    QObject::connect(
        &logger, &tav::Logger::finished, &app, [](int status) { QCoreApplication::exit(status); },
        Qt::QueuedConnection);
    try {
        logger.start();
    } catch (const tav::EDeviceError& e) {
        std::fprintf(stderr, "tavrelon-logger: %s\n", e.what());
        return 1;
    }
    return app.exec();
}
