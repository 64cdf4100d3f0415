#include "platform/datashape/PartedEvaluation.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/datashape/KeyParts.h"
#include "platform/datashape/PartPlan.h"
#include "platform/datashape/PartSpill.h"
#include "platform/recordset/ColumnValues.h"
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
// parts that hold a row it relates to: the parts of the top rows from
// `firstRow` on.
class Sorter {
public:
    Sorter(const std::vector<PlannedLevel>& plan, const Table& top, std::size_t firstRow,
           std::size_t rowsPerPart, std::size_t parts, std::shared_ptr<PartSpill::File> file)
        : plan_(plan), keys_(plan.size()), parts_(parts), file_(std::move(file)) {
        for (std::size_t level = 1; level < plan_.size(); ++level) {
            if (plan_[level].parent != 0) {
                continue;
            }
            const auto columns = ColumnsOf(top, plan_[level].parentColumns, "parent level");
            for (std::size_t row = firstRow; row < top.rowCount; ++row) {
                if (auto key = KeyOf(top, columns, row)) {
                    keys_[level].Add(std::move(*key),
                                     static_cast<std::uint32_t>((row - firstRow) / rowsPerPart));
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

// The top rows [first, end) of `top`, as a table of their own.
std::shared_ptr<Table> TopRows(const Table& top, std::size_t first, std::size_t end) {
    auto rows = std::make_shared<Table>();
    rows->rowCount = end - first;
    for (const auto& column : top.columns) {
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

// Evaluates the command over one table for each level, in the order the
// evaluation asks for them.
std::shared_ptr<Table> EvaluateOver(const ShapeCommand& command,
                                    const std::vector<std::shared_ptr<Table>>& tables) {
    std::size_t asked = 0;
    return Evaluate(command, [&](const std::string&) { return tables.at(asked++); });
}

// The whole result for the top rows from `first` on: the top already read,
// the levels below read whole.
std::shared_ptr<Table> WholeFrom(const ShapeCommand& command, const Table& top, std::size_t first,
                                 const ProviderQuery& query) {
    bool asked = false;
    return Evaluate(command, [&](const std::string& text) {
        return std::exchange(asked, true) ? query(text) : TopRows(top, first, top.rowCount);
    });
}

// The parts of the top rows from `firstRow` on. The levels below the top
// are read and set aside when the first of these parts is asked for; where
// they cannot be, those rows come as one part, evaluated whole.
class PartedResult : public TableParts {
public:
    using ReadLevels = std::function<std::vector<SetAside>(std::size_t parts)>;

    PartedResult(std::shared_ptr<const ShapeCommand> command, std::shared_ptr<const Table> top,
                 std::size_t firstRow, std::size_t rowsPerPart, ReadLevels readLevels,
                 ProviderQuery query)
        : command_(std::move(command)),
          top_(std::move(top)),
          firstRow_(firstRow),
          rowsPerPart_(rowsPerPart),
          readLevels_(std::move(readLevels)),
          query_(std::move(query)) {}

    std::shared_ptr<Table> Next() override {
        if (firstRow_ + next_ * rowsPerPart_ >= top_->rowCount) {
            return nullptr;
        }
        if (readLevels_) {
            if (auto whole = ReadTheLevels()) {
                next_ = Parts();
                return whole;
            }
        }
        return Part(next_++);
    }

private:
    std::size_t Parts() const {
        return (top_->rowCount - firstRow_ + rowsPerPart_ - 1) / rowsPerPart_;
    }

    // Reads the levels below the top, once; gives the rest of the result
    // whole where they cannot be set aside. What is read here ends the
    // reading of the command: the snapshot it was read in goes with the
    // functions that read it.
    std::shared_ptr<Table> ReadTheLevels() {
        const auto read = std::exchange(readLevels_, nullptr);
        const auto query = std::exchange(query_, nullptr);
        try {
            levels_ = read(Parts());
            return nullptr;
        } catch (const SetAsideFailed& failure) {
            runtime::ReportFailure("the query's rows are kept in memory", failure.what());
        } catch (const NotInParts&) {
            // Evaluated whole, as a small result is.
        } catch (const runtime::Failure&) {
            // Evaluated whole, which says what is wrong with the command.
        }
        return WholeFrom(*command_, *top_, firstRow_, query);
    }

    std::shared_ptr<Table> Part(std::size_t part) const {
        const std::size_t first = firstRow_ + part * rowsPerPart_;
        std::vector<std::shared_ptr<Table>> tables{
            TopRows(*top_, first, std::min(top_->rowCount, first + rowsPerPart_))};
        for (std::size_t level = 1; level < levels_.size(); ++level) {
            const SetAside& aside = levels_[level];
            try {
                tables.push_back(std::make_shared<Table>(aside.spill.Part(part, aside.columns)));
            } catch (const runtime::Failure& failure) {
                throw SetAsideFailed(failure.what());
            }
            aside.finish(*tables.back());
        }
        return EvaluateOver(*command_, tables);
    }

    std::shared_ptr<const ShapeCommand> command_;
    std::shared_ptr<const Table> top_;
    std::size_t firstRow_;
    std::size_t rowsPerPart_;
    ReadLevels readLevels_;
    ProviderQuery query_;
    std::vector<SetAside> levels_;
    std::size_t next_ = 0;
};

// Whether a column's values relate as a lookup finds them: by their value
// as whole numbers, or as texts.
enum class KeyKind { Number, Text, Other };

KeyKind KindOf(const Table& table, std::size_t column) {
    switch (table.columns[column].type) {
        case adSmallInt:
        case adInteger:
        case adUnsignedTinyInt:
        case adBigInt:
            return KeyKind::Number;
        case adVarWChar:
            return KeyKind::Text;
        default:
            return KeyKind::Other;
    }
}

// The keys of a lookup: the values of a column of whole numbers or texts,
// each once, Nulls left out.
std::vector<PartKey> LookupKeys(const Table& table, std::size_t column, KeyKind kind) {
    std::vector<PartKey> keys;
    const ColumnValues& values = table.columns[column].values;
    for (std::size_t row = 0; row < table.rowCount; ++row) {
        if (kind == KeyKind::Number) {
            if (const auto number = values.IntegerAt(row)) {
                keys.emplace_back(*number);
            }
        } else if (const auto value = values[row]; std::holds_alternative<std::string>(value)) {
            keys.emplace_back(std::get<std::string>(value));
        }
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

// The levels of the first `rows` top rows, each looked up through an index
// by the keys of the level above; nullopt when a level cannot be, or its
// related column holds other values than the one above it relates to.
std::optional<std::vector<std::shared_ptr<Table>>> FirstRowsLookedUp(
    const std::vector<PlannedLevel>& plan, const Table& top, std::size_t rows,
    const ProviderLookup& lookup) {
    std::vector<std::shared_ptr<Table>> tables{TopRows(top, 0, rows)};
    for (std::size_t level = 1; level < plan.size(); ++level) {
        const PlannedLevel& planned = plan[level];
        if (planned.parentColumns.size() != 1 || planned.childColumns.size() != 1) {
            return std::nullopt;
        }
        const Table& parent = *tables.at(static_cast<std::size_t>(planned.parent));
        const std::size_t parentColumn =
            FindColumn(parent, planned.parentColumns[0], "parent level");
        const KeyKind kind = KindOf(parent, parentColumn);
        if (kind == KeyKind::Other) {
            return std::nullopt;
        }
        const auto found = lookup(planned.command, planned.childColumns[0],
                                  LookupKeys(parent, parentColumn, kind));
        if (!found || !*found ||
            KindOf(**found, FindColumn(**found, planned.childColumns[0], "child level")) != kind) {
            return std::nullopt;
        }
        tables.push_back(*found);
    }
    return tables;
}

}  // namespace

PartedTable EvaluateInParts(std::shared_ptr<const ShapeCommand> command, const ProviderQuery& query,
                            const ProviderStream& stream, const ProviderLookup& lookup,
                            std::size_t rowsPerPart) {
    const auto plan = PlanParts(*command);
    if (!plan) {
        return {Evaluate(*command, query), nullptr};
    }
    std::shared_ptr<const Table> top = query(plan->front().command);
    if (!top) {
        throw runtime::Failure("the data provider gave no result");
    }
    if (top->rowCount <= rowsPerPart) {
        return {WholeFrom(*command, *top, 0, query), nullptr};
    }
    // The first rows, found through indexes, come before the rest is read.
    const std::size_t firstRows = std::min(kFirstRows, rowsPerPart);
    std::optional<std::vector<std::shared_ptr<Table>>> first;
    if (lookup) {
        try {
            first = FirstRowsLookedUp(*plan, *top, firstRows, lookup);
        } catch (const runtime::Failure&) {
            // Read as the other parts are, which says what is wrong.
        }
    }
    const std::size_t firstRow = first ? firstRows : 0;
    PartedResult::ReadLevels readLevels = [plan = *plan, top, stream, firstRow,
                                           rowsPerPart](std::size_t parts) {
        auto file = std::make_shared<PartSpill::File>();
        try {
            file->file = PageFile::Create("the query's rows");
        } catch (const runtime::Failure& failure) {
            throw SetAsideFailed(failure.what());
        }
        return Sorter(plan, *top, firstRow, rowsPerPart, parts, file).Levels(stream);
    };
    auto rest = std::make_unique<PartedResult>(command, top, firstRow, rowsPerPart,
                                               std::move(readLevels), query);
    if (first) {
        return {EvaluateOver(*command, *first), std::move(rest)};
    }
    try {
        auto firstPart = rest->Next();
        return {std::move(firstPart), std::move(rest)};
    } catch (const SetAsideFailed& failure) {
        runtime::ReportFailure("the query's rows are kept in memory", failure.what());
    }
    return {WholeFrom(*command, *top, 0, query), nullptr};
}

}  // namespace kestrova::platform::shape
