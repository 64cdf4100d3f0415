#include "platform/rowwindow/RowHeights.h"

#include <cmath>

namespace kestrova::platform {

namespace {

std::size_t LowBit(std::size_t i) {
    return i & (~i + 1);
}

}  // namespace

std::int64_t RowHeights::ToUnits(double pixels) {
    if (!std::isfinite(pixels) || pixels < 0) {
        return 0;
    }
    return static_cast<std::int64_t>(std::llround(pixels * 64.0));
}

std::int64_t RowHeights::Prefix(std::size_t count) const {
    std::int64_t sum = 0;
    for (std::size_t i = count; i > 0; i -= LowBit(i)) {
        sum += tree_[i];
    }
    return sum;
}

void RowHeights::Add(std::size_t block, std::int64_t delta) {
    for (std::size_t i = block + 1; i < tree_.size(); i += LowBit(i)) {
        tree_[i] += delta;
    }
}

void RowHeights::Rebuild() {
    tree_.assign(heights_.size() + 1, 0);
    for (std::size_t i = 1; i < tree_.size(); ++i) {
        tree_[i] += heights_[i - 1];
        const std::size_t parent = i + LowBit(i);
        if (parent < tree_.size()) {
            tree_[parent] += tree_[i];
        }
    }
}

void RowHeights::Resize(std::size_t blocks) {
    if (blocks < heights_.size()) {
        heights_.resize(blocks);
        measured_.resize(blocks);
        Rebuild();
        return;
    }
    while (heights_.size() < blocks) {
        heights_.push_back(usual_);
        measured_.push_back(false);
        // The new node covers the blocks (i - lowbit(i), i].
        const std::size_t i = heights_.size();
        tree_.push_back(usual_ + Prefix(i - 1) - Prefix(i - LowBit(i)));
    }
}

void RowHeights::SetUsual(double pixels) {
    usual_ = ToUnits(pixels);
    for (std::size_t block = 0; block < heights_.size(); ++block) {
        if (!measured_[block]) {
            heights_[block] = usual_;
        }
    }
    Rebuild();
}

void RowHeights::Set(std::size_t block, double pixels) {
    if (block >= heights_.size()) {
        return;
    }
    const std::int64_t units = ToUnits(pixels);
    measured_[block] = true;
    Add(block, units - heights_[block]);
    heights_[block] = units;
}

double RowHeights::Of(std::size_t block) const {
    return block < heights_.size() ? FromUnits(heights_[block]) : 0;
}

double RowHeights::Above(std::size_t block) const {
    return FromUnits(Prefix(std::min(block, heights_.size())));
}

std::size_t RowHeights::At(double y) const {
    std::int64_t left = ToUnits(std::max(0.0, y));
    std::size_t position = 0;
    std::size_t step = 1;
    while (step * 2 < tree_.size()) {
        step *= 2;
    }
    for (; step > 0; step /= 2) {
        if (position + step < tree_.size() && tree_[position + step] <= left) {
            position += step;
            left -= tree_[position];
        }
    }
    return position;
}

}  // namespace kestrova::platform
