// The open button, the simulated readings and a device that disappears, on
// the real window: a socat pseudo-terminal pair with the pymodbus slave on
// the far end, message boxes driven as the operator would close them.
#include "errorreport.h"
#include "logview.h"
#include "peers.h"
#include "portnamecompleter.h"
#include "serialport.h"
#include "sevensegmentdisplay.h"
#include "tform1.h"
#include "timer.h"
#include "trendplot.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest/QTest>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace {

using tav::TForm1;

const QString kOpen = QStringLiteral("打开串口");
const QString kClose = QStringLiteral("关闭串口");

void spin(std::chrono::milliseconds d)
{
    tavtest::waitFor([] { return false; }, d);
}

// Watches for modal message boxes, also inside the nested loop of a box
// shown by a handler, records each one and closes it with its OK button once
// it has been on screen for `hold`.
class BoxWatcher {
public:
    struct Seen {
        QString objectName, title, text, buttonText, caption;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
        QPoint centre, screenCentre;
    };

    BoxWatcher(const TForm1& form, std::chrono::milliseconds hold = 0ms) : m_form(form), m_hold(hold)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(5);
    }

    std::vector<Seen> seen;
    int mostOnScreen = 0;

private:
    void poll()
    {
        int onScreen = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(w) && w->isVisible())
                ++onScreen;
        mostOnScreen = std::max(mostOnScreen, onScreen);
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (!box->property("watched").toBool()) {
            box->setProperty("watched", true);
            m_since.start();
            Seen s;
            s.objectName = box->objectName();
            s.title = box->windowTitle();
            s.text = box->text();
            s.icon = box->icon();
            s.buttons = static_cast<int>(box->buttons().size());
            s.buttonText = box->buttons().value(0) ? box->buttons().value(0)->text() : QString();
            s.caption = m_form.Button2->text();
            s.centre = box->frameGeometry().center();
            s.screenCentre = box->screen()->availableGeometry().center();
            seen.push_back(s);
        }
        if (m_since.elapsed() >= m_hold.count())
            box->button(QMessageBox::Ok)->click();
    }

    const TForm1& m_form;
    std::chrono::milliseconds m_hold;
    QTimer m_timer;
    QElapsedTimer m_since;
};

// The module state is zero when the program loads; each test starts there.
struct PortWindow : ::testing::Test {
    void SetUp() override
    {
        tav::Unit1 = {};
        ASSERT_TRUE(pty.ok()) << "socat did not create the pseudo-terminal pair";
        form = std::make_unique<TForm1>();
    }

