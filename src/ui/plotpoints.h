#pragma once
// The points of one chart channel, kept for the life of the program.
//
// Points live in fixed-size chunks (no allocation per point, no copying when
// the channel grows) as two arrays of doubles, plus the first X and the
// minimum and maximum Y of every block of kBlock points, and the Y extent of
// every chunk: 17.5 bytes a point. The channel is split into
// runs of non-decreasing X (a new run starts wherever X goes back: the sample
// counter wrapped, or a replay began), so the points of an X range are found
// by a binary search in each run, and the Y extent of an index range costs
// O(range / kChunkSize + kChunkSize / kBlock + kBlock).
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace tav {

class PlotPoints {
public:
    static constexpr std::size_t kChunkBits = 12;
    static constexpr std::size_t kChunkSize = std::size_t { 1 } << kChunkBits;
    static constexpr std::size_t kBlockBits = 4;
    static constexpr std::size_t kBlock = std::size_t { 1 } << kBlockBits;

    // Half-open range of point indices.
    struct Range {
        std::size_t begin = 0;
        std::size_t end = 0;
        std::size_t size() const { return end - begin; }
        bool empty() const { return begin == end; }
        friend bool operator==(const Range&, const Range&) = default;
    };

    PlotPoints() = default;
    PlotPoints(PlotPoints&&) noexcept = default;
    PlotPoints& operator=(PlotPoints&&) noexcept = default;

    // Amortised O(1). A point whose X is below the previous one's, or is not
    // a number, starts a new run.
    void append(double x, double y);

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    double x(std::size_t i) const { return m_chunks[i >> kChunkBits]->x[i & (kChunkSize - 1)]; }
    double y(std::size_t i) const { return m_chunks[i >> kChunkBits]->y[i & (kChunkSize - 1)]; }

    std::size_t runCount() const { return m_runStarts.size(); }
    Range run(std::size_t r) const
    {
        return { m_runStarts[r], r + 1 < m_runStarts.size() ? m_runStarts[r + 1] : m_size };
    }

    // The points of `within` (a range inside one run) whose X is at least lo,
    // and then at most hi. O(log n).
    std::size_t lowerBound(Range within, double lo) const;
    std::size_t upperBound(Range within, double hi) const;
    // lowerBound for a target expected near `within.begin`: an exponential
    // search from there, O(log distance), touching memory close to the start.
    std::size_t lowerBoundNear(Range within, double lo) const;
    // For each run that has points with lo <= X <= hi, their index range, in
    // run order. O(runs * log n).
    std::vector<Range> visible(double lo, double hi) const;

    // Smallest and largest Y in a non-empty range (NaN Y values ignored; both
    // NaN when there is nothing else).
    std::pair<double, double> minMaxY(Range range) const;

    // The points of `range` (inside one run) grouped by pixel column, column =
    // floor((X - x0) * scale), in order; NaN Y values ignored in the extents.
    struct Column {
        double column = 0;
        std::size_t first = 0; // index of the column's first and last point
        std::size_t last = 0;
        double minY = 0;
        double maxY = 0;
    };
    // One pass over the block and chunk summaries: a block or chunk lying in
    // one column is taken whole, only those that cross a column boundary are
    // read point by point. O(range / kBlock + columns * kBlock), reading
    // memory in order.
    //
    // With `wholeBlocks`, a block crossing a boundary is also taken whole, in
    // the column of its first point; then only the summaries are read. Meant
    // for ranges with many blocks to a column, where a block spans a small
    // fraction of a pixel: its points beyond the boundary are drawn one column
    // early, the extent of every column is otherwise exact.
    void columns(Range range, double x0, double scale, std::vector<Column>& out, bool wholeBlocks = false) const;

    // Memory held for the points and their index.
    std::size_t bytesUsed() const;

private:
    static constexpr std::size_t kBlocksPerChunk = kChunkSize / kBlock;
    struct Chunk {
        double x[kChunkSize];
        double y[kChunkSize];
        double blockMin[kBlocksPerChunk];
        double blockMax[kBlocksPerChunk];
        double blockFirstX[kBlocksPerChunk];
        double chunkMin;
        double chunkMax;
    };

    std::vector<std::unique_ptr<Chunk>> m_chunks;
    std::vector<std::size_t> m_runStarts;
    std::size_t m_size = 0;
};

} // namespace tav
