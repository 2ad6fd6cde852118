#include "centredmessagebox.h"

#include <QScreen>

namespace tav {

void CentredMessageBox::showEvent(QShowEvent* event)
{
    QMessageBox::showEvent(event); // fixes the box's size
    if (const QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

} // namespace tav
