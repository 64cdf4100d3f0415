#include "platform/datashape/PartedEvaluation.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/datashape/KeyParts.h"
#include "platform/datashape/PartPlan.h"
#include "platform/datashape/PartSpill.h"
#include "platform/recordset/TypeCodes.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform::shape {

namespace {

// A level that cannot be set aside by its related columns: one whose type
// only its values decide, so that its key is not known as its rows come.
struct NotInParts : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The file would not take the rows, or give them back.
struct SetAsideFailed : runtime::Failure {
    using runtime::Failure::Failure;
};

// A lower level's rows, set aside part by part.
struct SetAside {
    PartSpill spill;
    RowsFinisher finish;
    std::size_t columns = 0;
};

std::vector<std::size_t> ColumnsOf(const Table& chunk, const std::vector<std::string>& names,
                                   const char* level) {
    std::vector<std::size_t> columns;
    for (const auto& name : names) {
        const std::size_t column = FindColumn(chunk, name, level);
        if (chunk.columns[column].type == adEmpty) {
            throw NotInParts("a related column's type is decided by its values");
        }
        columns.push_back(column);
    }
    return columns;
}

// Reads every level below the top once and sets each row aside for the
// parts that hold a row it relates to.
class Sorter {
public:
    Sorter(const std::vector<PlannedLevel>& plan, const Table& top, std::size_t rowsPerPart,
           std::size_t parts, std::shared_ptr<PartSpill::File> file)
        : plan_(plan), keys_(plan.size()), parts_(parts), file_(std::move(file)) {
        for (std::size_t level = 1; level < plan_.size(); ++level) {
            if (plan_[level].parent != 0) {
                continue;
            }
            const auto columns = ColumnsOf(top, plan_[level].parentColumns, "parent level");
            for (std::size_t row = 0; row < top.rowCount; ++row) {
                if (auto key = KeyOf(top, columns, row)) {
                    keys_[level].Add(std::move(*key),
                                     static_cast<std::uint32_t>(row / rowsPerPart));
                }
            }
        }
    }

    std::vector<SetAside> Levels(const ProviderStream& stream) {
        std::vector<SetAside> levels;
        levels.push_back({PartSpill(file_, 0), nullptr, 0});  // the top is kept whole
        for (std::size_t level = 1; level < plan_.size(); ++level) {
            levels.push_back(Level(level, stream));
        }
        return levels;
    }

private:
    // Which columns of a level's rows matter for placing them.
    struct Placing {
        std::vector<std::size_t> own;  // related to the level above
        std::vector<std::pair<std::size_t, std::vector<std::size_t>>> below;  // level, columns
    };

    Placing PlacingFor(std::size_t level, const Table& chunk) const {
        Placing placing;
        placing.own = ColumnsOf(chunk, plan_[level].childColumns, "child level");
        for (std::size_t below = level + 1; below < plan_.size(); ++below) {
            if (plan_[below].parent == static_cast<int>(level)) {
                placing.below.emplace_back(
                    below, ColumnsOf(chunk, plan_[below].parentColumns, "parent level"));
            }
        }
        return placing;
    }

    SetAside Level(std::size_t level, const ProviderStream& stream) {
        keys_[level].Seal();
        SetAside result{PartSpill(file_, parts_), nullptr, 0};
        std::optional<Placing> placing;
        std::vector<std::uint32_t> parts;
        result.finish = stream(plan_[level].command, [&](Table& chunk) {
            if (!placing) {
                placing = PlacingFor(level, chunk);
                result.columns = chunk.columns.size();
            }
            for (std::size_t row = 0; row < chunk.rowCount; ++row) {
                Place(level, *placing, chunk, row, result.spill, parts);
            }
        });
        try {
            result.spill.Flush();
        } catch (const runtime::Failure& failure) {
            throw SetAsideFailed(failure.what());
        }
        keys_[level] = KeyParts();
        return result;
    }

    void Place(std::size_t level, const Placing& placing, const Table& chunk, std::size_t row,
               PartSpill& spill, std::vector<std::uint32_t>& parts) {
        const auto key = KeyOf(chunk, placing.own, row);
        if (!key) {
            return;
        }
        keys_[level].PartsOf(*key, parts);
        for (const auto part : parts) {
            try {
                spill.Add(part, chunk, row);
            } catch (const runtime::Failure& failure) {
                throw SetAsideFailed(failure.what());
            }
        }
        for (const auto& [below, columns] : placing.below) {
            if (auto belowKey = parts.empty() ? std::nullopt : KeyOf(chunk, columns, row)) {
                for (const auto part : parts) {
                    keys_[below].Add(*belowKey, part);
                }
            }
        }
    }

