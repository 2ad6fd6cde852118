#pragma once
// A seven-segment numeric display: one sign place and four digit places.
#include <QColor>
#include <QWidget>

namespace tav {

class SevenSegmentDisplay : public QWidget {
    Q_OBJECT
public:
    explicit SevenSegmentDisplay(QWidget* parent = nullptr);

    void setValue(double value);
    double value() const { return m_value; }
    // Decimals shown (0 or 1 in this program).
    void setPrecision(int precision);
    int precision() const { return m_precision; }
    void setSegmentColor(const QColor& color);
    QColor segmentColor() const { return m_segmentColor; }

    // What the display shows: the sign place and the digit places.
    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    double m_value = 0;
    int m_precision = 0;
    QColor m_segmentColor{Qt::green};
    QString m_text;
};

} // namespace tav
