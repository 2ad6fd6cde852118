#pragma once
// SIGINT and SIGTERM as an event of the event loop: the handler only writes
// the signal number into a pipe, whose reading end a QSocketNotifier watches.
#include <QObject>

class QSocketNotifier;

namespace tav {

class SignalPipe : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one instance per process.
    explicit SignalPipe(QObject* parent = nullptr);
    ~SignalPipe() override;

signals:
    void signalled(int signo);

private:
    void drain();
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tav
