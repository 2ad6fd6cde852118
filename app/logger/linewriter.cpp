#include "linewriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tav {

LineWriter::LineWriter()
    : m_fd(STDOUT_FILENO)
    , m_owned(false)
    , m_name("standard output")
{
}

LineWriter::LineWriter(const std::string& path)
    : m_owned(true)
    , m_name(path)
{
    m_fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0)
        throw WriteError("Cannot open " + path + ": " + std::strerror(errno));
}

LineWriter::~LineWriter()
{
    if (m_owned)
        ::close(m_fd);
}

void LineWriter::writeLine(std::string_view line)
{
    std::string out(line);
    out += '\n';
    // One write() for the whole line: with O_APPEND it lands at the end as a
    // unit, and a reader never sees half a line unless the disk is full.
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::write(m_fd, out.data() + done, out.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw WriteError("Cannot write to " + m_name + ": " + std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
}

} // namespace tav
