#include "trendplot.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRubberBand>
#include <QSvgGenerator>
#include <QToolButton>
#include <QWheelEvent>

#include <cmath>

namespace tav {

TrendPlot::TrendPlot(QWidget* parent)
    : QWidget(parent)
    , m_toolbar(new PlotToolbar(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    m_toolbar->move(0, 0);
    m_toolbar->adjustSize();
    connect(m_toolbar, &PlotToolbar::clicked, this, &TrendPlot::onToolbar);
    syncButtons();
}

void TrendPlot::setTitleText(const QString& text)
{
    m_model.titleText = text;
    update();
}

void TrendPlot::removeAllChannels()
{
    m_model.removeAllChannels();
    update();
}

void TrendPlot::removeAllXAxes()
{
    m_model.removeAllXAxes();
    update();
}

int TrendPlot::addChannel()
{
    const int i = m_model.addChannel();
    update();
    return i;
}

int TrendPlot::addXAxis()
{
    const int i = m_model.addXAxis();
    update();
    return i;
}

void TrendPlot::appendPoint(int channel, double x, double y)
{
    m_model.appendPoint(channel, x, y);
    update();
}

PlotView TrendPlot::view() const
{
    if (m_paused)
        return m_view;
    PlotView v = m_view;
    if (m_model.xAxisCount() > 0) {
        v.xMin = m_model.xAxis(0).min;
        v.xSpan = m_model.xAxis(0).span;
    }
    if (m_model.yAxisCount() > 0) {
        v.yMin = m_model.yAxis(0).min;
        v.ySpan = m_model.yAxis(0).span;
    }
    return v;
}

void TrendPlot::pause()
{
    if (!m_paused) {
        m_view = view();
        m_paused = true;
    }
    syncButtons();
    update();
}

void TrendPlot::resume()
{
    m_paused = false;
    syncButtons();
    update();
}

void TrendPlot::setView(const PlotView& v)
{
    // Zooming stops where the scale would lose its digits or its range.
    auto usable = [](double min, double span) {
        return std::isfinite(min) && std::isfinite(span) && span >= 1e-9 && span <= 1e15 && std::fabs(min) <= 1e15;
    };
    if (!usable(v.xMin, v.xSpan) || !usable(v.yMin, v.ySpan))
        return;
    m_view = v;
    m_paused = true;
    syncButtons();
    update();
}

void TrendPlot::zoomBy(double factor, const QPointF& pixelCentre)
{
    const PlotView v = view();
    const QRectF area = dataArea();
    const double fx = area.width() > 0 ? (pixelCentre.x() - area.left()) / area.width() : 0.5;
    const double fy = area.height() > 0 ? (area.bottom() - pixelCentre.y()) / area.height() : 0.5;
    const double cx = v.xMin + fx * v.xSpan, cy = v.yMin + fy * v.ySpan;
    PlotView z = v;
    z.xSpan = v.xSpan / factor;
    z.ySpan = v.ySpan / factor;
    z.xMin = cx - fx * z.xSpan;
    z.yMin = cy - fy * z.ySpan;
    setView(z);
}

void TrendPlot::zoomIn() { zoomBy(2.0, dataArea().center()); }

void TrendPlot::zoomOut() { zoomBy(0.5, dataArea().center()); }

void TrendPlot::panByPixels(const QPointF& delta)
{
    const QRectF area = dataArea();
    if (area.width() <= 0 || area.height() <= 0)
        return;
    PlotView v = view();
    v.xMin -= delta.x() * v.xSpan / area.width();
    v.yMin += delta.y() * v.ySpan / area.height();
    setView(v);
}

void TrendPlot::zoomToPixelRect(const QRect& rect)
{
    const QRectF area = dataArea();
    const QRectF r = QRectF(rect.normalized()).intersected(area);
    if (r.width() < 3 || r.height() < 3)
        return;
    const PlotView v = view();
    PlotView z;
    z.xMin = v.xMin + (r.left() - area.left()) / area.width() * v.xSpan;
    z.xSpan = r.width() / area.width() * v.xSpan;
    z.yMin = v.yMin + (area.bottom() - r.bottom()) / area.height() * v.ySpan;
    z.ySpan = r.height() / area.height() * v.ySpan;
    setView(z);
}

void TrendPlot::setMouseMode(MouseMode mode)
{
    m_mouseMode = mode;
    syncButtons();
}

void TrendPlot::setCursorEnabled(bool on)
{
    m_cursorEnabled = on;
    if (on && !m_cursorX) {
        const PlotView v = view();
        m_cursorX = v.xMin + v.xSpan / 2;
    }
    syncButtons();
    update();
}

void TrendPlot::setCursorX(double x)
{
    m_cursorX = x;
    update();
}

std::optional<PlotCursorMark> TrendPlot::cursorMark() const
{
    if (!m_cursorEnabled || !m_cursorX)
        return std::nullopt;
    const int channel = m_model.channelIndex(m_model.cursorChannelName);
    if (channel < 0)
        return std::nullopt;
    const PlotView v = view();
    const auto i = m_model.nearestPoint(channel, *m_cursorX, v.xMin, v.xMin + v.xSpan);
    if (!i)
        return std::nullopt;
    const PlotPoints& pts = m_model.channel(channel).points;
    PlotCursorMark mark;
    mark.x = pts.x(*i);
    mark.y = pts.y(*i);
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    mark.text = QStringLiteral("X: %1  Y: %2").arg(locale.toString(mark.x, 'g', 10), locale.toString(mark.y, 'g', 7));
    return mark;
}

PlotEditValues TrendPlot::editValues() const
{
    PlotEditValues e;
    const PlotView v = view();
    e.xMin = v.xMin;
    e.xSpan = v.xSpan;
    e.yMin = v.yMin;
    e.ySpan = v.ySpan;
    for (int i = 0; i < m_model.channelCount(); ++i) {
        e.channelTitles.push_back(m_model.channel(i).titleText);
        e.channelVisible.push_back(m_model.channel(i).visible);
    }
    return e;
}

void TrendPlot::applyEdit(const PlotEditValues& e)
{
    if (m_model.xAxisCount() > 0 && e.xSpan > 0) {
        m_model.xAxis(0).min = e.xMin;
        m_model.xAxis(0).span = e.xSpan;
    }
    if (m_model.yAxisCount() > 0 && e.ySpan > 0) {
        m_model.yAxis(0).min = e.yMin;
        m_model.yAxis(0).span = e.ySpan;
    }
    if (m_paused)
        setView({ e.xMin, e.xSpan, e.yMin, e.ySpan });
    for (int i = 0; i < m_model.channelCount() && static_cast<std::size_t>(i) < e.channelVisible.size(); ++i)
        m_model.channel(i).visible = e.channelVisible[static_cast<std::size_t>(i)];
    update();
}

void TrendPlot::openEditor()
{
    PlotEditDialog dialog(editValues(), this);
    if (dialog.exec() == QDialog::Accepted)
        applyEdit(dialog.values());
}

PlotPaintStats TrendPlot::paintTo(QPainter& painter, const QRectF& area, qreal inset) const
{
    return paintPlot(painter, m_model, view(), area, inset, cursorMark());
}

QImage TrendPlot::renderImage(QSize size) const
{
    if (size.isEmpty())
        size = this->size().isEmpty() ? sizeHint() : this->size();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter p(&image);
    paintTo(p, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

void TrendPlot::copyToClipboard() const { QGuiApplication::clipboard()->setImage(renderImage()); }

bool TrendPlot::saveImage(const QString& path) const
{
    const QSize size = this->size().isEmpty() ? sizeHint() : this->size();
    if (QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(m_model.titleText);
        QPainter p;
        if (!p.begin(&svg))
            return false;
        paintTo(p, QRectF(QPointF(0, 0), QSizeF(size)));
        return p.end();
    }
    const QByteArray format = QFileInfo(path).suffix().isEmpty() ? QByteArray("PNG") : QByteArray();
    return renderImage(size).save(path, format.isEmpty() ? nullptr : format.constData());
}

void TrendPlot::openSaveDialog()
{
    QString selected;
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("保存"), QString(), QStringLiteral("PNG (*.png);;SVG (*.svg)"), &selected);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += selected.startsWith(QLatin1String("SVG")) ? QStringLiteral(".svg") : QStringLiteral(".png");
    if (!saveImage(path))
        QMessageBox::warning(this, QStringLiteral("保存"), QStringLiteral("无法保存文件 %1").arg(path));
}

void TrendPlot::printTo(QPrinter& printer) const
{
    QPainter p;
    if (!p.begin(&printer))
        return;
    const QSizeF logical = this->size().isEmpty() ? QSizeF(sizeHint()) : QSizeF(this->size());
    const QRectF page = printer.pageLayout()
                            .paintRectPixels(printer.resolution())
                            .translated(-printer.pageLayout().paintRectPixels(printer.resolution()).topLeft());
    const qreal scale = std::min(page.width() / logical.width(), page.height() / logical.height());
    p.scale(scale, scale);
    paintTo(p, QRectF(QPointF(0, 0), logical));
    p.end();
}

void TrendPlot::openPrintDialog()
{
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        printTo(printer);
}

qreal TrendPlot::topInset() const
{
    return m_toolbar->isVisible() || !isVisible() ? m_toolbar->sizeHint().height() : 0;
}

QRectF TrendPlot::dataArea() const { return plotGeometry(m_model, view(), QRectF(rect()), topInset()).dataArea; }

void TrendPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintTo(p, QRectF(rect()), topInset());
}

void TrendPlot::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_dragging = true;
    m_dragStart = m_dragLast = event->position().toPoint();
    if (m_mouseMode == MouseMode::ZoomBox) {
        if (!m_rubberBand)
            m_rubberBand = new QRubberBand(QRubberBand::Rectangle, this);
        m_rubberBand->setGeometry(QRect(m_dragStart, QSize()));
        m_rubberBand->show();
    } else if (m_mouseMode == MouseMode::None && m_cursorEnabled) {
        const QRectF area = dataArea();
        const PlotView v = view();
        setCursorX(v.xMin + (event->position().x() - area.left()) / area.width() * v.xSpan);
    }
}

void TrendPlot::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return QWidget::mouseMoveEvent(event);
    const QPoint at = event->position().toPoint();
    if (m_mouseMode == MouseMode::Axes) {
        panByPixels(at - m_dragLast);
    } else if (m_mouseMode == MouseMode::ZoomBox && m_rubberBand) {
        m_rubberBand->setGeometry(QRect(m_dragStart, at).normalized());
    } else if (m_cursorEnabled) {
        const QRectF area = dataArea();
        const PlotView v = view();
        setCursorX(v.xMin + (at.x() - area.left()) / area.width() * v.xSpan);
    }
    m_dragLast = at;
}

