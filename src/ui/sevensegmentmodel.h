#pragma once
// What a seven-segment display with one sign place and four digit places shows
// for a value: a pure function, so that tests read exactly what is drawn.
#include <QChar>
#include <QString>

#include <array>

namespace tav {

struct SevenSegmentPlaces {
    static constexpr int kDigitPlaces = 4;

    // '+' or '-'.
    QChar sign = QLatin1Char('+');
    // Each digit place holds a digit '0'..'9', a blank ' ', or the overflow
    // mark '-' (the middle segment alone).
    std::array<QChar, kDigitPlaces> digits { QLatin1Char(' '), QLatin1Char(' '), QLatin1Char(' '), QLatin1Char(' ') };
    // Index of the digit place the decimal mark stands before, or -1.
    int markBefore = -1;
    bool overflow = false;

    // The places as one line of text: the sign, the digit places and, where it
    // is drawn, the decimal separator, e.g. "+ 25.0", "-1000" or "+----".
    QString text(const QString& decimalSeparator) const;
};

// The places for `value` with `precision` decimals (0 to 3), read like this:
// the magnitude is rounded to `precision` decimals; when its integer digits do
// not fit the 4 - precision places left of the decimals, every digit place
// shows the overflow mark. Otherwise the integer digits are right-aligned with
// blanks before them (a magnitude below 1 keeps its "0"), the decimals fill
// the last places and the decimal mark stands before them. The sign is minus
// for any negative value, plus otherwise. Values that are not finite overflow.
SevenSegmentPlaces sevenSegmentPlaces(double value, int precision);

} // namespace tav
