// Start-up set-up of the displays and the chart, per measurement variant.
#include "tform1.h"

#include "sevensegmentdisplay.h"
#include "trendplot.h"

#include <QLabel>

namespace tav {

void TForm1::displaySetup()
{
    // Two separate tests, in this order; exactly one matches at start-up.
    if (Unit1.MeasureMode == 1) {
        rzlabel1->setText(QStringLiteral("实时距离(mm)"));
        iSevenSegmentAnalog1->setPrecision(0);
        iSevenSegmentAnalog2->setPrecision(0);
        iSevenSegmentAnalog1->move(iSevenSegmentAnalog1->x(), iSevenSegmentAnalog1->y() + 10);
        iSevenSegmentAnalog2->move(iSevenSegmentAnalog2->x(), iSevenSegmentAnalog2->y() + 10);
    }
    if (Unit1.MeasureMode == 2) {
        rzlabel1->setText(QStringLiteral("实时温度(°C)"));
        iSevenSegmentAnalog1->setPrecision(1);
        iSevenSegmentAnalog2->setPrecision(1);
        iSevenSegmentAnalog1->move(iSevenSegmentAnalog1->x(), iSevenSegmentAnalog1->y() + 10);
        iSevenSegmentAnalog2->move(iSevenSegmentAnalog2->x(), iSevenSegmentAnalog2->y() + 10);
    }
}

void TForm1::iplot_init()
{
    const bool temperature = Unit1.MeasureMode == 2;
    TrendPlot& plot = *iPlot1;
    plot.removeAllChannels();
    plot.removeAllXAxes();
    plot.setTitleText(temperature ? QStringLiteral("实时温度曲线") : QStringLiteral("实时距离曲线"));
    plot.yAxis(0).span = temperature ? 40.0 : 4000.0;
    plot.yAxis(0).min = 0.0;
    plot.yAxis(0).title = temperature ? QStringLiteral("温度值(°C)") : QStringLiteral("距离值(mm)");
    plot.yAxis(0).titleShow = true;
    plot.addChannel();
    plot.channel(0).titleText = temperature ? QStringLiteral("温度1") : QStringLiteral("距离1");
    plot.channel(0).color = QColor(255, 0, 0);
    plot.channel(0).interpolation = Interpolation::CubicSpline;
    plot.channel(0).traceLineWidth = 2;
    plot.addXAxis();
    plot.xAxis(0).title = QStringLiteral("采样时间(S)");
    plot.xAxis(0).titleShow = true;
    plot.xAxis(0).span = 100.0;
    plot.channel(0).xAxisName = plot.xAxis(0).name;
    plot.xAxis(0).labelsColor = QColor(255, 0, 0);
    plot.addChannel();
    plot.channel(1).titleText = temperature ? QStringLiteral("温度2") : QStringLiteral("距离2");
    plot.channel(1).color = QColor(255, 255, 0);
    plot.channel(1).traceLineWidth = 2;
    plot.channel(1).xAxisName = plot.xAxis(0).name;
    plot.update();
}

} // namespace tav
