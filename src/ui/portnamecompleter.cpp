#include "portnamecompleter.h"

#include <QEvent>
#include <QLineEdit>
#include <QStringListModel>

namespace tav {

PortNameCompleter::PortNameCompleter(QLineEdit* edit, Source source)
    : QCompleter(edit), m_edit(edit), m_model(new QStringListModel(this)), m_source(std::move(source))
{
    setModel(m_model);
    setCaseSensitivity(Qt::CaseSensitive); // device names are
    setFilterMode(Qt::MatchContains);      // "USB" finds ttyUSB0 and by-id names
    setCompletionMode(QCompleter::PopupCompletion);
    refresh();
    edit->setCompleter(this);
    edit->installEventFilter(this);
}

void PortNameCompleter::refresh()
{
    m_model->setStringList(m_source ? m_source() : QStringList());
}

QStringList PortNameCompleter::names() const
{
    return m_model->stringList();
}

bool PortNameCompleter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::FocusIn)
        refresh();
    return QCompleter::eventFilter(watched, event);
}

} // namespace tav
