#pragma once
// The master side of a pseudo-terminal whose slave a monitor opens as its
// serial port.
#include <string>

namespace tav {

class PseudoTerminal {
public:
    // Creates the pair and puts the slave into raw mode. Throws std::runtime_error.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int masterFd() const { return m_master; }
    // The slave's path, /dev/pts/N.
    const std::string& slavePath() const { return m_slavePath; }

private:
    int m_master = -1;
    std::string m_slavePath;
};

} // namespace tav