    void press() { form->Button2->click(); }
    void setFields(const QString& port, const QString& period)
    {
        form->Edit1->setText(port);
        form->Edit2->setText(period);
    }
    int served(tavtest::ModbusSlave& slave) { return static_cast<int>(slave.lines().size()); }
    QStringList logLines() const { return form->Memo1->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

    void expectOpenFailedBox(const BoxWatcher& watcher)
    {
        ASSERT_EQ(watcher.seen.size(), 1u);
        const BoxWatcher::Seen& s = watcher.seen[0];
        EXPECT_EQ(s.objectName, QStringLiteral("OpenFailedMessage"));
        EXPECT_EQ(s.title, QStringLiteral("tavrelon-monitor"));
        EXPECT_EQ(s.text, QStringLiteral("串口打开失败"));
        EXPECT_EQ(s.icon, QMessageBox::NoIcon);
        EXPECT_EQ(s.buttons, 1);
        EXPECT_EQ(QString(s.buttonText).remove(QLatin1Char('&')), QStringLiteral("OK"));
        EXPECT_LE((s.centre - s.screenCentre).manhattanLength(), 2);
    }

    void expectClosedAndStopped()
    {
        EXPECT_FALSE(form->XComm1->isOpen());
        EXPECT_FALSE(form->Timer1->enabled());
        EXPECT_FALSE(form->Timer1->isTicking());
        EXPECT_EQ(form->Button2->text(), kOpen);
    }

    tavtest::PtyPair pty;
    std::unique_ptr<TForm1> form;
};

// Another program can open the device right now.
bool othersCanOpen(const QString& device)
{
    tavtest::PeerProcess other(QStringLiteral("hold_port.py"), {QStringLiteral("--port"), device});
    return other.ready();
}

TEST_F(PortWindow, OpensAndTheFirstRequestGoesOutOnePeriodLater)
{
    tavtest::ModbusSlave slave(pty.b(), QStringLiteral("250"));
    ASSERT_TRUE(slave.ready());
    setFields(pty.a(), QStringLiteral("0.2"));
    press();
    EXPECT_TRUE(form->XComm1->isOpen());
    EXPECT_EQ(form->Button2->text(), kClose);
    EXPECT_TRUE(form->Timer1->enabled());
    EXPECT_EQ(form->Timer1->interval(), 200u);

    spin(100ms);
    EXPECT_EQ(served(slave), 0); // the press itself sends nothing
    ASSERT_TRUE(tavtest::waitFor([&] { return served(slave) >= 1; }, 2s));
    ASSERT_TRUE(tavtest::waitFor([] { return tav::Unit1.SampleCount >= 1; }, 2s));
    EXPECT_EQ(form->iSevenSegmentAnalog1->value(), 25.0);
}

TEST_F(PortWindow, SecondPressClosesThirdOpensAgain)
{
    tavtest::ModbusSlave slave(pty.b(), QStringLiteral("250"));
    ASSERT_TRUE(slave.ready());
    setFields(pty.a(), QStringLiteral("0.1"));
    press();
    ASSERT_TRUE(tavtest::waitFor([] { return tav::Unit1.SampleCount >= 1; }, 2s));

    press();
    EXPECT_FALSE(form->XComm1->isOpen());
    EXPECT_EQ(form->Button2->text(), kOpen);
    EXPECT_TRUE(form->Timer1->isTicking()); // closing leaves the timer running
    spin(200ms); // the answer to the last request may still be on its way
    const int servedBefore = served(slave);
    const auto samples = tav::Unit1.SampleCount;
    spin(350ms); // its ticks do nothing
    EXPECT_EQ(served(slave), servedBefore);
    EXPECT_EQ(tav::Unit1.SampleCount, samples);
    EXPECT_TRUE(othersCanOpen(pty.a()));

    press();
    EXPECT_TRUE(form->XComm1->isOpen());
    EXPECT_EQ(form->Button2->text(), kClose);
    EXPECT_TRUE(tavtest::waitFor([&] { return tav::Unit1.SampleCount > samples; }, 2s));
}

TEST_F(PortWindow, OpeningsThatFailShowTheMessageAndStopTheTimer)
{
    tavtest::PeerProcess holder(QStringLiteral("hold_port.py"), {QStringLiteral("--port"), pty.a()});
    ASSERT_TRUE(holder.ready());
    // Neither lower case nor blanks make the simulation name: these are port
    // names, and no such port exists.
    const QString names[] = {pty.a(), QStringLiteral("ttyNoSuchDevice"), QString(), QStringLiteral("com0"),
                             QStringLiteral(" COM0"), QStringLiteral("COM0 ")};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        // Start with a running timer, which the failure stops.
        form->Timer1->setInterval(100);
        form->Timer1->setEnabled(true);
        setFields(name, QStringLiteral("0.1"));
        BoxWatcher watcher(*form);
        press();
        expectOpenFailedBox(watcher);
        expectClosedAndStopped();
        EXPECT_EQ(form->Timer1->interval(), 100u);
        EXPECT_FALSE(tav::Unit1.SimulationMode);
        EXPECT_EQ(form->Edit1->text(), name); // used as typed
    }
}

TEST_F(PortWindow, PeriodThatDoesNotConvertClosesThePortAgain)
{
    tavtest::ModbusSlave slave(pty.b(), QStringLiteral("250"));
    ASSERT_TRUE(slave.ready());
    for (const char* period : {"abc", "1,5", "1e16", "-9223372036854776"}) {
        SCOPED_TRACE(period);
        setFields(pty.a(), QString::fromLatin1(period));
        BoxWatcher watcher(*form);
        press();
        expectOpenFailedBox(watcher);
        expectClosedAndStopped(); // the device opened, and was closed again
        EXPECT_EQ(form->Timer1->interval(), 1000u);
        EXPECT_TRUE(othersCanOpen(pty.a()));
    }
    // So the next press opens, rather than closing a port left open.
    form->Edit2->setText(QStringLiteral("0.1"));
    press();
    EXPECT_TRUE(form->XComm1->isOpen());
    EXPECT_EQ(form->Button2->text(), kClose);
    EXPECT_TRUE(tavtest::waitFor([] { return tav::Unit1.SampleCount >= 1; }, 2s));
}

TEST_F(PortWindow, PeriodOfZeroMillisecondsNeverTicks)
{
    tavtest::ModbusSlave slave(pty.b(), QStringLiteral("250"));
    ASSERT_TRUE(slave.ready());
    setFields(pty.a(), QStringLiteral("0.0004"));
    press();
    EXPECT_TRUE(form->XComm1->isOpen());
    EXPECT_EQ(form->Button2->text(), kClose);
    EXPECT_TRUE(form->Timer1->enabled());
    EXPECT_EQ(form->Timer1->interval(), 0u);
    EXPECT_FALSE(form->Timer1->isTicking());
    spin(300ms);
    EXPECT_EQ(served(slave), 0);
}

