#include "loggeroptions.h"

#include "error.h"
#include "numbertext.h"

#include <limits>

namespace tav {
namespace {

constexpr std::uint32_t kMaxIntervalMs = std::numeric_limits<int>::max();

// The option's value: the next argument or the text after "=".
QString takeValue(
    const QStringList& args, qsizetype& i, const QString& name, const QString& inlineValue, bool hasInline)
{
    if (hasInline)
        return inlineValue;
    if (i + 1 >= args.size())
        throw UsageError(QStringLiteral("option %1 needs a value").arg(name).toStdString());
    return args[++i];
}

std::uint64_t parseCount(const QString& text)
{
    bool ok = false;
    const qulonglong n = text.toULongLong(&ok);
    if (!ok || n == 0 || text.startsWith(QLatin1Char('+')))
        throw UsageError(
            QStringLiteral("--count needs a whole number of at least 1, not '%1'").arg(text).toStdString());
    return n;
}

} // namespace

std::uint32_t parsePeriod(const QString& text, const QString& decimalSeparator)
{
    const std::string t = text.toStdString();
    // A full stop works everywhere, so that scripts and unit files need not
    // know the locale; the user's own separator works as in the window.
    std::string separator = ".";
    long double seconds = 0;
    try {
        seconds = textToFloat(t, separator);
    } catch (const Error&) {
        separator = decimalSeparator.toStdString();
        if (separator == ".")
            throw UsageError(invalidFloatMessage(t));
        try {
            seconds = textToFloat(t, separator);
        } catch (const Error& e) {
            throw UsageError(e.what());
        }
    }
    // A period that rounds to 0 ms gives a timer that never ticks, and a
    // negative one wraps to weeks by the window's rule: neither makes a logger.
    if (!(seconds >= 0))
        throw UsageError("period must be at least 1 ms");
    if (seconds * 1000.0L > static_cast<long double>(kMaxIntervalMs) + 1.0L)
        throw UsageError("period must be at most 2147483.647 s");
    const std::uint32_t interval = periodToInterval(t, separator);
    if (interval == 0)
        throw UsageError("period must be at least 1 ms");
    if (interval > kMaxIntervalMs)
        throw UsageError("period must be at most 2147483.647 s");
    return interval;
}

LoggerOptions parseLoggerOptions(const QStringList& args, const QString& decimalSeparator)
{
    LoggerOptions o;
    bool havePort = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString name = args[i];
        QString inlineValue;
        bool hasInline = false;
        if (name.startsWith(QLatin1String("--"))) {
            if (const qsizetype eq = name.indexOf(QLatin1Char('=')); eq > 0) {
                inlineValue = name.mid(eq + 1);
                name = name.left(eq);
                hasInline = true;
            }
        }
        auto value = [&] { return takeValue(args, i, name, inlineValue, hasInline); };
        auto noValue = [&] {
            if (hasInline)
                throw UsageError(QStringLiteral("option %1 takes no value").arg(name).toStdString());
        };

        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            noValue();
            o.help = true;
        } else if (name == QLatin1String("--version")) {
            noValue();
            o.version = true;
        } else if (name == QLatin1String("--port")) {
            o.port = value();
            havePort = true;
        } else if (name == QLatin1String("--period")) {
            o.intervalMs = parsePeriod(value(), decimalSeparator);
        } else if (name == QLatin1String("--mode")) {
            const QString mode = value();
            if (mode == QLatin1String("temperature"))
                o.measureMode = 2;
            else if (mode == QLatin1String("distance"))
                o.measureMode = 1;
            else
                throw UsageError(QStringLiteral("--mode is temperature or distance, not '%1'").arg(mode).toStdString());
        } else if (name == QLatin1String("--count")) {
            o.count = parseCount(value());
        } else if (name == QLatin1String("--output")) {
            o.output = value();
            if (o.output.isEmpty())
                throw UsageError("--output needs a file name");
        } else if (name == QLatin1String("--timestamps")) {
            const QString style = value();
            if (style == QLatin1String("iso"))
                o.timestamps = TimestampStyle::Iso;
            else if (style == QLatin1String("time"))
                o.timestamps = TimestampStyle::TimeOfDay;
            else
                throw UsageError(QStringLiteral("--timestamps is time or iso, not '%1'").arg(style).toStdString());
        } else if (name == QLatin1String("--reconnect")) {
            noValue();
            o.reconnect = true;
        } else if (name.startsWith(QLatin1Char('-')) && name.size() > 1) {
            throw UsageError(QStringLiteral("unknown option %1").arg(name).toStdString());
        } else {
            throw UsageError(QStringLiteral("unexpected argument '%1'").arg(name).toStdString());
        }
    }
    if (!havePort && !o.help && !o.version)
        throw UsageError("--port is required");
    return o;
}

QString loggerUsageLine()
{
    return QStringLiteral("Usage: tavrelon-logger --port NAME [--period SECONDS] [--mode temperature|distance]\n"
                          "                       [--count N] [--output FILE] [--timestamps time|iso] [--reconnect]");
}

QString loggerHelpText()
{
    return loggerUsageLine() + QStringLiteral(R"(

Polls one sensor (Modbus RTU slave 1, 9600 8N1) once per period, as the
Tavrelon monitor window does, and writes one line per reading:
"hh:mm:ss,value", the value with one decimal and your locale's decimal
separator (set LC_NUMERIC=C for a full stop). Each line is written out at
once, so a killed logger loses nothing it has reported.

Options:
  --port NAME          the serial port: /dev/ttyUSB0 or any path, COM1 (is
                       /dev/ttyS0), ttyUSB0 (is /dev/ttyUSB0); COM0 simulates
  --period SECONDS     time between two polls (default 1); a full stop or
                       your locale's separator; at least 0.001
  --mode MODE          temperature (default: raw tenths of a degree) or
                       distance (raw millimetres)
  --count N            stop after N readings
  --output FILE        append the lines to FILE instead of standard output
  --timestamps STYLE   time (default: hh:mm:ss) or iso (local date and time
                       with milliseconds, 2026-12-11T14:30:00.123)
  --reconnect          when the device goes away, try to open it again once
                       a period and carry on when it is back
  -h, --help           show this text
  --version            show the version

The first request goes out one period after the start; each reading is the
answer to the request of the period before. SIGINT or SIGTERM stops the
logger, which then prints a summary on standard error.

Exit status: 0 after a stop by signal or --count; 1 when the port cannot be
opened or fails (without --reconnect) or the output cannot be written; 2 for
a wrong command line.
)");
}

} // namespace tav
