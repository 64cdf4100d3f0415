#include "platform/datashape/WalkOrder.h"

#include <numeric>
#include <utility>
#include <vector>

namespace kestrova::platform::shape {

namespace {

bool EachRowOnce(const Chapter& chapter) {
    std::vector<bool> seen(chapter.child->rowCount);
    for (const auto row : chapter.rows) {
        if (seen[row]) {
            return false;
        }
        seen[row] = true;
    }
    return true;
}

// `chapter` for a parent level whose rows now stand as `order` lists them.
Chapter Reordered(Chapter chapter, const std::vector<std::uint32_t>& order) {
    Chapter reordered;
    reordered.child = std::move(chapter.child);
    reordered.offsets.reserve(order.size() + 1);
    reordered.offsets.push_back(0);
    reordered.rows.reserve(chapter.rows.size());
    for (const auto row : order) {
        reordered.rows.insert(reordered.rows.end(), chapter.rows.begin() + chapter.offsets[row],
                              chapter.rows.begin() + chapter.offsets[row + 1]);
        reordered.offsets.push_back(static_cast<std::uint32_t>(reordered.rows.size()));
    }
    return reordered;
}

// The rows of `table` that `order` lists, in that order, each listed at
// most once; their values are moved out of `table`.
std::shared_ptr<Table> Gathered(Table& table, const std::vector<std::uint32_t>& order) {
    auto gathered = std::make_shared<Table>();
    gathered->rowCount = order.size();
    gathered->columns.reserve(table.columns.size());
    for (auto& column : table.columns) {
        Column& to = gathered->columns.emplace_back();
        to.name = std::move(column.name);
        to.type = column.type;
        if (column.chapter) {
            to.chapter = Reordered(std::move(*column.chapter), order);
            continue;
        }
        to.values = column.values.TakeRows(order);
    }
    return gathered;
}

}  // namespace

void LayOutInWalkOrder(Table& table) {
    for (auto& column : table.columns) {
        if (!column.chapter) {
            continue;
        }
        Chapter& chapter = *column.chapter;
        if (EachRowOnce(chapter)) {
            chapter.child = Gathered(*chapter.child, chapter.rows);
            std::iota(chapter.rows.begin(), chapter.rows.end(), 0U);
        }
        LayOutInWalkOrder(*chapter.child);
    }
}

}  // namespace kestrova::platform::shape
