// tavrelon-sensor: a virtual sensor on a pseudo-terminal, for trying the
// monitor and the logger without hardware.
#include "pseudoterminal.h"
#include "virtualsensor.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <optional>
#include <poll.h>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_stop = 0;

extern "C" void onSignal(int) { g_stop = 1; }

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Options {
    tav::SensorSettings sensor;
    int delayMs = 0;
    std::string link;
    bool verbose = false;
    bool help = false;
    bool version = false;
};

const char* const kUsage = "Usage: tavrelon-sensor [--link PATH] [--registers 1|2] [--drop P] [--corrupt P]\n"
                           "                       [--delay MS] [--seed N] [--verbose]";

const char* const kHelp = R"(

A virtual Tavrelon sensor: creates a pseudo-terminal, prints the path of its
device on the first line of standard output (type it into the monitor's port
field or give it to tavrelon-logger --port) and answers Modbus RTU "read
holding registers" requests (function 3) as slave 1 at any baud rate, until
SIGINT or SIGTERM. Register 0 is a temperature in tenths of a degree that
swings between 20.0 and 30.0 over five minutes; register 1 swings between
-10.0 and 10.0 over two minutes (negative values sent as 65535 + value).
Every answer carries --registers registers, whatever count was asked for.

Options:
  --link PATH      also make PATH a symbolic link to the device (replaced if
                   it is a link already, removed at the end)
  --registers N    registers per answer: 1 (default) or 2
  --drop P         probability (0 to 1) of leaving a request unanswered
  --corrupt P      probability (0 to 1) of an answer with a damaged CRC
  --delay MS       wait MS milliseconds before each answer
  --seed N         seed of the fault draws (default: random); one seed gives
                   one sequence of drops and damaged answers
  --verbose        one line per request on standard output: "answered V1
                   [V2]", "corrupted V1 [V2]" or "dropped"
  -h, --help       show this text
  --version        show the version

The sensor keeps working when the monitor closes and reopens the port.
Exit status: 0 after SIGINT or SIGTERM, 1 when the pseudo-terminal or the
link cannot be made, 2 for a wrong command line.
)";

double parseProbability(const std::string& name, std::string_view text)
{
    double p = -1;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), p);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || !(p >= 0 && p <= 1))
        throw UsageError(name + " needs a probability from 0 to 1, not '" + std::string(text) + "'");
    return p;
}

template <class T> T parseWhole(const std::string& name, std::string_view text, T low, T high)
{
    T n {};
    const auto res = std::from_chars(text.data(), text.data() + text.size(), n);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || n < low || n > high)
        throw UsageError(name + " needs a whole number from " + std::to_string(low) + " to " + std::to_string(high)
            + ", not '" + std::string(text) + "'");
    return n;
}

Options parseOptions(int argc, char* argv[])
{
    Options o;
    std::optional<std::uint64_t> seed;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::optional<std::string> inlineValue;
        if (name.rfind("--", 0) == 0) {
            if (const auto eq = name.find('='); eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name.resize(eq);
            }
        }
        auto value = [&]() -> std::string {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= argc)
                throw UsageError("option " + name + " needs a value");
            return argv[++i];
        };
        auto flag = [&] {
            if (inlineValue)
                throw UsageError("option " + name + " takes no value");
        };
        if (name == "--help" || name == "-h") {
            flag();
            o.help = true;
        } else if (name == "--version") {
            flag();
            o.version = true;
        } else if (name == "--verbose") {
            flag();
            o.verbose = true;
        } else if (name == "--link") {
            o.link = value();
            if (o.link.empty())
                throw UsageError("--link needs a path");
        } else if (name == "--registers") {
            o.sensor.registers = parseWhole<int>(name, value(), 1, 2);
        } else if (name == "--drop") {
            o.sensor.dropProbability = parseProbability(name, value());
        } else if (name == "--corrupt") {
            o.sensor.corruptProbability = parseProbability(name, value());
        } else if (name == "--delay") {
            o.delayMs = parseWhole<int>(name, value(), 0, 60'000);
        } else if (name == "--seed") {
            seed = parseWhole<std::uint64_t>(name, value(), 0, UINT64_MAX);
        } else if (name.size() > 1 && name[0] == '-') {
            throw UsageError("unknown option " + name);
        } else {
            throw UsageError("unexpected argument '" + name + "'");
        }
    }
    o.sensor.seed
        = seed ? *seed : (static_cast<std::uint64_t>(std::random_device {}()) << 32 | std::random_device {}());
    return o;
}

void say(const char* format, const std::string& text)
{
    std::fprintf(stderr, format, text.c_str());
    std::fflush(stderr);
}

// Points `link` at `target`; an existing symbolic link is replaced, anything
// else at that path is left alone and refused.
void makeLink(const std::string& link, const std::string& target)
{
    struct stat st { };
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            throw std::runtime_error(link + " exists and is not a symbolic link");
        if (::unlink(link.c_str()) != 0)
            throw std::runtime_error("cannot replace " + link + ": " + std::strerror(errno));
    }
    if (::symlink(target.c_str(), link.c_str()) != 0)
        throw std::runtime_error("cannot create " + link + ": " + std::strerror(errno));
}

