// The chart widget offscreen: what it paints, and the toolbar's functions.
#include "plotrenderer.h"
#include "trendplot.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMouseEvent>
#include <QPrinter>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWheelEvent>

namespace {

// A chart set up as the temperature variant has it.
struct Chart : ::testing::Test {
    tav::TrendPlot plot;

    Chart()
    {
        plot.resize(770, 520);
        plot.removeAllChannels();
        plot.removeAllXAxes();
        plot.setTitleText(QStringLiteral("实时温度曲线"));
        plot.yAxis(0).span = 40;
        plot.yAxis(0).min = 0;
        plot.yAxis(0).title = QStringLiteral("温度值(°C)");
        plot.yAxis(0).titleShow = true;
        plot.addChannel();
        plot.channel(0).titleText = QStringLiteral("温度1");
        plot.channel(0).interpolation = tav::Interpolation::CubicSpline;
        plot.channel(0).traceLineWidth = 2;
        plot.addXAxis();
        plot.xAxis(0).title = QStringLiteral("采样时间(S)");
        plot.xAxis(0).titleShow = true;
        plot.channel(0).xAxisName = plot.xAxis(0).name;
        plot.xAxis(0).labelsColor = QColor(255, 0, 0);
        plot.addChannel();
        plot.channel(1).titleText = QStringLiteral("温度2");
        plot.channel(1).color = QColor(255, 255, 0);
        plot.channel(1).traceLineWidth = 2;
    }

    QToolButton* button(const char* name) { return plot.findChild<QToolButton*>(QLatin1String(name)); }

