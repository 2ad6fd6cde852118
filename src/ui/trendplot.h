#pragma once
// The trend chart: channels of (X, Y) points drawn against one X and one Y axis.
#include <QColor>
#include <QString>
#include <QWidget>

#include <vector>

namespace tav {

struct PlotAxis {
    QString name;
    QString title;
    bool titleShow = false;
    double min = 0;
    double span = 100;
    QColor labelsColor{Qt::white};
    bool firstPointSeen = false; // X axes: the first-point rule has been applied
};

enum class Interpolation { StraightLine, CubicSpline };

struct PlotChannel {
    QString name;
    QString titleText;
    QColor color{Qt::red};
    Interpolation interpolation = Interpolation::StraightLine;
    int traceLineWidth = 1;
    QString xAxisName;
    std::vector<double> xs, ys;
};

class TrendPlot : public QWidget {
    Q_OBJECT
public:
    explicit TrendPlot(QWidget* parent = nullptr);

    void setTitleText(const QString& text);
    QString titleText() const { return m_title; }

    void removeAllChannels();
    void removeAllXAxes();
    // Add an element named by kind and the next free number; returns its index.
    int addChannel();
    int addXAxis();

    int channelCount() const { return static_cast<int>(m_channels.size()); }
    int xAxisCount() const { return static_cast<int>(m_xAxes.size()); }
    PlotChannel& channel(int index) { return m_channels.at(static_cast<std::size_t>(index)); }
    PlotAxis& xAxis(int index) { return m_xAxes.at(static_cast<std::size_t>(index)); }
    PlotAxis& yAxis(int index) { return m_yAxes.at(static_cast<std::size_t>(index)); }

    // Adds the point after the channel's last one, lets the axes follow it and
    // schedules a repaint.
    void appendPoint(int channel, double x, double y);

    // The points a channel holds, in the order appended.
    std::size_t pointCount(int channel) const { return m_channels.at(static_cast<std::size_t>(channel)).xs.size(); }
    double pointX(int channel, std::size_t i) const { return m_channels.at(static_cast<std::size_t>(channel)).xs.at(i); }
    double pointY(int channel, std::size_t i) const { return m_channels.at(static_cast<std::size_t>(channel)).ys.at(i); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    std::vector<PlotChannel> m_channels;
    std::vector<PlotAxis> m_xAxes;
    std::vector<PlotAxis> m_yAxes;
};

} // namespace tav
