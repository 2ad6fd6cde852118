#pragma once
// Log lines straight to a file descriptor: one write per line, no buffer in
// the process, so a line that has been reported survives a kill.
#include <stdexcept>
#include <string>
#include <string_view>

namespace tav {

class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class LineWriter {
public:
    // Standard output.
    LineWriter();
    // Appends to `path`, creating it (mode 0644 less the umask). Throws WriteError.
    explicit LineWriter(const std::string& path);
    ~LineWriter();
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Writes `line` and a line feed. Throws WriteError.
    void writeLine(std::string_view line);

private:
    int m_fd;
    bool m_owned;
    std::string m_name;
};

} // namespace tav