    static int countPixels(const QImage& image, const QRect& area, bool (*match)(QColor))
    {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += match(image.pixelColor(x, y));
        return n;
    }
};

bool isRed(QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; }
bool isYellow(QColor c) { return c.red() > 200 && c.green() > 200 && c.blue() < 60; }
bool isWhite(QColor c) { return c.red() > 200 && c.green() > 200 && c.blue() > 200; }

TEST_F(Chart, PaintsGradientTraceLegendAndRedXLabels)
{
    for (int i = 0; i <= 60; ++i)
        plot.appendPoint(0, i, 20 + (i % 10) * 0.5);
    const QImage image = plot.renderImage();
    ASSERT_EQ(image.size(), QSize(770, 520));

    const QColor top = image.pixelColor(3, 3), bottom = image.pixelColor(3, 516);
    EXPECT_GT(top.blue(), 220);
    EXPECT_LT(top.red() + top.green(), 20);
    EXPECT_LT(bottom.blue(), 20);
    EXPECT_LT(bottom.red() + bottom.green(), 20);

    const tav::PlotGeometry g = tav::plotGeometry(plot.model(), plot.view(), QRectF(0, 0, 770, 520), 0);
    const QRect data = g.dataArea.toRect().adjusted(2, 2, -2, -2);
    EXPECT_GT(countPixels(image, data, isRed), 200); // channel 0 over 60 % of the width
    const int rowH = g.legend.height() / 2;
    const QRect legendRow0(g.legend.left(), g.legend.top(), g.legend.width(), rowH);
    const QRect legendRow1(g.legend.left(), g.legend.top() + rowH, g.legend.width(), rowH);
    EXPECT_GT(countPixels(image, legendRow0, isRed), 10);
    EXPECT_GT(countPixels(image, legendRow1, isYellow), 10);
    EXPECT_GT(countPixels(image, g.legend.toRect(), isWhite), 10); // the titles
    EXPECT_GT(countPixels(image, g.xLabels.toRect(), isRed), 10);
    EXPECT_GT(countPixels(image, g.title.toRect(), isWhite), 50);
    // Grid lines in dark grey with r = g = b = 27.
    EXPECT_GT(countPixels(image, data, [](QColor c) { return c == QColor(27, 27, 27); }), 100);
}

TEST_F(Chart, RepaintVisitsOnlyThePointsInView)
{
    for (int i = 0; i < 300000; ++i)
        plot.appendPoint(0, static_cast<quint16>(i), 20);
    QImage image(770, 520, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    // The live view: 101 samples of the newest pass and their neighbours in
    // the earlier passes; never the 300000 points held.
    const tav::PlotPaintStats live = plot.paintTo(p, QRectF(0, 0, 770, 520));
    EXPECT_LT(live.pointsVisited, 1000u);
    EXPECT_EQ(live.columnsDrawn, 0u);
    // Everything in view: drawn per pixel column, not point by point.
    plot.setView({ 0, 65536, 0, 40 });
    const tav::PlotPaintStats all = plot.paintTo(p, QRectF(0, 0, 770, 520));
    EXPECT_EQ(all.pointsVisited, 0u);
    EXPECT_GT(all.columnsDrawn, 0u);
    EXPECT_LT(all.columnsDrawn, 5u * 800u);
}

TEST_F(Chart, PauseFreezesTheViewAndResumeReturnsToTracking)
{
    ASSERT_TRUE(button("pauseButton"));
    ASSERT_TRUE(button("resumeButton"));
    for (int i = 0; i <= 150; ++i)
        plot.appendPoint(0, i, 20);
    button("pauseButton")->click();
    EXPECT_TRUE(plot.isPaused());
    EXPECT_FALSE(button("pauseButton")->isEnabled());
    for (int i = 151; i <= 400; ++i)
        plot.appendPoint(0, i, 60);
    EXPECT_DOUBLE_EQ(plot.view().xMin, 50); // frozen
    EXPECT_DOUBLE_EQ(plot.view().ySpan, 40);
    EXPECT_DOUBLE_EQ(plot.xAxis(0).min, 300); // the axes kept following
    EXPECT_EQ(plot.pointCount(0), 401u);
    button("resumeButton")->click();
    EXPECT_FALSE(plot.isPaused());
    EXPECT_DOUBLE_EQ(plot.view().xMin, 300);
    EXPECT_DOUBLE_EQ(plot.view().ySpan, 60);
}

TEST_F(Chart, ZoomInAndOutByTwoAroundTheCentre)
{
    button("zoomInButton")->click();
    tav::PlotView v = plot.view();
    EXPECT_TRUE(plot.isPaused()); // the zoomed view holds while points arrive
    EXPECT_DOUBLE_EQ(v.xMin, 25);
    EXPECT_DOUBLE_EQ(v.xSpan, 50);
    EXPECT_DOUBLE_EQ(v.yMin, 10);
    EXPECT_DOUBLE_EQ(v.ySpan, 20);
    button("zoomOutButton")->click();
    button("zoomOutButton")->click();
    v = plot.view();
    EXPECT_DOUBLE_EQ(v.xMin, -50);
    EXPECT_DOUBLE_EQ(v.xSpan, 200);
    button("resumeButton")->click();
    EXPECT_DOUBLE_EQ(plot.view().xSpan, 100);
}

TEST_F(Chart, ZoomBoxDragsARubberBandAndZoomsToIt)
{
    button("zoomBoxButton")->click();
    EXPECT_EQ(plot.mouseMode(), tav::TrendPlot::MouseMode::ZoomBox);
    const QRectF area = plot.dataArea();
    const QPointF from(area.left() + area.width() / 4, area.top() + area.height() / 4);
    const QPointF to(area.left() + area.width() * 3 / 4, area.top() + area.height() * 3 / 4);
    auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, plot.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&plot, &e);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    const tav::PlotView v = plot.view();
    EXPECT_NEAR(v.xMin, 25, 1.0);
    EXPECT_NEAR(v.xSpan, 50, 1.0);
    EXPECT_NEAR(v.yMin, 10, 0.5);
    EXPECT_NEAR(v.ySpan, 20, 0.5);
}

TEST_F(Chart, AxesModePansByDragAndZoomsByWheel)
{
    button("axesModeButton")->click();
    EXPECT_TRUE(button("axesModeButton")->isChecked());
    const QRectF area = plot.dataArea();
    const QPointF c = area.center();
    QMouseEvent press(QEvent::MouseButtonPress, c, plot.mapToGlobal(c), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&plot, &press);
    const QPointF left = c - QPointF(area.width() / 10, 0);
    QMouseEvent move(QEvent::MouseMove, left, plot.mapToGlobal(left), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&plot, &move);
    EXPECT_NEAR(plot.view().xMin, 10, 0.2); // a tenth of the width to the left, to the pixel
    QMouseEvent release(
        QEvent::MouseButtonRelease, left, plot.mapToGlobal(left), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&plot, &release);

    QWheelEvent wheel(area.center(), plot.mapToGlobal(area.center()), QPoint(), QPoint(0, 120), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&plot, &wheel);
    EXPECT_NEAR(plot.view().xSpan, 80, 1e-6);
    EXPECT_NEAR(plot.view().xMin, 20, 0.2); // around the wheel's place
}

TEST_F(Chart, CursorReadsTheNearestPointOfChannel1)
{
    for (int i = 0; i <= 50; ++i)
        plot.appendPoint(0, i, i * 0.5);
    plot.appendPoint(1, 10, 99); // another channel: not read
    button("cursorButton")->click();
    EXPECT_TRUE(plot.cursorEnabled());
    plot.setCursorX(20.4);
    const auto mark = plot.cursorMark();
    ASSERT_TRUE(mark);
    EXPECT_DOUBLE_EQ(mark->x, 20);
    EXPECT_DOUBLE_EQ(mark->y, 10);
    EXPECT_EQ(mark->text, QStringLiteral("X: 20  Y: 10"));
    button("cursorButton")->click();
    EXPECT_FALSE(plot.cursorMark());
}

TEST_F(Chart, EditSetsAxisRangesAndChannelVisibility)
{
    tav::PlotEditValues e = plot.editValues();
    ASSERT_EQ(e.channelTitles.size(), 2u);
    EXPECT_EQ(e.channelTitles[1], QStringLiteral("温度2"));
    e.xMin = 500;
    e.xSpan = 250;
    e.yMin = -10;
    e.ySpan = 80;
    e.channelVisible = { true, false };
    plot.applyEdit(e);
    EXPECT_DOUBLE_EQ(plot.xAxis(0).min, 500);
    EXPECT_DOUBLE_EQ(plot.xAxis(0).span, 250);
    EXPECT_DOUBLE_EQ(plot.yAxis(0).min, -10);
    EXPECT_DOUBLE_EQ(plot.yAxis(0).span, 80);
    EXPECT_FALSE(plot.channel(1).visible);
    EXPECT_DOUBLE_EQ(plot.view().xMin, 500);

    tav::PlotEditDialog dialog(plot.editValues());
    EXPECT_EQ(dialog.values().xSpan, 250);
    EXPECT_EQ(dialog.values().channelVisible, (std::vector<bool> { true, false }));
}

TEST_F(Chart, SavesPngAndSvgAndCopiesToTheClipboard)
{
    for (int i = 0; i <= 30; ++i)
        plot.appendPoint(0, i, 25);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath(QStringLiteral("chart.png"));
    const QString svg = dir.filePath(QStringLiteral("chart.svg"));
    ASSERT_TRUE(plot.saveImage(png));
    ASSERT_TRUE(plot.saveImage(svg));
    const QImage loaded(png);
    EXPECT_EQ(loaded.size(), QSize(770, 520));
    EXPECT_GT(loaded.pixelColor(3, 3).blue(), 220);
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("<svg"));
    EXPECT_TRUE(text.contains("width=\"770"));
    EXPECT_FALSE(plot.saveImage(dir.filePath(QStringLiteral("missing/dir/chart.png"))));

