#pragma once
// Suggests the serial ports present while the operator types a port name.
// It only offers: the text typed is the name used, unchanged.
#include <QCompleter>
#include <QStringList>
#include <functional>

class QLineEdit;
class QStringListModel;

namespace tav {

class PortNameCompleter : public QCompleter {
    Q_OBJECT
public:
    using Source = std::function<QStringList()>;
    // Attaches itself to `edit`; the list of names comes from `source` and is
    // read again each time the field takes the focus, so an adapter plugged in
    // while the program runs is offered too.
    PortNameCompleter(QLineEdit* edit, Source source);

    void refresh();
    QStringList names() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_edit;
    QStringListModel* m_model;
    Source m_source;
};

} // namespace tav
