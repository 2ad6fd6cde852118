#include "trendplot.h"

#include <QPainter>

namespace tav {
namespace {

template <class T>
QString nextName(const std::vector<T>& items, const QString& word)
{
    int highest = 0;
    const QString prefix = word + QLatin1Char(' ');
    for (const T& item : items)
        if (item.name.startsWith(prefix))
            highest = std::max(highest, item.name.mid(prefix.size()).toInt());
    return prefix + QString::number(highest + 1);
}

} // namespace

TrendPlot::TrendPlot(QWidget* parent) : QWidget(parent)
{
    m_yAxes.push_back(PlotAxis{QStringLiteral("Y-Axis 1"), QStringLiteral("Y-Axis 1"), true, 0, 100});
    m_xAxes.push_back(PlotAxis{QStringLiteral("X-Axis 1"), QStringLiteral("X-Axis 1"), true, 0, 100});
    addChannel();
}

void TrendPlot::setTitleText(const QString& text)
{
    m_title = text;
    update();
}

void TrendPlot::removeAllChannels() { m_channels.clear(); update(); }
void TrendPlot::removeAllXAxes() { m_xAxes.clear(); update(); }

int TrendPlot::addChannel()
{
    PlotChannel c;
    c.name = nextName(m_channels, QStringLiteral("Channel"));
    c.titleText = c.name;
    if (!m_xAxes.empty())
        c.xAxisName = m_xAxes.front().name;
    m_channels.push_back(std::move(c));
    update();
    return channelCount() - 1;
}

int TrendPlot::addXAxis()
{
    PlotAxis a;
    a.name = nextName(m_xAxes, QStringLiteral("X-Axis"));
    a.title = a.name;
    m_xAxes.push_back(std::move(a));
    update();
    return xAxisCount() - 1;
}

void TrendPlot::appendPoint(int channelIndex, double x, double y)
{
    PlotChannel& c = channel(channelIndex);
    c.xs.push_back(x);
    c.ys.push_back(y);
    if (!m_xAxes.empty()) {
        PlotAxis& ax = m_xAxes.front();
        if (!ax.firstPointSeen) {
            ax.firstPointSeen = true;
            if (x < ax.min || x > ax.min + ax.span)
                ax.min = x;
        }
        if (x > ax.min + ax.span)
            ax.min = x - ax.span;
        else if (x < ax.min)
            ax.min = x;
    }
    PlotAxis& ay = m_yAxes.front();
    if (y > ay.min + ay.span)
        ay.span = y - ay.min;
    else if (y < ay.min)
        ay.min = y;
    update();
}

void TrendPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, Qt::blue);
    g.setColorAt(1, Qt::black);
    p.fillRect(rect(), g);
    p.setPen(Qt::white);
    p.drawText(rect().adjusted(0, 4, 0, 0), Qt::AlignHCenter | Qt::AlignTop, m_title);
}

} // namespace tav
