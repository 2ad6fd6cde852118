#include "tform1.h"

#include "errorreport.h"
#include "filedialog.h"
#include "icons.h"
#include "logview.h"
#include "polltick.h"
#include "serialport.h"
#include "sevensegmentdisplay.h"
#include "systemclock.h"
#include "timer.h"
#include "trendplot.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <chrono>
#include <thread>

namespace tav {

ModuleState Unit1;
TForm1* Form1 = nullptr;

namespace {

QFont uiFont(int pixelSize)
{
    QFont f(QStringLiteral("微软雅黑"));
    f.setPixelSize(pixelSize);
    return f;
}

template <class W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QFrame* strip(QWidget* parent, const char* name, int height)
{
    auto* panel = named(new QFrame(parent), name);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setFixedHeight(height);
    return panel;
}

} // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent), m_clock(std::make_unique<SystemClock>())
{
    m_decimalSeparator = QLocale().decimalPoint().toStdString();
    m_pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(25)); };
    Form1 = this;
    buildLayout();
    portControlSetup();
    FormCreate();
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::buildLayout()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tavrelon-传感器实时监测软件"));
    setWindowIcon(checkMarkIcon());
    QFont base(QStringLiteral("MS Sans Serif"));
    base.setPixelSize(11);
    setFont(base);

    // Components in declared order; each under its own name.
    Panel1 = strip(this, "Panel1", 67);
    rzlabel1 = named(new QLabel(QStringLiteral("实时距离（mm）"), Panel1), "rzlabel1");
    Panel2 = strip(this, "Panel2", 1);
    iSevenSegmentAnalog1 = named(new SevenSegmentDisplay(Panel1), "iSevenSegmentAnalog1");
    Button1 = named(new QPushButton(QStringLiteral("test"), Panel1), "Button1");
    Timer1 = named(new Timer(this), "Timer1");
    XComm1 = named(new SerialPort(this), "XComm1");
    Button2 = named(new QPushButton(QStringLiteral("打开串口"), Panel1), "Button2");
    Edit1 = named(new QLineEdit(QStringLiteral("COM1"), Panel1), "Edit1");
    iSevenSegmentAnalog2 = named(new SevenSegmentDisplay(Panel1), "iSevenSegmentAnalog2");
    CheckBox1 = named(new QCheckBox(QStringLiteral("高速采集"), Panel1), "CheckBox1");
    Panel3 = strip(this, "Panel3", 48);
    SpeedButton1 = named(new QToolButton(Panel3), "SpeedButton1");
    SpeedButton2 = named(new QToolButton(Panel3), "SpeedButton2");
    PageControl1 = named(new QTabWidget(this), "PageControl1");
    TabSheet1 = named(new QWidget, "TabSheet1");
    TabSheet2 = named(new QWidget, "TabSheet2");
    iPlot1 = named(new TrendPlot(TabSheet1), "iPlot1");
    Memo1 = named(new LogView(TabSheet2), "Memo1");
    SaveDialog1 = named(new FileDialog(FileDialog::Kind::Save, this), "SaveDialog1");
    OpenDialog1 = named(new FileDialog(FileDialog::Kind::Open, this), "OpenDialog1");
    Edit2 = named(new QLineEdit(QStringLiteral("1"), Panel3), "Edit2");
    Label1 = named(new QLabel(QStringLiteral("采集周期(秒)    "), Panel3), "Label1");

    // Panel3: file buttons and the acquisition period.
    for (QToolButton* b : {SpeedButton1, SpeedButton2}) {
        b->setAutoRaise(true); // flat
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setFont(uiFont(19));
        b->setIconSize(QSize(16, 16));
    }
    SpeedButton1->setText(QStringLiteral("保存文件"));
    SpeedButton1->setIcon(QIcon(saveGlyph()));
    SpeedButton1->setGeometry(8, 8, 113, 33);
    SpeedButton2->setText(QStringLiteral("打开文件"));
    SpeedButton2->setIcon(QIcon(openGlyph()));
    SpeedButton2->setGeometry(128, 8, 113, 33);
    Label1->setFont(uiFont(19));
    Label1->setGeometry(536, 14, 131, 25);
    Edit2->setFont(uiFont(19));
    Edit2->setGeometry(656, 12, 89, 33);

    // Panel1: the value displays and the port controls.
    rzlabel1->setFont(uiFont(19));
    rzlabel1->setGeometry(24, 24, 150, 25);
    iSevenSegmentAnalog1->setGeometry(170, 14, 119, 43);
    iSevenSegmentAnalog2->setGeometry(296, 14, 113, 43);
    for (SevenSegmentDisplay* d : {iSevenSegmentAnalog1, iSevenSegmentAnalog2}) {
        d->setSegmentColor(QColor(0, 255, 0)); // lime
        d->setPrecision(0);
    }
    iSevenSegmentAnalog2->setVisible(false);
    Edit1->setFont(uiFont(19));
    Edit1->setGeometry(544, 22, 97, 33);
    Button2->setFont(uiFont(20));
    Button2->setGeometry(652, 23, 100, 30);
    Button1->setVisible(false);
    CheckBox1->setVisible(false);
    Panel2->setVisible(false);

    // Pages: the chart and the log, each filled by its one control.
    PageControl1->addTab(TabSheet1, QStringLiteral("曲      线"));
    PageControl1->addTab(TabSheet2, QStringLiteral("数      据"));
    for (auto [page, content] : {std::pair<QWidget*, QWidget*>{TabSheet1, iPlot1}, {TabSheet2, Memo1}}) {
        auto* fill = new QVBoxLayout(page);
        fill->setContentsMargins(0, 0, 0, 0);
        fill->addWidget(content);
    }
    PageControl1->setCurrentWidget(TabSheet1);
    Memo1->setAccessibleName(PageControl1->tabText(1));

    // Strips docked at the top in order, the page control fills the rest; the
    // hidden 1-pixel strip takes no space.
    auto* dock = new QVBoxLayout(this);
    dock->setContentsMargins(0, 0, 0, 0);
    dock->setSpacing(0);
    dock->addWidget(Panel2);
    dock->addWidget(Panel3);
    dock->addWidget(Panel1);
    dock->addWidget(PageControl1, 1);

    // Tab order: Panel1 (Button2, Edit1), Panel3 (Edit2), then the pages.
    setTabOrder(Button2, Edit1);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, PageControl1);

    // Events.
    connect(Timer1, &Timer::timeout, this, [this] { runHandler(this, [this] { Timer1Timer(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { runHandler(this, [this] { Button2Click(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { runHandler(this, [this] { Button1Click(); }); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { runHandler(this, [this] { SpeedButton1Click(); }); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { runHandler(this, [this] { SpeedButton2Click(); }); });

    // Where it was laid out, not centred: outer position 315, 103; client 770 x 672.
    move(315, 103);
    resize(770, 672);
}

void TForm1::ComPort1RxFlag() {}

void TForm1::COMM_init() {}

void TForm1::FormClose() {}

void TForm1::FormCreate()
{
    Unit1.MeasureMode = 2;
    displaySetup();
    COMM_init();
    iplot_init();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TForm1::Timer1Timer()
{
    const TickHooks hooks{m_pause, [this] { Button1Click(); }};
    pollTick(Unit1, *XComm1, *this, hooks);
}

void TForm1::AppendLogLine(float reading)
{
    Memo1->appendLogLine(formatLogLine(*m_clock, m_decimalSeparator, reading));
}

void TForm1::showValue(int display, double value)
{
    (display == 1 ? iSevenSegmentAnalog1 : iSevenSegmentAnalog2)->setValue(value);
}

void TForm1::setSecondDisplayVisible(bool visible)
{
    iSevenSegmentAnalog2->setVisible(visible);
}

void TForm1::appendPoint(int channel, double x, double y)
{
    iPlot1->appendPoint(channel, x, y);
}

void TForm1::setClock(std::unique_ptr<Clock> clock)
{
    m_clock = std::move(clock);
}

} // namespace tav
