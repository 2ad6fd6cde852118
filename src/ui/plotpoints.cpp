#include "plotpoints.h"

#include <cmath>
#include <limits>

namespace tav {

void PlotPoints::append(double x, double y)
{
    const std::size_t offset = m_size & (kChunkSize - 1);
    if (offset == 0)
        m_chunks.push_back(std::make_unique_for_overwrite<Chunk>());
    if (m_size == 0 || !(x >= this->x(m_size - 1)))
        m_runStarts.push_back(m_size);
    Chunk& c = *m_chunks.back();
    c.x[offset] = x;
    c.y[offset] = y;
    const std::size_t block = offset >> kBlockBits;
    // Comparisons written so that a NaN never replaces a number.
    if ((offset & (kBlock - 1)) == 0) {
        c.blockMin[block] = y;
        c.blockMax[block] = y;
    } else {
        if (y < c.blockMin[block] || std::isnan(c.blockMin[block]))
            c.blockMin[block] = y;
        if (y > c.blockMax[block] || std::isnan(c.blockMax[block]))
            c.blockMax[block] = y;
    }
    ++m_size;
}

std::size_t PlotPoints::lowerBound(Range within, double lo) const
{
    std::size_t first = within.begin, count = within.size();
    while (count > 0) {
        const std::size_t step = count / 2;
        if (x(first + step) < lo) {
            first += step + 1;
            count -= step + 1;
        } else {
            count = step;
        }
    }
    return first;
}

std::size_t PlotPoints::upperBound(Range within, double hi) const
{
    std::size_t first = within.begin, count = within.size();
    while (count > 0) {
        const std::size_t step = count / 2;
        if (x(first + step) <= hi) {
            first += step + 1;
            count -= step + 1;
        } else {
            count = step;
        }
    }
    return first;
}

std::vector<PlotPoints::Range> PlotPoints::visible(double lo, double hi) const
{
    std::vector<Range> out;
    for (std::size_t r = 0; r < runCount(); ++r) {
        const Range run = this->run(r);
        // A run of one point may be a NaN X, which no range holds.
        if (x(run.end - 1) < lo || x(run.begin) > hi || std::isnan(x(run.begin)))
            continue;
        const std::size_t b = lowerBound(run, lo);
        const std::size_t e = upperBound({b, run.end}, hi);
        if (b < e)
            out.push_back({b, e});
    }
    return out;
}

std::pair<double, double> PlotPoints::minMaxY(Range range) const
{
    double lo = std::numeric_limits<double>::quiet_NaN();
    double hi = lo;
    auto take = [&](double mn, double mx) {
        if (mn < lo || std::isnan(lo))
            lo = mn;
        if (mx > hi || std::isnan(hi))
            hi = mx;
    };
    std::size_t i = range.begin;
    const std::size_t end = range.end;
    while (i < end && (i & (kBlock - 1)) != 0) {
        take(y(i), y(i));
        ++i;
    }
    while (i + kBlock <= end) {
        const Chunk& c = *m_chunks[i >> kChunkBits];
        const std::size_t block = (i & (kChunkSize - 1)) >> kBlockBits;
        take(c.blockMin[block], c.blockMax[block]);
        i += kBlock;
    }
    for (; i < end; ++i)
        take(y(i), y(i));
    return {lo, hi};
}

std::size_t PlotPoints::bytesUsed() const
{
    return sizeof(*this) + m_chunks.capacity() * sizeof(m_chunks[0]) + m_chunks.size() * sizeof(Chunk) +
           m_runStarts.capacity() * sizeof(std::size_t);
}

} // namespace tav
