#include "sevensegmentmodel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tav {

QString SevenSegmentPlaces::text(const QString& decimalSeparator) const
{
    QString out(sign);
    for (int i = 0; i < kDigitPlaces; ++i) {
        if (i == markBefore)
            out += decimalSeparator;
        out += digits[static_cast<std::size_t>(i)];
    }
    return out;
}

SevenSegmentPlaces sevenSegmentPlaces(double value, int precision)
{
    SevenSegmentPlaces places;
    places.sign = value < 0 ? QLatin1Char('-') : QLatin1Char('+');
    const int p = std::clamp(precision, 0, SevenSegmentPlaces::kDigitPlaces - 1);
    const int integerPlaces = SevenSegmentPlaces::kDigitPlaces - p;

    const double magnitude = std::fabs(value);
    // Anything from 10^4 on cannot fit; checking first keeps the text short.
    bool overflow = !std::isfinite(magnitude) || magnitude >= 1e5;
    char buffer[32] = {};
    int length = 0;
    if (!overflow) {
        length = std::snprintf(buffer, sizeof buffer, "%.*f", p, magnitude);
        const int integerDigits = p > 0 ? length - p - 1 : length;
        overflow = integerDigits > integerPlaces;
    }
    if (overflow) {
        places.overflow = true;
        places.digits.fill(QLatin1Char('-'));
        return places;
    }

    // buffer: integer digits, then (with p > 0) '.' and p decimals.
    const int integerDigits = p > 0 ? length - p - 1 : length;
    for (int i = 0; i < integerDigits; ++i)
        places.digits[static_cast<std::size_t>(integerPlaces - integerDigits + i)] = QLatin1Char(buffer[i]);
    for (int i = 0; i < p; ++i)
        places.digits[static_cast<std::size_t>(integerPlaces + i)] = QLatin1Char(buffer[integerDigits + 1 + i]);
    if (p > 0)
        places.markBefore = integerPlaces;
    return places;
}

} // namespace tav
