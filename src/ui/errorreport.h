#pragma once
// The default error report for errors that escape a handler: a modal message
// box with an error icon, the error's text and OK, titled with the
// application's name.
#include <QString>

#include <exception>
#include <utility>

class QWidget;

namespace tav {

// Shows the report. While one report is on screen, further reports are
// dropped, so a lasting fault does not stack a box per timer tick.
void showErrorReport(QWidget* parent, const QString& message);

// True while a report is on screen.
bool errorReportShowing();

// Runs a handler; an exception that escapes it ends the handler there and
// goes to the default error report.
template <class Handler>
void runHandler(QWidget* parent, Handler&& handler)
{
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& e) {
        showErrorReport(parent, QString::fromUtf8(e.what()));
    }
}

} // namespace tav
