#include "plottoolbar.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace tav {
namespace {

using Button = PlotToolbar::Button;

struct ButtonInfo {
    Button which;
    const char* name;
    const char* tip;
    bool checkable;
};

constexpr ButtonInfo kButtons[] = {
    { Button::Resume, "resumeButton", "恢复", false },
    { Button::Pause, "pauseButton", "暂停", false },
    { Button::AxesMode, "axesModeButton", "坐标轴模式", true },
    { Button::ZoomIn, "zoomInButton", "放大", false },
    { Button::ZoomOut, "zoomOutButton", "缩小", false },
    { Button::ZoomBox, "zoomBoxButton", "框选缩放", true },
    { Button::Cursor, "cursorButton", "数据光标", true },
    { Button::Edit, "editButton", "编辑", false },
    { Button::Copy, "copyButton", "复制", false },
    { Button::Save, "saveButton", "保存", false },
    { Button::Print, "printButton", "打印", false },
};

void magnifier(QPainter& p)
{
    p.drawEllipse(QRectF(2, 2, 9, 9));
    p.drawLine(QPointF(10, 10), QPointF(14, 14));
}

// A 16 x 16 glyph for each button, drawn in light grey for the dark chart.
QIcon glyph(Button which)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(230, 230, 230);
    p.setPen(QPen(ink, 1.5));
    p.setBrush(Qt::NoBrush);
    switch (which) {
    case Button::Resume: {
        QPainterPath tri;
        tri.moveTo(4, 3);
        tri.lineTo(13, 8);
        tri.lineTo(4, 13);
        tri.closeSubpath();
        p.fillPath(tri, ink);
        break;
    }
    case Button::Pause:
        p.fillRect(QRectF(4, 3, 3, 10), ink);
        p.fillRect(QRectF(9, 3, 3, 10), ink);
        break;
    case Button::AxesMode:
        p.drawLine(QPointF(8, 2), QPointF(8, 14));
        p.drawLine(QPointF(2, 8), QPointF(14, 8));
        p.drawLine(QPointF(6, 4), QPointF(8, 2));
        p.drawLine(QPointF(10, 4), QPointF(8, 2));
        p.drawLine(QPointF(12, 6), QPointF(14, 8));
        p.drawLine(QPointF(12, 10), QPointF(14, 8));
        break;
    case Button::ZoomIn:
        magnifier(p);
        p.drawLine(QPointF(4.5, 6.5), QPointF(8.5, 6.5));
        p.drawLine(QPointF(6.5, 4.5), QPointF(6.5, 8.5));
        break;
    case Button::ZoomOut:
        magnifier(p);
        p.drawLine(QPointF(4.5, 6.5), QPointF(8.5, 6.5));
        break;
    case Button::ZoomBox:
        p.setPen(QPen(ink, 1.2, Qt::DashLine));
        p.drawRect(QRectF(2, 3, 12, 10));
        break;
    case Button::Cursor:
        p.drawLine(QPointF(8, 1), QPointF(8, 15));
        p.drawEllipse(QRectF(5, 5, 6, 6));
        break;
    case Button::Edit:
        p.drawLine(QPointF(3, 13), QPointF(12, 4));
        p.drawLine(QPointF(5, 14), QPointF(14, 5));
        p.drawLine(QPointF(3, 13), QPointF(5, 14));
        break;
    case Button::Copy:
        p.drawRect(QRectF(2, 2, 8, 9));
        p.drawRect(QRectF(6, 5, 8, 9));
        break;
    case Button::Save:
        p.drawRect(QRectF(2, 2, 12, 12));
        p.fillRect(QRectF(5, 2, 6, 4), ink);
        p.drawRect(QRectF(4.5, 9, 7, 5));
        break;
    case Button::Print:
        p.drawRect(QRectF(2, 6, 12, 6));
        p.drawRect(QRectF(4.5, 2, 7, 4));
        p.fillRect(QRectF(4.5, 10, 7, 4), ink);
        break;
    }
    return QIcon(pm);
}

} // namespace

PlotToolbar::PlotToolbar(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Toolbar 1"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(1);
    for (const ButtonInfo& info : kButtons) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(info.name));
        b->setToolTip(QString::fromUtf8(info.tip));
        b->setAccessibleName(QString::fromUtf8(info.tip));
        b->setAutoRaise(true); // flat
        b->setIconSize(QSize(16, 16));
        b->setFixedSize(22, 22); // small
        b->setIcon(glyph(info.which));
        b->setCheckable(info.checkable);
        b->setFocusPolicy(Qt::NoFocus);
        const Button which = info.which;
        connect(b, &QToolButton::clicked, this, [this, which] { emit clicked(which); });
        row->addWidget(b);
        m_buttons[static_cast<int>(which)] = b;
    }
    row->addStretch();
}

QToolButton* PlotToolbar::button(Button which) const { return m_buttons[static_cast<int>(which)]; }

QString PlotToolbar::objectNameOf(Button which) { return QLatin1String(kButtons[static_cast<int>(which)].name); }

} // namespace tav
