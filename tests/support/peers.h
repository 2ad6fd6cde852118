#pragma once
// Real peers for the serial tests: a socat pseudo-terminal pair and the
// independent pymodbus slave on one of its ends.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>

namespace tavtest {

// Spins the Qt event loop until `done` or the timeout; true when done.
bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Two linked pseudo-terminals, end a() for the program, end b() for the peer.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    QString a() const { return m_dir.filePath(QStringLiteral("a")); }
    QString b() const { return m_dir.filePath(QStringLiteral("b")); }
    bool ok() const { return m_ok; }
    // Ends socat: both ends disappear, as when a USB adapter is pulled.
    void kill();

private:
    QTemporaryDir m_dir;
    QProcess m_socat;
    bool m_ok = false;
};

// A Python peer script from tests/peers on a device, with extra arguments.
// Lines it prints are collected in lines().
class PeerProcess {
public:
    PeerProcess(const QString& script, const QStringList& args);
    ~PeerProcess();
    bool ready() const { return m_ready; }
    // Every line printed so far (without "ready").
    QStringList lines();
    void stop();

private:
    QProcess m_proc;
    QByteArray m_pending;
    QStringList m_lines;
    bool m_ready = false;
    void collect();
};

// The pymodbus slave: serves `values` as holding registers of slave 1; with
// registers > 0 it answers every read with that many registers.
class ModbusSlave : public PeerProcess {
public:
    ModbusSlave(const QString& device, const QString& values, int registers = 0, int step = 0);
};

} // namespace tavtest
