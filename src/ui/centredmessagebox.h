#pragma once
// A message box that opens centred on the screen rather than over its
// owner, placed once its final size is known, before it first appears.
#include <QMessageBox>

namespace tav {

class CentredMessageBox : public QMessageBox {
    Q_OBJECT
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace tav
