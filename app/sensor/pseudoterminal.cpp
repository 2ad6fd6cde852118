#include "pseudoterminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace tav {
namespace {

[[noreturn]] void fail(const char* what) { throw std::runtime_error(std::string(what) + ": " + std::strerror(errno)); }

} // namespace

PseudoTerminal::PseudoTerminal()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        fail("posix_openpt");
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        const int err = errno;
        ::close(m_master);
        errno = err;
        fail("grantpt/unlockpt");
    }
    char name[128];
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        const int err = errno;
        ::close(m_master);
        errno = err;
        fail("ptsname");
    }
    m_slavePath = name;
    // Raw mode on the slave: no echo of our answers back to us, no line
    // editing, no CR/LF translation, 0x00 and 0x0A passed on as data. The
    // settings stay with the pair after this descriptor is closed.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave >= 0) {
        termios t {};
        if (::tcgetattr(slave, &t) == 0) {
            ::cfmakeraw(&t);
            ::cfsetispeed(&t, B9600);
            ::cfsetospeed(&t, B9600);
            ::tcsetattr(slave, TCSANOW, &t);
        }
        ::close(slave);
    }
    const int flags = ::fcntl(m_master, F_GETFL);
    ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal()
{
    if (m_master >= 0)
        ::close(m_master);
}

} // namespace tav
