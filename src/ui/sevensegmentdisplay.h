#pragma once
// A seven-segment numeric display: one sign place and four digit places, lit
// segments in the segment colour, unlit ones at a third of it, on black.
#include "sevensegmentmodel.h"

#include <QColor>
#include <QWidget>

namespace tav {

class SevenSegmentDisplay : public QWidget {
    Q_OBJECT
public:
    // Natural geometry of one place and of the frame, in pixels.
    static constexpr int kPlaceWidth = 10;
    static constexpr int kPlaceHeight = 18;
    static constexpr int kPlaceGap = 6;
    static constexpr int kMargin = 5;
    static constexpr int kPlaces = 1 + SevenSegmentPlaces::kDigitPlaces;

    explicit SevenSegmentDisplay(QWidget* parent = nullptr);

    // Repaints only when the shown text changes.
    void setValue(double value);
    double value() const { return m_value; }
    // Decimals shown (0 or 1 in this program). With auto-size on, a change of
    // precision fits the display to its places (84 x 28).
    void setPrecision(int precision);
    int precision() const { return m_precision; }
    void setAutoSize(bool on) { m_autoSize = on; }
    bool autoSize() const { return m_autoSize; }
    void setSegmentColor(const QColor& color);
    QColor segmentColor() const { return m_segmentColor; }
    // Unlit segments: each colour component of the segment colour divided by 3.
    QColor offSegmentColor() const;

    // What the display shows: the sign place and the digit places with the
    // user's decimal separator (also the accessible name).
    QString text() const { return m_text; }
    const SevenSegmentPlaces& places() const { return m_places; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    double m_value = 0;
    int m_precision = 0;
    bool m_autoSize = true;
    QColor m_segmentColor { 0, 255, 0 };
    SevenSegmentPlaces m_places;
    QString m_text;
};

} // namespace tav