void TrendPlot::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    m_dragging = false;
    if (m_mouseMode == MouseMode::ZoomBox && m_rubberBand) {
        m_rubberBand->hide();
        zoomToPixelRect(QRect(m_dragStart, event->position().toPoint()).normalized());
    }
}

void TrendPlot::wheelEvent(QWheelEvent* event)
{
    if (m_mouseMode != MouseMode::Axes)
        return QWidget::wheelEvent(event);
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0)
        zoomBy(std::pow(1.25, notches), event->position());
    event->accept();
}

void TrendPlot::onToolbar(PlotToolbar::Button which)
{
    using B = PlotToolbar::Button;
    switch (which) {
    case B::Resume:
        resume();
        break;
    case B::Pause:
        pause();
        break;
    case B::AxesMode:
        setMouseMode(m_mouseMode == MouseMode::Axes ? MouseMode::None : MouseMode::Axes);
        break;
    case B::ZoomIn:
        zoomIn();
        break;
    case B::ZoomOut:
        zoomOut();
        break;
    case B::ZoomBox:
        setMouseMode(m_mouseMode == MouseMode::ZoomBox ? MouseMode::None : MouseMode::ZoomBox);
        break;
    case B::Cursor:
        setCursorEnabled(!m_cursorEnabled);
        break;
    case B::Edit:
        openEditor();
        break;
    case B::Copy:
        copyToClipboard();
        break;
    case B::Save:
        openSaveDialog();
        break;
    case B::Print:
        openPrintDialog();
        break;
    }
}

void TrendPlot::syncButtons()
{
    using B = PlotToolbar::Button;
    m_toolbar->button(B::Resume)->setEnabled(m_paused);
    m_toolbar->button(B::Pause)->setEnabled(!m_paused);
    m_toolbar->button(B::AxesMode)->setChecked(m_mouseMode == MouseMode::Axes);
    m_toolbar->button(B::ZoomBox)->setChecked(m_mouseMode == MouseMode::ZoomBox);
    m_toolbar->button(B::Cursor)->setChecked(m_cursorEnabled);
}

} // namespace tav