TEST_F(PortWindow, PeriodWithTheUsersDecimalSeparator)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TForm1 comma;
    QLocale::setDefault(QLocale::c());
    ASSERT_EQ(comma.decimalSeparator(), ",");
    comma.Edit1->setText(QStringLiteral("COM0"));
    comma.Edit2->setText(QStringLiteral("0,1875"));
    comma.Button2->click();
    EXPECT_EQ(comma.Timer1->interval(), 188u);

    form->Edit1->setText(QStringLiteral("COM0"));
    form->Edit2->setText(QStringLiteral("0.0625"));
    press();
    EXPECT_EQ(form->Timer1->interval(), 62u);
}

TEST_F(PortWindow, SimulationNameWithABadPeriodGoesToTheDefaultReport)
{
    const std::pair<const char*, const char*> rows[] = {
        {"abc", "'abc' is not a valid floating point value"},
        {"1,5", "'1,5' is not a valid floating point value"},
        {"1e16", "Invalid floating point operation"},
    };
    for (const auto& [period, message] : rows) {
        SCOPED_TRACE(period);
        tav::Unit1.SimulationMode = false;
        setFields(QStringLiteral("COM0"), QString::fromLatin1(period));
        BoxWatcher watcher(*form);
        press();
        ASSERT_EQ(watcher.seen.size(), 1u);
        EXPECT_EQ(watcher.seen[0].objectName, QStringLiteral("ErrorReport"));
        EXPECT_EQ(watcher.seen[0].text, QString::fromUtf8(message));
        EXPECT_EQ(watcher.seen[0].icon, QMessageBox::Critical);
        EXPECT_TRUE(tav::Unit1.SimulationMode);
        EXPECT_FALSE(form->Timer1->enabled()); // timer as it was
        EXPECT_EQ(form->Timer1->interval(), 1000u);
        EXPECT_EQ(form->Button2->text(), kOpen);
    }
}

TEST_F(PortWindow, SimulationNameWhilePollingTakesOverTheTicks)
{
    tavtest::ModbusSlave slave(pty.b(), QStringLiteral("250"));
    ASSERT_TRUE(slave.ready());
    setFields(pty.a(), QStringLiteral("0.1"));
    press();
    ASSERT_TRUE(tavtest::waitFor([] { return tav::Unit1.SampleCount >= 1; }, 2s));

    // A bad period: reported, but SimulationMode is set and the running
    // timer now simulates; the port stays open, no longer read or written.
    setFields(QStringLiteral("COM0"), QStringLiteral("abc"));
    BoxWatcher watcher(*form);
    press();
    ASSERT_EQ(watcher.seen.size(), 1u);
    spin(200ms); // the answer to the last request may still be on its way
    const int servedBefore = served(slave);
    const auto samples = tav::Unit1.SampleCount;
    ASSERT_TRUE(tavtest::waitFor([&] { return tav::Unit1.SampleCount >= samples + 3; }, 2s));
    EXPECT_EQ(served(slave), servedBefore);
    EXPECT_TRUE(form->XComm1->isOpen());
    EXPECT_EQ(form->Button2->text(), kClose);
    const double shown = form->iSevenSegmentAnalog1->value();
    EXPECT_TRUE(shown >= 20.0 && shown <= 29.2) << shown;

    // The next press with another name closes the port; the simulation goes on.
    setFields(pty.a(), QStringLiteral("0.1"));
    press();
    EXPECT_FALSE(form->XComm1->isOpen());
    EXPECT_EQ(form->Button2->text(), kOpen);
    const auto later = tav::Unit1.SampleCount;
    EXPECT_TRUE(tavtest::waitFor([&] { return tav::Unit1.SampleCount > later; }, 2s));
}

