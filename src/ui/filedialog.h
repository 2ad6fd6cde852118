#pragma once
// A file dialog the window owns: offers FileName ("*.csv" at first, then the
// name last chosen) and, on Execute, lets the operator choose a file.
#include <QObject>
#include <QString>

class QWidget;

namespace tav {

class FileDialog : public QObject {
    Q_OBJECT
public:
    enum class Kind { Save, Open };
    FileDialog(Kind kind, QObject* parent = nullptr);

    QString FileName = QStringLiteral("*.csv");

    // Shows the dialog modally; true when the operator chose a name, which is
    // then in FileName. A name with "*" or "?" filters the listing and keeps
    // the dialog open.
    bool Execute(QWidget* parent);

private:
    Kind m_kind;
};

} // namespace tav
