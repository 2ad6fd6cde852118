#include "sevensegmentdisplay.h"

#include <QLocale>
#include <QPainter>

#include <algorithm>

namespace tav {
namespace {

// Segment bits: a top, b upper right, c lower right, d bottom, e lower left,
// f upper left, g middle.
enum : unsigned { A = 1, B = 2, C = 4, D = 8, E = 16, F = 32, G = 64 };

unsigned segmentsOf(QChar ch)
{
    static constexpr unsigned kDigits[10] = {
        A | B | C | D | E | F,
        B | C,
        A | B | G | E | D,
        A | B | G | C | D,
        F | G | B | C,
        A | F | G | C | D,
        A | F | G | E | D | C,
        A | B | C,
        A | B | C | D | E | F | G,
        A | B | C | D | F | G,
    };
    if (ch.isDigit())
        return kDigits[ch.digitValue()];
    if (ch == QLatin1Char('-'))
        return G;
    return 0;
}

struct SegmentPainter {
    QPainter& p;
    QColor on, off;

    void fill(const QRectF& r, bool lit) { p.fillRect(r, lit ? on : off); }

    void digit(const QRectF& r, unsigned lit)
    {
        const qreal t = std::max<qreal>(1.0, std::min(r.width(), r.height()) * 0.2);
        const qreal halfH = r.height() / 2;
        const qreal s = t * 0.15; // a hairline gap between neighbouring segments
        const qreal innerW = r.width() - 2 * t - 2 * s;
        const qreal upperH = halfH - t * 1.5 - 2 * s;
        const qreal l = r.left(), top = r.top(), rt = r.right() - t;
        fill(QRectF(l + t + s, top, innerW, t), lit & A);
        fill(QRectF(rt, top + t + s, t, upperH + t / 2), lit & B);
        fill(QRectF(rt, top + halfH + t / 2 + s, t, upperH + t / 2), lit & C);
        fill(QRectF(l + t + s, r.bottom() - t, innerW, t), lit & D);
        fill(QRectF(l, top + halfH + t / 2 + s, t, upperH + t / 2), lit & E);
        fill(QRectF(l, top + t + s, t, upperH + t / 2), lit & F);
        fill(QRectF(l + t + s, top + halfH - t / 2, innerW, t), lit & G);
    }

    void sign(const QRectF& r, bool plus)
    {
        const qreal t = std::max<qreal>(1.0, std::min(r.width(), r.height()) * 0.2);
        const qreal cy = r.center().y();
        const qreal cx = r.center().x();
        const qreal arm = std::min(r.width() / 2, r.height() / 2);
        fill(QRectF(r.left(), cy - t / 2, r.width(), t), true);
        // The vertical bar of the plus, as long as the horizontal one.
        fill(QRectF(cx - t / 2, cy - arm, t, arm - t / 2 - t * 0.15), plus);
        fill(QRectF(cx - t / 2, cy + t / 2 + t * 0.15, t, arm - t / 2 - t * 0.15), plus);
    }
};

} // namespace

SevenSegmentDisplay::SevenSegmentDisplay(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    refresh();
}

void SevenSegmentDisplay::setValue(double value)
{
    m_value = value;
    refresh();
}

void SevenSegmentDisplay::setPrecision(int precision)
{
    if (precision == m_precision)
        return;
    m_precision = precision;
    if (m_autoSize)
        resize(sizeHint());
    refresh();
}

void SevenSegmentDisplay::setSegmentColor(const QColor& color)
{
    if (color == m_segmentColor)
        return;
    m_segmentColor = color;
    update();
}

QColor SevenSegmentDisplay::offSegmentColor() const
{
    return QColor(m_segmentColor.red() / 3, m_segmentColor.green() / 3, m_segmentColor.blue() / 3);
}

QSize SevenSegmentDisplay::sizeHint() const
{
    return QSize(kPlaces * (kPlaceWidth + kPlaceGap) - kPlaceGap + 2 * kMargin, kPlaceHeight + 2 * kMargin);
}

void SevenSegmentDisplay::refresh()
{
    SevenSegmentPlaces places = sevenSegmentPlaces(m_value, m_precision);
    const QString text = places.text(QLocale::system().decimalPoint());
    m_places = places;
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

    // The five places fill the area inside the margin, whatever its size.
    const qreal naturalW = kPlaces * (kPlaceWidth + kPlaceGap) - kPlaceGap;
    const qreal sx = std::max<qreal>(0.0, width() - 2 * kMargin) / naturalW;
    const qreal h = std::max<qreal>(0.0, height() - 2 * kMargin);
    if (sx <= 0 || h <= 0)
        return;
    auto place
        = [&](int i) { return QRectF(kMargin + i * (kPlaceWidth + kPlaceGap) * sx, kMargin, kPlaceWidth * sx, h); };

    SegmentPainter seg { p, m_segmentColor, offSegmentColor() };
    seg.sign(place(0), m_places.sign == QLatin1Char('+'));
    for (int i = 0; i < SevenSegmentPlaces::kDigitPlaces; ++i)
        seg.digit(place(i + 1), segmentsOf(m_places.digits[static_cast<std::size_t>(i)]));

    // The decimal mark sits at the foot of the gap before its place.
    if (m_precision > 0) {
        const int markPlace = SevenSegmentPlaces::kDigitPlaces - std::min(m_precision, 3);
        const QRectF r = place(markPlace + 1);
        const qreal d = std::max<qreal>(1.0, std::min(r.width(), r.height()) * 0.2);
        const qreal cx = r.left() - kPlaceGap * sx / 2;
        seg.fill(QRectF(cx - d / 2, r.bottom() - d, d, d), m_places.markBefore >= 0);
    }
}

} // namespace tav