// Removes `link` if it still points at `target` (a newer sensor may own it).
void removeLink(const std::string& link, const std::string& target)
{
    char buf[4096];
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
    if (n >= 0 && std::string(buf, static_cast<std::size_t>(n)) == target)
        ::unlink(link.c_str());
}

struct Pending {
    SteadyClock::time_point due;
    tav::Bytes frame;
};

// Waits on the master until data, a hang-up, the next due answer or a stop
// signal. Returns the poll events (0 on timeout or signal).
short waitMaster(int fd, int timeoutMs, const sigset_t& unblocked)
{
    pollfd pfd { fd, POLLIN, 0 };
    timespec ts {};
    timespec* tsp = nullptr;
    if (timeoutMs >= 0) {
        ts.tv_sec = timeoutMs / 1000;
        ts.tv_nsec = static_cast<long>(timeoutMs % 1000) * 1'000'000L;
        tsp = &ts;
    }
    const int r = ::ppoll(&pfd, 1, tsp, &unblocked);
    return r > 0 ? pfd.revents : 0;
}

void sleepFor(int ms, const sigset_t& unblocked)
{
    timespec ts { ms / 1000, static_cast<long>(ms % 1000) * 1'000'000L };
    ::ppoll(nullptr, 0, &ts, &unblocked);
}

int run(const Options& options)
{
    // SIGINT and SIGTERM are blocked except inside ppoll, so a stop is never
    // missed between the check and the wait.
    sigset_t stopSignals, unblocked;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, &unblocked);
    sigdelset(&unblocked, SIGINT);
    sigdelset(&unblocked, SIGTERM);
    struct sigaction sa { };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    tav::PseudoTerminal pty;
    if (!options.link.empty())
        makeLink(options.link, pty.slavePath());
    std::printf("%s\n", pty.slavePath().c_str());
    std::fflush(stdout);
    say("tavrelon-sensor: serving slave 1 on %s", pty.slavePath());
    if (!options.link.empty())
        say(" (link %s)", options.link);
    say(", seed %s\n", std::to_string(options.sensor.seed));

    tav::VirtualSensor sensor(options.sensor);
    const auto start = SteadyClock::now();
    std::deque<Pending> pending;
    bool connected = false;

    while (!g_stop) {
        int timeout = -1;
        if (!pending.empty()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(pending.front().due - SteadyClock::now());
            timeout = static_cast<int>(std::max<long long>(0, left.count()));
        }
        short events = waitMaster(pty.masterFd(), timeout, unblocked);
        if (g_stop)
            break;

        if (events & POLLIN) {
            std::uint8_t buf[512];
            const ssize_t n = ::read(pty.masterFd(), buf, sizeof buf);
            if (n > 0) {
                connected = true;
                const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
                for (auto& a : sensor.feed(tav::ByteView(buf, static_cast<std::size_t>(n)), seconds)) {
                    if (options.verbose) {
                        std::printf("%s\n", a.event.c_str());
                        std::fflush(stdout);
                    }
                    if (!a.frame.empty())
                        pending.push_back(
                            { SteadyClock::now() + std::chrono::milliseconds(options.delayMs), std::move(a.frame) });
                }
            } else if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
                say("tavrelon-sensor: read failed: %s\n", std::strerror(errno));
                return 1;
            } else if (n < 0 && errno == EIO) {
                events |= POLLHUP;
            }
        }
        if ((events & (POLLHUP | POLLERR)) && !(events & POLLIN)) {
            // No one has the device open: nothing can arrive and answers
            // would go nowhere. Wait for the next opening.
            if (connected && options.verbose) {
                std::printf("closed\n");
                std::fflush(stdout);
            }
            connected = false;
            sensor.reset();
            pending.clear();
            sleepFor(50, unblocked);
            continue;
        }

        const auto now = SteadyClock::now();
        while (!pending.empty() && pending.front().due <= now) {
            const tav::Bytes& frame = pending.front().frame;
            // A short answer is a fault like any other; the monitor copes.
            [[maybe_unused]] const ssize_t w = ::write(pty.masterFd(), frame.data(), frame.size());
            pending.pop_front();
        }
    }

    if (!options.link.empty())
        removeLink(options.link, pty.slavePath());
    const auto& c = sensor.counters();
    std::fprintf(stderr, "tavrelon-sensor: %llu requests, %llu answered, %llu dropped, %llu corrupted\n",
        static_cast<unsigned long long>(c.requests), static_cast<unsigned long long>(c.answered),
        static_cast<unsigned long long>(c.dropped), static_cast<unsigned long long>(c.corrupted));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    Options options;
    try {
        options = parseOptions(argc, argv);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tavrelon-sensor: %s\n%s\nTry 'tavrelon-sensor --help' for more.\n", e.what(), kUsage);
        return 2;
    }
    if (options.help) {
        std::printf("%s%s", kUsage, kHelp);
        return 0;
    }
    if (options.version) {
        std::printf("tavrelon-sensor %s\n", TAV_VERSION);
        return 0;
    }
    try {
        return run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavrelon-sensor: %s\n", e.what());
        return 1;
    }
}
