// The open button and the simulated reading.
#include "tform1.h"

#include "centredmessagebox.h"
#include "numbertext.h"
#include "portnamecompleter.h"
#include "serialport.h"
#include "simulation.h"
#include "timer.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

namespace tav {
namespace {

const QString kSimulationName = QStringLiteral("COM0");
const QString kOpenCaption = QStringLiteral("打开串口");
const QString kCloseCaption = QStringLiteral("关闭串口");

// The simple message box: the application's name as title, no icon, the
// text and one OK button, centred on the screen.
void showOpenFailedMessage(QWidget* owner)
{
    CentredMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), QStringLiteral("串口打开失败"),
                          QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("OpenFailedMessage"));
    box.exec();
}

} // namespace

void TForm1::portControlSetup()
{
    new PortNameCompleter(Edit1, &SerialPort::availablePortNames);
    // A device that disappeared closes the port by itself; the button then
    // offers to open it again.
    connect(XComm1, &SerialPort::closedByDevice, this, [this] { Button2->setText(kOpenCaption); });
}

void TForm1::Button2Click()
{
    const QString name = Edit1->text();
    if (name == kSimulationName) {
        // A period that does not convert escapes to the default error report;
        // SimulationMode stays set and the timer as it was.
        Unit1.SimulationMode = true;
        Timer1->setInterval(periodToInterval(Edit2->text().toStdString(), decimalSeparator()));
        Timer1->setEnabled(true);
        return;
    }
    if (XComm1->isOpen()) {
        XComm1->close();
        Button2->setText(kOpenCaption); // the timer keeps running; its ticks find the port closed
        return;
    }
    try {
        XComm1->setDeviceName(Edit1->text());
        XComm1->open();
        Timer1->setInterval(periodToInterval(Edit2->text().toStdString(), decimalSeparator()));
        if (XComm1->isOpen())
            Button2->setText(kCloseCaption);
        Timer1->setEnabled(true);
    } catch (...) {
        Timer1->setEnabled(false);
        // A port whose opening did not complete is not left open behind the
        // caption "打开串口".
        if (XComm1->isOpen())
            XComm1->close();
        showOpenFailedMessage(this);
        Button2->setText(kOpenCaption);
    }
}

void TForm1::Button1Click()
{
    simulatedReading(Unit1, m_simulation, *this);
}

} // namespace tav
