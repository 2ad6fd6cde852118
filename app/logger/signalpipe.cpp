#include "signalpipe.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace tav {
namespace {

int g_pipe[2] = { -1, -1 };

extern "C" void onSignal(int signo)
{
    const int saved = errno;
    const unsigned char b = static_cast<unsigned char>(signo);
    // A full pipe already holds a pending stop; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &b, 1);
    errno = saved;
}

} // namespace

SignalPipe::SignalPipe(QObject* parent)
    : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot create the signal pipe");
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalPipe::drain);
}

SignalPipe::~SignalPipe()
{
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void SignalPipe::drain()
{
    unsigned char b = 0;
    int last = 0;
    while (::read(g_pipe[0], &b, 1) == 1)
        last = b;
    if (last != 0)
        emit signalled(last);
}

} // namespace tav
