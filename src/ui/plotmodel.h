#pragma once
// The trend chart's elements without any widget: title, axes, channels and
// their points, the naming of new elements and the axes' following of new
// points. The chart widget paints what this holds.
#include "plotpoints.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <optional>
#include <vector>

namespace tav {

enum class Interpolation { StraightLine, CubicSpline };

// How an axis follows the points appended to the channels drawn against it.
enum class TrackingStyle {
    // Min moves so that the newest value stays in view; Span never changes.
    ScrollSmooth,
    // The range grows up to a larger value and moves down to a smaller one;
    // it never narrows by itself.
    ScaleMinMax,
};

struct PlotAxis {
    QString name;
    QString title;
    bool titleShow = false;
    double min = 0;
    double span = 100;
    TrackingStyle trackingStyle = TrackingStyle::ScrollSmooth;
    // When on, the first value reaching the axis moves Min to it if it lies
    // outside the range.
    bool trackingAlignFirst = false;
    bool firstValueSeen = false;
    QColor titleColor { Qt::white };
    QFont titleFont;
    QColor labelsColor { Qt::white };
    QFont labelsFont;
    bool gridLines = true;

    double max() const { return min + span; }
};

struct PlotChannel {
    QString name;
    QString titleText;
    QColor color { Qt::red };
    Interpolation interpolation = Interpolation::StraightLine;
    int traceLineWidth = 1;
    QString xAxisName;
    QString yAxisName;
    bool visible = true;
    bool xAxisTrackingEnabled = true;
    bool yAxisTrackingEnabled = true;
    PlotPoints points;
};

class PlotModel {
public:
    // The elements of an empty chart: one Y axis "Y-Axis 1", one X axis
    // "X-Axis 1" and one channel "Channel 1", titled "Untitled".
    PlotModel();

    QString titleText;
    QFont titleFont;
    QColor titleColor { Qt::white };
    QFont legendFont;
    QColor legendColor { Qt::white };
    QColor gridLineColor { 27, 27, 27 };
    // The channel the data cursor reads.
    QString cursorChannelName = QStringLiteral("Channel 1");

    int channelCount() const { return static_cast<int>(m_channels.size()); }
    int xAxisCount() const { return static_cast<int>(m_xAxes.size()); }
    int yAxisCount() const { return static_cast<int>(m_yAxes.size()); }
    // Throw std::out_of_range for an index that does not exist.
    PlotChannel& channel(int index) { return m_channels.at(static_cast<std::size_t>(index)); }
    const PlotChannel& channel(int index) const { return m_channels.at(static_cast<std::size_t>(index)); }
    PlotAxis& xAxis(int index) { return m_xAxes.at(static_cast<std::size_t>(index)); }
    const PlotAxis& xAxis(int index) const { return m_xAxes.at(static_cast<std::size_t>(index)); }
    PlotAxis& yAxis(int index) { return m_yAxes.at(static_cast<std::size_t>(index)); }
    const PlotAxis& yAxis(int index) const { return m_yAxes.at(static_cast<std::size_t>(index)); }

    void removeAllChannels() { m_channels.clear(); }
    void removeAllXAxes() { m_xAxes.clear(); }
    // A new element is named by its kind, a blank, and one more than the
    // highest number following that word among the existing names ("Channel
    // 1" when there is none). Returns its index.
    int addChannel();
    int addXAxis();

    // The axes a channel is drawn against: its named axis, or for an empty
    // Y-axis name the first Y axis. Null when no axis bears the name.
    const PlotAxis* xAxisOf(const PlotChannel& c) const;
    const PlotAxis* yAxisOf(const PlotChannel& c) const;
    int channelIndex(const QString& name) const;

    // Adds the point after the channel's last one, then lets the channel's X
    // axis follow X and its Y axis follow Y. Throws std::out_of_range for a
    // channel that does not exist. Values that are not finite are kept but
    // move no axis.
    void appendPoint(int channel, double x, double y);

    // The point of `channel` nearest to `x` among those with xLo <= X <= xHi
    // (the latest of equally near ones), or none.
    std::optional<std::size_t> nearestPoint(int channel, double x, double xLo, double xHi) const;

    std::size_t bytesUsed() const;

private:
    PlotAxis* findXAxis(const QString& name);
    PlotAxis* findYAxis(const QString& name);

    std::vector<PlotChannel> m_channels;
    std::vector<PlotAxis> m_xAxes;
    std::vector<PlotAxis> m_yAxes;
};

// The axis rules, on their own.
void followValue(PlotAxis& axis, double value);

} // namespace tav
