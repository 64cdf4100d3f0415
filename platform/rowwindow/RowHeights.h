#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrova::platform {

// The heights of the outline's blocks of rows, in pixels, most of them
// alike: a block not measured has the usual height. Gives the height above
// a block and the block at a height in logarithmic time, kept in the
// layout's own unit (1/64 pixel), so that sums are exact.
class RowHeights {
public:
    std::size_t Count() const { return heights_.size(); }
    // More blocks, each of the usual height (or fewer).
    void Resize(std::size_t blocks);
    // The usual height, for blocks not measured.
    void SetUsual(double pixels);
    double Usual() const { return FromUnits(usual_); }
    void Set(std::size_t block, double pixels);
    double Of(std::size_t block) const;
    // The height of the blocks before `block` (all of them when it is Count()).
    double Above(std::size_t block) const;
    double Total() const { return Above(Count()); }
    // The block whose span holds `y` pixels below the first block's top:
    // Count() when it is below the last; zero-height blocks are passed.
    std::size_t At(double y) const;

private:
    static std::int64_t ToUnits(double pixels);
    static double FromUnits(std::int64_t units) { return static_cast<double>(units) / 64.0; }
    std::int64_t Prefix(std::size_t count) const;
    void Add(std::size_t block, std::int64_t delta);
    void Rebuild();

    std::int64_t usual_ = 0;
    std::vector<bool> measured_;
    std::vector<std::int64_t> heights_;
    // A Fenwick tree over the heights: tree_[i] holds the sum of the
    // heights of blocks (i - lowbit(i), i], counted from 1.
    std::vector<std::int64_t> tree_{0};
};

}  // namespace kestrova::platform
