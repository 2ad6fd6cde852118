#pragma once
// The logger's command line: what to poll, how often, where the lines go.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <stdexcept>

namespace tav {

// A command line that cannot be used; the message says why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TimestampStyle {
    TimeOfDay, // hh:mm:ss, as the window writes
    Iso, // yyyy-MM-ddTHH:mm:ss.zzz local time, for logs spanning days
};

struct LoggerOptions {
    QString port;
    std::int32_t measureMode = 2; // temperature
    std::uint32_t intervalMs = 1000;
    std::optional<std::uint64_t> count;
    QString output; // empty: standard output
    TimestampStyle timestamps = TimestampStyle::TimeOfDay;
    bool reconnect = false;
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name. Throws UsageError.
// `decimalSeparator` is the user's; the period takes a full stop or it.
LoggerOptions parseLoggerOptions(const QStringList& arguments, const QString& decimalSeparator);

// Seconds as typed to milliseconds, by the window's rule (half to even),
// limited to what a timer can run: at least 1 ms, at most 2^31 - 1 ms.
std::uint32_t parsePeriod(const QString& text, const QString& decimalSeparator);

QString loggerHelpText();
QString loggerUsageLine();

} // namespace tav
