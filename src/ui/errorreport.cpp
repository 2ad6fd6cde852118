#include "errorreport.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace tav {
namespace {
bool g_showing = false;
} // namespace

bool errorReportShowing() { return g_showing; }

void showErrorReport(QWidget* parent, const QString& message)
{
    if (g_showing)
        return;
    g_showing = true;
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), message,
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("ErrorReport"));
    box.exec();
    g_showing = false;
}

} // namespace tav