TEST_F(PortWindow, OpeningAfterTheSimulationNameKeepsSimulating)
{
    tavtest::ModbusSlave slave(pty.b(), QStringLiteral("250"));
    ASSERT_TRUE(slave.ready());
    setFields(QStringLiteral("COM0"), QStringLiteral("0.1"));
    press();
    EXPECT_TRUE(tav::Unit1.SimulationMode);
    EXPECT_EQ(form->Button2->text(), kOpen); // "COM0" leaves the caption alone
    EXPECT_FALSE(form->XComm1->isOpen());
    ASSERT_TRUE(tavtest::waitFor([] { return tav::Unit1.SampleCount >= 2; }, 2s));

    setFields(pty.a(), QStringLiteral("0.1"));
    press();
    EXPECT_TRUE(form->XComm1->isOpen());
    EXPECT_EQ(form->Button2->text(), kClose);
    const auto samples = tav::Unit1.SampleCount;
    ASSERT_TRUE(tavtest::waitFor([&] { return tav::Unit1.SampleCount >= samples + 4; }, 2s));
    EXPECT_EQ(served(slave), 0); // the port is never read or written
    EXPECT_EQ(logLines().size(), tav::Unit1.SampleCount);
}

TEST_F(PortWindow, FailedOpeningStopsTheSimulationAndTheNameRestartsIt)
{
    setFields(QStringLiteral("COM0"), QStringLiteral("0.1"));
    press();
    ASSERT_TRUE(tavtest::waitFor([] { return tav::Unit1.SampleCount >= 2; }, 2s));

    setFields(QStringLiteral("ttyNoSuchDevice"), QStringLiteral("0.1"));
    {
        BoxWatcher watcher(*form);
        press();
        expectOpenFailedBox(watcher);
    }
    expectClosedAndStopped();
    const auto samples = tav::Unit1.SampleCount;
    spin(300ms);
    EXPECT_EQ(tav::Unit1.SampleCount, samples);

    setFields(QStringLiteral("COM0"), QStringLiteral("0.1"));
    press();
    EXPECT_TRUE(tavtest::waitFor([&] { return tav::Unit1.SampleCount > samples; }, 2s));
}

TEST_F(PortWindow, ClosingTheWindowReleasesAnOpenPort)
{
    tavtest::ModbusSlave slave(pty.b(), QStringLiteral("250"));
    ASSERT_TRUE(slave.ready());
    setFields(pty.a(), QStringLiteral("0.1"));
    press();
    ASSERT_TRUE(tavtest::waitFor([] { return tav::Unit1.SampleCount >= 1; }, 2s));
    EXPECT_FALSE(othersCanOpen(pty.a()));
    form->close();
    form.reset();
    EXPECT_TRUE(othersCanOpen(pty.a()));
}

TEST_F(PortWindow, SimulatedReadingsLogWhatTheyShowAndRepeatAtEveryStart)
{
    setFields(QStringLiteral("COM0"), QStringLiteral("0.1"));
    press();
    ASSERT_TRUE(tavtest::waitFor([] { return tav::Unit1.SampleCount >= 5; }, 3s));
    form->Timer1->setEnabled(false);

    // A second start of the program: the same values in the same order.
    tav::Unit1 = {};
    TForm1 second;
    const std::size_t n = form->iPlot1->pointCount(0);
    for (std::size_t i = 0; i < n; ++i) {
        second.Button1Click();
        EXPECT_EQ(second.iPlot1->pointY(0, i), form->iPlot1->pointY(0, i)) << i;
        EXPECT_EQ(second.iSevenSegmentAnalog1->value(), second.iPlot1->pointY(0, i)) << i;
    }

    const QStringList lines = logLines();
    ASSERT_EQ(static_cast<std::size_t>(lines.size()), n);
    for (std::size_t i = 0; i < n; ++i) {
        const double y = form->iPlot1->pointY(0, i);
        EXPECT_EQ(form->iPlot1->pointX(0, i), static_cast<double>(i));
        EXPECT_TRUE(y >= static_cast<double>(20.1f) && y <= static_cast<double>(29.1f)) << y;
        EXPECT_EQ(static_cast<float>(y), static_cast<float>(std::floor(y)) + 0.1f) << y;
        // The log line carries the value shown and plotted.
        EXPECT_TRUE(lines[static_cast<int>(i)].endsWith(QLatin1Char(',') + QString::number(y, 'f', 1)))
            << lines[static_cast<int>(i)].toStdString();
    }
    EXPECT_EQ(form->iSevenSegmentAnalog1->value(), form->iPlot1->pointY(0, n - 1));
    EXPECT_EQ(form->iPlot1->pointCount(1), 0u);
    EXPECT_FALSE(form->iSevenSegmentAnalog2->isVisibleTo(form.get()));
}