    button("copyButton")->click();
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(770, 520));
}

TEST_F(Chart, ToolbarHasEverySmallFlatButton)
{
    const char* names[] = { "resumeButton", "pauseButton", "axesModeButton", "zoomInButton", "zoomOutButton",
        "zoomBoxButton", "cursorButton", "editButton", "copyButton", "saveButton", "printButton" };
    ASSERT_TRUE(plot.findChild<QWidget*>(QStringLiteral("Toolbar 1")));
    for (const char* name : names) {
        QToolButton* b = button(name);
        ASSERT_TRUE(b) << name;
        EXPECT_TRUE(b->autoRaise()) << name;
        EXPECT_LE(b->sizeHint().height(), 24) << name;
        EXPECT_FALSE(b->toolTip().isEmpty()) << name;
    }
}

} // namespace

namespace {

TEST_F(Chart, PrintsThePictureOntoThePrintersPage)
{
    for (int i = 0; i <= 30; ++i)
        plot.appendPoint(0, i, 25);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("chart.pdf")));
    plot.printTo(printer);
    QFile pdf(printer.outputFileName());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
    EXPECT_GT(pdf.size(), 2000);
}

TEST_F(Chart, ZoomStopsAtTheLimitsOfTheScale)
{
    for (int i = 0; i < 200; ++i)
        plot.zoomIn();
    EXPECT_GE(plot.view().xSpan, 1e-9);
    for (int i = 0; i < 400; ++i)
        plot.zoomOut();
    EXPECT_LE(plot.view().xSpan, 1e15);
    const QImage image = plot.renderImage(); // paints without failing at either end
    EXPECT_FALSE(image.isNull());
}

} // namespace
