// The main window as built: components under their names, the layout,
// start-up, the log's line rule and the default error report.
#include "errorreport.h"
#include "logview.h"
#include "serialport.h"
#include "sevensegmentdisplay.h"
#include "tform1.h"
#include "timer.h"
#include "trendplot.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include <stdexcept>

namespace {

using tav::TForm1;

class FixedClock : public tav::Clock {
public:
    explicit FixedClock(tav::DateTime t) : m_t(t) {}
    tav::DateTime now() override { return m_t; }

private:
    tav::DateTime m_t;
};

// The module state is zero when the program loads; each test starts there.
struct FreshModule {
    FreshModule() { tav::Unit1 = {}; }
};

struct Window : ::testing::Test {
    FreshModule fresh;
    TForm1 form;
};

TEST_F(Window, EveryComponentUnderItsName)
{
    const char* names[] = {"Panel1", "rzlabel1", "Panel2", "iSevenSegmentAnalog1", "Button1", "Timer1",
                           "XComm1", "Button2", "Edit1", "iSevenSegmentAnalog2", "CheckBox1", "Panel3",
                           "SpeedButton1", "SpeedButton2", "PageControl1", "TabSheet1", "TabSheet2",
                           "iPlot1", "Memo1", "SaveDialog1", "OpenDialog1", "Edit2", "Label1"};
    for (const char* name : names)
        EXPECT_NE(form.findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(form.findChild<QPushButton*>("Button2"), form.Button2);
    EXPECT_EQ(form.findChild<tav::TrendPlot*>("iPlot1"), form.iPlot1);
}

TEST_F(Window, WindowTextsAndPlacement)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tavrelon-传感器实时监测软件"));
    EXPECT_EQ(form.size(), QSize(770, 672)); // client area
    EXPECT_EQ(form.pos(), QPoint(315, 103));
    EXPECT_FALSE(form.windowIcon().isNull());
    EXPECT_EQ(form.windowIcon().pixmap(32, 32).size(), QSize(32, 32));

    struct Control {
        QWidget* w;
        QRect geometry;
        QString text;
        int fontPx;
    };
    const Control controls[] = {
        {form.SpeedButton1, {8, 8, 113, 33}, QStringLiteral("保存文件"), 19},
        {form.SpeedButton2, {128, 8, 113, 33}, QStringLiteral("打开文件"), 19},
        {form.Label1, {536, 14, 131, 25}, QStringLiteral("采集周期(秒)    "), 19},
        {form.Edit2, {656, 12, 89, 33}, QStringLiteral("1"), 19},
        {form.rzlabel1, {24, 24, 150, 25}, QStringLiteral("实时温度(°C)"), 19},
        {form.Edit1, {544, 22, 97, 33}, QStringLiteral("COM1"), 19},
        {form.Button2, {652, 23, 100, 30}, QStringLiteral("打开串口"), 20},
    };
    for (const Control& c : controls) {
        EXPECT_EQ(c.w->geometry(), c.geometry) << c.w->objectName().toStdString();
        EXPECT_EQ(c.w->font().pixelSize(), c.fontPx) << c.w->objectName().toStdString();
        EXPECT_EQ(c.w->property("text").toString(), c.text) << c.w->objectName().toStdString();
    }
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_EQ(form.PageControl1->tabText(0), QStringLiteral("曲      线"));
    EXPECT_EQ(form.PageControl1->tabText(1), QStringLiteral("数      据"));
    EXPECT_EQ(form.Button1->text(), QStringLiteral("test"));
    EXPECT_EQ(form.CheckBox1->text(), QStringLiteral("高速采集"));
    EXPECT_EQ(form.SpeedButton1->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(form.SpeedButton2->focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(form.SpeedButton1->icon().isNull());
    EXPECT_FALSE(form.SpeedButton2->icon().isNull());
}

TEST_F(Window, StripsDockedAtTopAndPagesFillTheRest)
{
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.Panel3->geometry(), QRect(0, 0, 770, 48));
    EXPECT_EQ(form.Panel1->geometry(), QRect(0, 48, 770, 67));
    EXPECT_EQ(form.PageControl1->geometry(), QRect(0, 115, 770, 557));
    EXPECT_FALSE(form.Panel2->isVisible());
    EXPECT_FALSE(form.Button1->isVisible());
    EXPECT_FALSE(form.CheckBox1->isVisible());
    EXPECT_FALSE(form.iSevenSegmentAnalog2->isVisible());
    EXPECT_TRUE(form.iSevenSegmentAnalog1->isVisible());
    EXPECT_EQ(form.PageControl1->currentWidget(), form.TabSheet1);
    EXPECT_EQ(form.iPlot1->parentWidget(), form.TabSheet1);
    EXPECT_EQ(form.Memo1->parentWidget(), form.TabSheet2);
    // The log: the window's font, no scroll bars, takes the keyboard focus.
    EXPECT_EQ(form.Memo1->font(), form.font());
    EXPECT_EQ(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(form.Memo1->focusPolicy(), Qt::StrongFocus);

    // Resizing stretches the strips in width only; controls keep their place.
    form.resize(500, 800);
    QApplication::processEvents();
    EXPECT_EQ(form.Panel3->geometry(), QRect(0, 0, 500, 48));
    EXPECT_EQ(form.Panel1->geometry(), QRect(0, 48, 500, 67));
    EXPECT_EQ(form.PageControl1->geometry(), QRect(0, 115, 500, 685));
    EXPECT_EQ(form.Button2->geometry(), QRect(652, 23, 100, 30));
}

TEST_F(Window, TabOrder)
{
    EXPECT_EQ(form.Button2->nextInFocusChain(), form.Edit1);
    EXPECT_EQ(form.Edit1->nextInFocusChain(), form.Edit2);
    EXPECT_EQ(form.Edit2->nextInFocusChain(), form.PageControl1);
}

TEST_F(Window, StartUpSetsTemperatureAndLeavesThePortAlone)
{
    EXPECT_EQ(tav::Unit1.MeasureMode, 2);
    EXPECT_FALSE(tav::Unit1.SimulationMode);
    EXPECT_EQ(tav::Unit1.SampleCount, 0);
    EXPECT_FALSE(form.Timer1->enabled());
    EXPECT_FALSE(form.XComm1->isOpen());
    EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());
    // Both displays 10 pixels lower than laid out, with one decimal.
    EXPECT_EQ(form.iSevenSegmentAnalog1->y(), 24);
    EXPECT_EQ(form.iSevenSegmentAnalog2->y(), 24);
    EXPECT_EQ(form.iSevenSegmentAnalog1->precision(), 1);
    EXPECT_EQ(form.iSevenSegmentAnalog2->precision(), 1);
    // The chart set-up read the variant.
    EXPECT_EQ(form.iPlot1->titleText(), QStringLiteral("实时温度曲线"));
    EXPECT_EQ(form.iPlot1->channelCount(), 2);
}

TEST_F(Window, LogLineAlwaysStartsOnALineOfItsOwn)
{
    form.setClock(std::make_unique<FixedClock>(tav::encodeDateTime(2026, 12, 11, 9, 5, 3)));
    form.AppendLogLine(23.4f);
    EXPECT_EQ(form.Memo1->toPlainText(), QStringLiteral("09:05:03,23.4\n"));
    form.AppendLogLine(-0.1f);
    EXPECT_EQ(form.Memo1->toPlainText(), QStringLiteral("09:05:03,23.4\n09:05:03,-0.1\n"));

    // A log whose last line has no line break: the break goes before the new line.
    form.Memo1->setPlainText(QStringLiteral("08:00:00,1.0"));
    form.AppendLogLine(1500.0f);
    EXPECT_EQ(form.Memo1->toPlainText(), QStringLiteral("08:00:00,1.0\n09:05:03,1500.0"));
    form.AppendLogLine(2.0f);
    EXPECT_EQ(form.Memo1->toPlainText(), QStringLiteral("08:00:00,1.0\n09:05:03,1500.0\n09:05:03,2.0"));
}

TEST_F(Window, TickOnAClosedPortDoesNothing)
{
    form.setPause([] { ADD_FAILURE() << "no pause on a closed port"; });
    form.Timer1Timer();
    EXPECT_EQ(tav::Unit1.SampleCount, 0);
    EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());
}

TEST_F(Window, ErrorsThatEscapeAHandlerGoToTheDefaultReport)
{
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool nestedReportDropped = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        // A second failure while the box is open adds no second box.
        tav::runHandler(&form, [] { throw std::runtime_error("second"); });
        nestedReportDropped = QApplication::activeModalWidget() == box;
        box->button(QMessageBox::Ok)->click();
    });
    bool after = false;
    tav::runHandler(&form, [&] {
        throw std::runtime_error("Unable to read from port. (error 5: Input/output error)");
        after = true;
    });
    EXPECT_FALSE(after);
    EXPECT_EQ(title, QStringLiteral("tavrelon-monitor"));
    EXPECT_EQ(text, QStringLiteral("Unable to read from port. (error 5: Input/output error)"));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_TRUE(nestedReportDropped);
    EXPECT_FALSE(tav::errorReportShowing());
}

} // namespace