TEST_F(PortWindow, UnpluggedDeviceIsReportedOnceAndThePortClosesItself)
{
    auto slave = std::make_unique<tavtest::ModbusSlave>(pty.b(), QStringLiteral("250"));
    ASSERT_TRUE(slave->ready());
    setFields(pty.a(), QStringLiteral("0.1"));
    press();
    ASSERT_TRUE(tavtest::waitFor([] { return tav::Unit1.SampleCount >= 1; }, 2s));

    // The report stays on screen for several periods while the timer goes on.
    BoxWatcher watcher(*form, 400ms);
    pty.kill();
    slave.reset();
    ASSERT_TRUE(tavtest::waitFor([&] { return !watcher.seen.empty() && !tav::errorReportShowing(); }, 3s));
    ASSERT_EQ(watcher.seen.size(), 1u);
    EXPECT_EQ(watcher.seen[0].objectName, QStringLiteral("ErrorReport"));
    EXPECT_EQ(watcher.seen[0].text, QStringLiteral("Unable to read from port. (error 5: Input/output error)"));
    EXPECT_EQ(watcher.seen[0].caption, kOpen); // already closed while the report shows
    EXPECT_EQ(watcher.mostOnScreen, 1);
    EXPECT_FALSE(form->XComm1->isOpen());
    EXPECT_EQ(form->Button2->text(), kOpen);
    EXPECT_TRUE(form->Timer1->isTicking());

    // Later ticks do nothing and raise nothing.
    const auto samples = tav::Unit1.SampleCount;
    const QString log = form->Memo1->toPlainText();
    spin(400ms);
    EXPECT_EQ(watcher.seen.size(), 1u);
    EXPECT_EQ(tav::Unit1.SampleCount, samples);
    EXPECT_EQ(form->Memo1->toPlainText(), log);

    // The device is back (a new pair): the next press opens it.
    tavtest::PtyPair again;
    ASSERT_TRUE(again.ok());
    tavtest::ModbusSlave slave2(again.b(), QStringLiteral("260"));
    ASSERT_TRUE(slave2.ready());
    form->Edit1->setText(again.a());
    press();
    EXPECT_TRUE(form->XComm1->isOpen());
    EXPECT_EQ(form->Button2->text(), kClose);
    EXPECT_TRUE(tavtest::waitFor([&] { return tav::Unit1.SampleCount > samples; }, 2s));
    EXPECT_EQ(form->iSevenSegmentAnalog1->value(), 26.0);
}

TEST_F(PortWindow, PortFieldOffersThePortsPresent)
{
    auto* completer = qobject_cast<tav::PortNameCompleter*>(form->Edit1->completer());
    ASSERT_NE(completer, nullptr);
    EXPECT_EQ(completer->names(), tav::SerialPort::availablePortNames());
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("COM1"));
}

TEST(PortNameCompleter, RereadsThePortsOnFocusAndKeepsWhatIsTyped)
{
    QStringList present{QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0"),
                        QStringLiteral("serial/by-id/usb-FTDI_FT232R-if00-port0")};
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* other = new QLineEdit(&window);
    auto* completer = new tav::PortNameCompleter(edit, [&] { return present; });
    EXPECT_EQ(completer->names(), present);

    present << QStringLiteral("ttyACM0"); // plugged in while the program runs
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    other->setFocus();
    edit->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(completer->names().contains(QStringLiteral("ttyACM0")));

    // Names that contain what is typed, case as typed.
    completer->setCompletionPrefix(QStringLiteral("USB"));
    EXPECT_EQ(completer->completionCount(), 1);
    completer->setCompletionPrefix(QStringLiteral("tty"));
    EXPECT_EQ(completer->completionCount(), 3);

    QTest::keyClicks(edit, QStringLiteral("tty"));
    EXPECT_EQ(edit->text(), QStringLiteral("tty")); // offered, never filled in
}

} // namespace

namespace {

TEST(PollTimer, KeepsTheIntervalAndTicksOnlyWhenItCan)
{
    tav::Timer timer;
    EXPECT_FALSE(timer.enabled());
    EXPECT_EQ(timer.interval(), 1000u);
    timer.setEnabled(true);
    EXPECT_TRUE(timer.isTicking());
    timer.setInterval(0); // never ticks, although enabled
    EXPECT_TRUE(timer.enabled());
    EXPECT_FALSE(timer.isTicking());
    timer.setInterval(4294966296u); // the period of "-1": more than QTimer takes
    EXPECT_EQ(timer.interval(), 4294966296u);
    EXPECT_TRUE(timer.isTicking());
    timer.setEnabled(false);
    EXPECT_FALSE(timer.isTicking());
    EXPECT_EQ(timer.interval(), 4294966296u);

    int ticks = 0;
    QObject::connect(&timer, &tav::Timer::timeout, [&] { ++ticks; });
    timer.setInterval(20);
    timer.setEnabled(true);
    EXPECT_TRUE(tavtest::waitFor([&] { return ticks >= 3; }, 2s));
}

} // namespace
