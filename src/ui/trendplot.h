#pragma once
// The trend chart: channels of (X, Y) points drawn against one X and one Y
// axis, with the toolbar "Toolbar 1" for pausing, zooming, panning, the data
// cursor, the editor, copying, saving and printing.
#include "ploteditdialog.h"
#include "plotmodel.h"
#include "plotrenderer.h"
#include "plottoolbar.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <optional>

class QPrinter;
class QRubberBand;

namespace tav {

class TrendPlot : public QWidget {
    Q_OBJECT
public:
    explicit TrendPlot(QWidget* parent = nullptr);

    PlotModel& model() { return m_model; }
    const PlotModel& model() const { return m_model; }

    void setTitleText(const QString& text);
    QString titleText() const { return m_model.titleText; }

    void removeAllChannels();
    void removeAllXAxes();
    // Add an element named by kind and the next free number; returns its index.
    int addChannel();
    int addXAxis();

    int channelCount() const { return m_model.channelCount(); }
    int xAxisCount() const { return m_model.xAxisCount(); }
    PlotChannel& channel(int index) { return m_model.channel(index); }
    PlotAxis& xAxis(int index) { return m_model.xAxis(index); }
    PlotAxis& yAxis(int index) { return m_model.yAxis(index); }

    // Adds the point after the channel's last one, lets the axes follow it and
    // schedules a repaint. Throws std::out_of_range for a missing channel.
    void appendPoint(int channel, double x, double y);

    // The points a channel holds, in the order appended.
    std::size_t pointCount(int channel) const { return m_model.channel(channel).points.size(); }
    double pointX(int channel, std::size_t i) const { return m_model.channel(channel).points.x(i); }
    double pointY(int channel, std::size_t i) const { return m_model.channel(channel).points.y(i); }

    // --- What the operator sees and the toolbar's functions ---

    // The ranges in view: the axes' own while tracking, the frozen or the
    // operator's ranges while paused.
    PlotView view() const;
    bool isPaused() const { return m_paused; }
    // Pause freezes the view while points keep arriving; resume returns to
    // the axes, which kept following the points meanwhile.
    void pause();
    void resume();
    // Zooming and panning pause, so the chosen view holds.
    void zoomIn();
    void zoomOut();
    void zoomBy(double factor, const QPointF& pixelCentre);
    void panByPixels(const QPointF& delta);
    void zoomToPixelRect(const QRect& rect);
    void setView(const PlotView& view);

    enum class MouseMode { None, Axes, ZoomBox };
    void setMouseMode(MouseMode mode);
    MouseMode mouseMode() const { return m_mouseMode; }

    // The data cursor reads the point of "Channel 1" nearest to its X.
    void setCursorEnabled(bool on);
    bool cursorEnabled() const { return m_cursorEnabled; }
    void setCursorX(double x);
    std::optional<PlotCursorMark> cursorMark() const;

    PlotEditValues editValues() const;
    void applyEdit(const PlotEditValues& values);
    void openEditor();

    // The chart as an image of `size` (the widget's size by default), without
    // the toolbar.
    QImage renderImage(QSize size = {}) const;
    void copyToClipboard() const;
    // Writes SVG for a name ending in ".svg", otherwise a raster image in the
    // format the suffix names (PNG when there is none). False on failure.
    bool saveImage(const QString& path) const;
    void openSaveDialog();
    void printTo(QPrinter& printer) const;
    void openPrintDialog();

    // Paints the chart into `area` of any device.
    PlotPaintStats paintTo(QPainter& painter, const QRectF& area, qreal topInset = 0) const;
    // The data area of the widget as painted.
    QRectF dataArea() const;

    PlotToolbar* toolbar() const { return m_toolbar; }

    QSize sizeHint() const override { return { 770, 520 }; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void onToolbar(PlotToolbar::Button which);
    void syncButtons();
    qreal topInset() const;

    PlotModel m_model;
    PlotToolbar* m_toolbar;
    QRubberBand* m_rubberBand = nullptr;
    bool m_paused = false;
    PlotView m_view;
    MouseMode m_mouseMode = MouseMode::None;
    bool m_cursorEnabled = false;
    std::optional<double> m_cursorX;
    bool m_dragging = false;
    QPoint m_dragStart;
    QPoint m_dragLast;
};

} // namespace tav