    const std::vector<PlannedLevel>& plan_;
    std::vector<KeyParts> keys_;  // for each level, the parts of its parent rows by key
    std::size_t parts_;
    std::shared_ptr<PartSpill::File> file_;
};

class PartedResult : public TableParts {
public:
    PartedResult(std::shared_ptr<const ShapeCommand> command, std::shared_ptr<const Table> top,
                 std::size_t rowsPerPart, std::vector<SetAside> levels)
        : command_(std::move(command)),
          top_(std::move(top)),
          rowsPerPart_(rowsPerPart),
          levels_(std::move(levels)) {}

    std::shared_ptr<Table> Next() override {
        if (next_ * rowsPerPart_ >= top_->rowCount) {
            return nullptr;
        }
        return Part(next_++);
    }

private:
    std::shared_ptr<Table> Part(std::size_t part) const {
        std::vector<std::shared_ptr<Table>> tables{TopRows(part)};
        for (std::size_t level = 1; level < levels_.size(); ++level) {
            const SetAside& aside = levels_[level];
            try {
                tables.push_back(std::make_shared<Table>(aside.spill.Part(part, aside.columns)));
            } catch (const runtime::Failure& failure) {
                throw SetAsideFailed(failure.what());
            }
            aside.finish(*tables.back());
        }
        std::size_t asked = 0;
        return Evaluate(*command_, [&](const std::string&) { return tables.at(asked++); });
    }

    std::shared_ptr<Table> TopRows(std::size_t part) const {
        const std::size_t first = part * rowsPerPart_;
        const std::size_t end = std::min(top_->rowCount, first + rowsPerPart_);
        auto rows = std::make_shared<Table>();
        rows->rowCount = end - first;
        for (const auto& column : top_->columns) {
            Column& copy = rows->columns.emplace_back();
            copy.name = column.name;
            copy.type = column.type;
            copy.values.reserve(rows->rowCount);
            for (std::size_t row = first; row < end; ++row) {
                copy.values.push_back(column.values[row]);
            }
        }
        return rows;
    }

    std::shared_ptr<const ShapeCommand> command_;
    std::shared_ptr<const Table> top_;
    std::size_t rowsPerPart_;
    std::vector<SetAside> levels_;
    std::size_t next_ = 0;
};

// The whole result, the top level already read.
PartedTable Whole(const ShapeCommand& command, std::shared_ptr<Table> top,
                  const ProviderQuery& query) {
    bool first = true;
    return {Evaluate(command,
                     [&](const std::string& text) {
                         return std::exchange(first, false) ? top : query(text);
                     }),
            nullptr};
}

}  // namespace

PartedTable EvaluateInParts(std::shared_ptr<const ShapeCommand> command, const ProviderQuery& query,
                            const ProviderStream& stream, std::size_t rowsPerPart) {
    const auto plan = PlanParts(*command);
    if (!plan) {
        return {Evaluate(*command, query), nullptr};
    }
    auto top = query(plan->front().command);
    if (!top) {
        throw runtime::Failure("the data provider gave no result");
    }
    if (top->rowCount <= rowsPerPart) {
        return Whole(*command, std::move(top), query);
    }
    const std::size_t parts = (top->rowCount + rowsPerPart - 1) / rowsPerPart;
    try {
        auto file = std::make_shared<PartSpill::File>();
        try {
            file->file = PageFile::Create("the query's rows");
        } catch (const runtime::Failure& failure) {
            throw SetAsideFailed(failure.what());
        }
        Sorter sorter(*plan, *top, rowsPerPart, parts, file);
        auto result =
            std::make_unique<PartedResult>(command, top, rowsPerPart, sorter.Levels(stream));
        auto first = result->Next();
        return {std::move(first), std::move(result)};
    } catch (const SetAsideFailed& failure) {
        runtime::ReportFailure("the query's rows are kept in memory", failure.what());
    } catch (const NotInParts&) {
        // Evaluated whole, as a small result is.
    } catch (const runtime::Failure&) {
        // Evaluated whole, which says what is wrong with the command.
    }
    return Whole(*command, std::move(top), query);
}

}  // namespace kestrova::platform::shape
