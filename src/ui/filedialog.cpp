#include "filedialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace tav {
namespace {

// A pattern such as the offered "*.csv" names no file: accepting it filters
// the listing, and the dialog stays for the operator to pick a name. (The
// save dialog would otherwise create a file called "*.csv".)
class LogFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QString name = QFileInfo(files.front()).fileName();
            if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))) {
                setNameFilter(name);
                return;
            }
        }
        QFileDialog::accept();
    }
};

} // namespace

FileDialog::FileDialog(Kind kind, QObject* parent)
    : QObject(parent)
    , m_kind(kind)
{
}

bool FileDialog::Execute(QWidget* parent)
{
    LogFileDialog dialog(parent);
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
