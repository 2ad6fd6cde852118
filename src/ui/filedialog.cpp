#include "filedialog.h"

#include <QFileDialog>

namespace tav {

FileDialog::FileDialog(Kind kind, QObject* parent) : QObject(parent), m_kind(kind) {}

bool FileDialog::Execute(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setObjectName(objectName());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(m_kind == Kind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = dialog.selectedFiles().front();
    return true;
}

} // namespace tav
