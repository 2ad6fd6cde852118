#include "plotmodel.h"

#include <cmath>

namespace tav {
namespace {

template <class T> QString nextName(const std::vector<T>& items, const QString& word)
{
    int highest = 0;
    const QString prefix = word + QLatin1Char(' ');
    for (const T& item : items) {
        if (!item.name.startsWith(prefix))
            continue;
        bool ok = false;
        const int n = item.name.mid(prefix.size()).toInt(&ok);
        if (ok)
            highest = std::max(highest, n);
    }
    return prefix + QString::number(highest + 1);
}

QFont arial(int pixelSize, bool bold)
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

QFont sansSerif11()
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    return f;
}

PlotAxis newXAxis(const QString& name)
{
    PlotAxis a;
    a.name = name;
    a.title = name;
    a.trackingStyle = TrackingStyle::ScrollSmooth;
    a.trackingAlignFirst = true;
    QFont title(QStringLiteral("Arial"));
    title.setPointSize(10);
    title.setBold(true);
    a.titleFont = title;
    a.labelsFont = sansSerif11();
    return a;
}

} // namespace

void followValue(PlotAxis& axis, double value)
{
    if (!std::isfinite(value))
        return;
    switch (axis.trackingStyle) {
    case TrackingStyle::ScrollSmooth:
        if (axis.trackingAlignFirst && !axis.firstValueSeen && (value < axis.min || value > axis.max()))
            axis.min = value;
        if (value > axis.max())
            axis.min = value - axis.span;
        else if (value < axis.min)
            axis.min = value;
        break;
    case TrackingStyle::ScaleMinMax:
        if (value > axis.max())
            axis.span = value - axis.min;
        else if (value < axis.min)
            axis.min = value;
        break;
    }
    axis.firstValueSeen = true;
}

PlotModel::PlotModel()
{
    titleText = QStringLiteral("Untitled");
    titleFont = arial(19, true);
    legendFont = sansSerif11();

    PlotAxis y;
    y.name = QStringLiteral("Y-Axis 1");
    y.title = y.name;
    y.trackingStyle = TrackingStyle::ScaleMinMax;
    y.titleFont = arial(13, true);
    y.labelsFont = sansSerif11();
    m_yAxes.push_back(y);
    m_xAxes.push_back(newXAxis(QStringLiteral("X-Axis 1")));
    addChannel();
}

int PlotModel::addChannel()
{
    PlotChannel c;
    c.name = nextName(m_channels, QStringLiteral("Channel"));
    c.titleText = c.name;
    if (!m_channels.empty()) {
        // A colour of the chart's own; the only channel is red.
        static const QColor kColors[] = { Qt::blue, Qt::green, Qt::cyan, Qt::magenta, Qt::yellow, Qt::white };
        c.color = kColors[(m_channels.size() - 1) % std::size(kColors)];
    }
    if (!m_xAxes.empty())
        c.xAxisName = m_xAxes.front().name;
    m_channels.push_back(std::move(c));
    return channelCount() - 1;
}

int PlotModel::addXAxis()
{
    m_xAxes.push_back(newXAxis(nextName(m_xAxes, QStringLiteral("X-Axis"))));
    return xAxisCount() - 1;
}

PlotAxis* PlotModel::findXAxis(const QString& name)
{
    for (PlotAxis& a : m_xAxes)
        if (a.name == name)
            return &a;
    return nullptr;
}

PlotAxis* PlotModel::findYAxis(const QString& name)
{
    if (name.isEmpty())
        return m_yAxes.empty() ? nullptr : &m_yAxes.front();
    for (PlotAxis& a : m_yAxes)
        if (a.name == name)
            return &a;
    return nullptr;
}

const PlotAxis* PlotModel::xAxisOf(const PlotChannel& c) const
{
    return const_cast<PlotModel*>(this)->findXAxis(c.xAxisName);
}

const PlotAxis* PlotModel::yAxisOf(const PlotChannel& c) const
{
    return const_cast<PlotModel*>(this)->findYAxis(c.yAxisName);
}

int PlotModel::channelIndex(const QString& name) const
{
    for (int i = 0; i < channelCount(); ++i)
        if (m_channels[static_cast<std::size_t>(i)].name == name)
            return i;
    return -1;
}

void PlotModel::appendPoint(int channelIndex, double x, double y)
{
    PlotChannel& c = channel(channelIndex);
    c.points.append(x, y);
    if (c.xAxisTrackingEnabled)
        if (PlotAxis* ax = findXAxis(c.xAxisName))
            followValue(*ax, x);
    if (c.yAxisTrackingEnabled)
        if (PlotAxis* ay = findYAxis(c.yAxisName))
            followValue(*ay, y);
}

std::optional<std::size_t> PlotModel::nearestPoint(int channelIndex, double x, double xLo, double xHi) const
{
    const PlotPoints& pts = channel(channelIndex).points;
    std::optional<std::size_t> best;
    double bestDistance = 0;
    auto consider = [&](std::size_t i) {
        const double d = std::fabs(pts.x(i) - x);
        if (!best || d <= bestDistance) {
            best = i;
            bestDistance = d;
        }
    };
    for (const PlotPoints::Range& r : pts.visible(xLo, xHi)) {
        const std::size_t at = pts.lowerBound(r, x);
        // The last point left of x and the first at or right of it; of equal
        // X values the latest, so take the end of the equal stretch.
        if (at > r.begin)
            consider(at - 1);
        if (at < r.end)
            consider(pts.upperBound({ at, r.end }, pts.x(at)) - 1);
    }
    return best;
}

std::size_t PlotModel::bytesUsed() const
{
    std::size_t total = sizeof(*this);
    for (const PlotChannel& c : m_channels)
        total += c.points.bytesUsed();
    return total;
}

} // namespace tav
