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
    auto widen = [y](double& mn, double& mx, bool first) {
        if (first) {
            mn = mx = y;
            return;
        }
        if (y < mn || std::isnan(mn))
            mn = y;
        if (y > mx || std::isnan(mx))
            mx = y;
    };
    if ((offset & (kBlock - 1)) == 0)
        c.blockFirstX[block] = x;
    widen(c.blockMin[block], c.blockMax[block], (offset & (kBlock - 1)) == 0);
    widen(c.chunkMin, c.chunkMax, offset == 0);
    ++m_size;
}

namespace {

// The first index of `within` whose X fails `before`, by bisection; X is
// non-decreasing inside a run.
template <class Points, class Before>
std::size_t partitionPoint(const Points& points, std::size_t first, std::size_t count, Before before)
{
    while (count > 0) {
        const std::size_t step = count / 2;
        if (before(points.x(first + step))) {
            first += step + 1;
            count -= step + 1;
        } else {
            count = step;
        }
    }
    return first;
}

} // namespace

std::size_t PlotPoints::lowerBound(Range within, double lo) const
{
    return partitionPoint(*this, within.begin, within.size(), [lo](double x) { return x < lo; });
}

std::size_t PlotPoints::upperBound(Range within, double hi) const
{
    return partitionPoint(*this, within.begin, within.size(), [hi](double x) { return x <= hi; });
}

std::size_t PlotPoints::lowerBoundNear(Range within, double lo) const
{
    std::size_t step = 1, below = within.begin;
    while (below + step < within.end && x(below + step) < lo) {
        below += step;
        step *= 2;
    }
    return lowerBound({ below, std::min(within.end, below + step + 1) }, lo);
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
        const std::size_t e = upperBound({ b, run.end }, hi);
        if (b < e)
            out.push_back({ b, e });
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
    auto blocks = [&](std::size_t until) {
        while (i + kBlock <= until) {
            const Chunk& c = *m_chunks[i >> kChunkBits];
            const std::size_t block = (i & (kChunkSize - 1)) >> kBlockBits;
            take(c.blockMin[block], c.blockMax[block]);
            i += kBlock;
        }
    };
    blocks(std::min(end, (i + kChunkSize - 1) & ~(kChunkSize - 1)));
    while (i + kChunkSize <= end) {
        const Chunk& c = *m_chunks[i >> kChunkBits];
        take(c.chunkMin, c.chunkMax);
        i += kChunkSize;
    }
    blocks(end);
    for (; i < end; ++i)
        take(y(i), y(i));
    return { lo, hi };
}

void PlotPoints::columns(Range range, double x0, double scale, std::vector<Column>& out, bool wholeBlocks) const
{
    auto columnOf = [&](double xv) { return std::floor((xv - x0) * scale); };
    bool open = false;
    Column current;
    auto add = [&](double column, std::size_t first, std::size_t last, double mn, double mx) {
        if (!open || column != current.column) {
            if (open)
                out.push_back(current);
            current = Column { column, first, last, std::numeric_limits<double>::quiet_NaN(),
                std::numeric_limits<double>::quiet_NaN() };
            open = true;
        }
        current.last = last;
        if (mn < current.minY || std::isnan(current.minY))
            current.minY = mn;
        if (mx > current.maxY || std::isnan(current.maxY))
            current.maxY = mx;
    };
    // The first X of the point at `i` when it starts a block, from the
    // summaries (which are read in order) rather than from the points.
    auto firstXOf = [&](std::size_t i) {
        return i < range.end ? m_chunks[i >> kChunkBits]->blockFirstX[(i & (kChunkSize - 1)) >> kBlockBits]
                             : x(range.end - 1);
    };
    std::size_t i = range.begin;
    while (i < range.end) {
        const Chunk& c = *m_chunks[i >> kChunkBits];
        const std::size_t offset = i & (kChunkSize - 1);
        if (offset == 0 && i + kChunkSize <= range.end) {
            // Every X of the chunk lies between its first X and the next
            // point's (the range is one run, so X does not go back).
            const double column = columnOf(c.blockFirstX[0]);
            if (column == columnOf(firstXOf(i + kChunkSize))) {
                add(column, i, i + kChunkSize - 1, c.chunkMin, c.chunkMax);
                i += kChunkSize;
                continue;
            }
        }
        if ((offset & (kBlock - 1)) == 0 && i + kBlock <= range.end) {
            const std::size_t block = offset >> kBlockBits;
            const double column = columnOf(c.blockFirstX[block]);
            if (wholeBlocks || column == columnOf(firstXOf(i + kBlock))) {
                add(column, i, i + kBlock - 1, c.blockMin[block], c.blockMax[block]);
                i += kBlock;
                continue;
            }
        }
        const double yv = c.y[offset];
        add(columnOf(c.x[offset]), i, i, yv, yv);
        ++i;
    }
    if (open)
        out.push_back(current);
}

std::size_t PlotPoints::bytesUsed() const
{
    return sizeof(*this) + m_chunks.capacity() * sizeof(m_chunks[0]) + m_chunks.size() * sizeof(Chunk)
        + m_runStarts.capacity() * sizeof(std::size_t);
}

} // namespace tav
