#include "sevensegmentdisplay.h"

#include <QLocale>
#include <QPainter>

#include <cmath>

namespace tav {

SevenSegmentDisplay::SevenSegmentDisplay(QWidget* parent) : QWidget(parent)
{
    refresh();
}

void SevenSegmentDisplay::setValue(double value)
{
    m_value = value;
    refresh();
}

void SevenSegmentDisplay::setPrecision(int precision)
{
    m_precision = precision;
    refresh();
}

void SevenSegmentDisplay::setSegmentColor(const QColor& color)
{
    m_segmentColor = color;
    update();
}

void SevenSegmentDisplay::refresh()
{
    const QString sign = m_value < 0 ? QStringLiteral("-") : QStringLiteral("+");
    const QString text = sign + QLocale::system().toString(std::fabs(m_value), 'f', m_precision);
    if (text != m_text) {
        m_text = text;
        setAccessibleName(m_text);
        update();
    }
}

void SevenSegmentDisplay::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.setPen(m_segmentColor);
    p.drawText(rect(), Qt::AlignCenter, m_text);
}

} // namespace tav
