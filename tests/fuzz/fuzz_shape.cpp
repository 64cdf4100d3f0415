// The shape command parser and evaluator on arbitrary text. The parser
// accepts or refuses with a message, and never does anything else. A
// command it accepts is evaluated over three small tables (named t, u and
// v, each with columns a, b and c of assorted kinds and keys that repeat,
// are Null or relate to nothing), whole and in parts of one and of two top
// rows, the first part of two found through a stand-in for indexes: the
// parts must walk the rows of the whole, and where the whole is refused with
// a message, so must the parts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/datashape/PartedEvaluation.h"
#include "platform/datashape/ShapeEvaluator.h"
#include "platform/datashape/ShapeParser.h"
#include "platform/recordset/CommandSource.h"
#include "platform/recordset/Recordset.h"
#include "platform/recordset/TypeCodes.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"
#include "tools/JsonWriter.h"

namespace {

using namespace kestrova::platform;

std::shared_ptr<Table> MakeTable(const std::string& name) {
    auto table = std::make_shared<Table>();
    const auto add = [&](const char* column, std::int32_t type, std::vector<Variant> values) {
        Column& added = table->columns.emplace_back();
        added.name = column;
        added.type = type;
        added.values = ColumnValues(values);
        table->rowCount = values.size();
    };
    if (name == "t") {
        add("a", adInteger, {1, 2, Null{}, 3, 1});
        add("b", adVarWChar, {"x", "y", "x", "N", Null{}});
        add("c", adCurrency, {Currency{10000}, Currency{2}, Null{}, Currency{30000}, Currency{5}});
    } else if (name == "u") {
        add("a", adDouble, {1.0, 3.0, 2.5, Null{}, 1.0, 4.0});
        add("b", adVarWChar, {"x", "N", "y", "x", "z", Null{}});
        add("c", adInteger, {7, 8, Null{}, 9, 10, 11});
    } else if (name == "v") {
        add("a", adCurrency, {Currency{10000}, Currency{30000}, Currency{1}, Null{}});
        add("b", adInteger, {10, 7, 9, 8});
        add("c", adVarWChar, {"p", "q", Null{}, "r"});
    } else {
        throw kestrova::runtime::Failure("no such table: " + name);
    }
    return table;
}

std::shared_ptr<Table> Query(const std::string& command) {
    return MakeTable(command);
}

// Hands the rows on one at a time, their types known from the start.
shape::RowsFinisher Stream(const std::string& command, const std::function<void(Table&)>& take) {
    const auto source = MakeTable(command);
    for (std::size_t row = 0; row < source->rowCount; ++row) {
        Table chunk;
        for (const auto& column : source->columns) {
            Column& copy = chunk.columns.emplace_back();
            copy.name = column.name;
            copy.type = column.type;
            copy.values.push_back(column.values[row]);
        }
        chunk.rowCount = 1;
        take(chunk);
    }
    return [source](Table& rows) {
        rows.columns.resize(source->columns.size());
        for (std::size_t c = 0; c < rows.columns.size(); ++c) {
            rows.columns[c].name = source->columns[c].name;
            rows.columns[c].type = source->columns[c].type;
        }
    };
}

// Finds a table's rows by a column's keys as an index would: in the
// table's order.
std::optional<std::shared_ptr<Table>> Lookup(const std::string& command, const std::string& column,
                                             const std::vector<shape::PartKey>& keys) {
    const auto source = MakeTable(command);
    const std::size_t c = shape::FindColumn(*source, column, "child level");
    auto found = std::make_shared<Table>();
    for (const auto& from : source->columns) {
        Column& copy = found->columns.emplace_back();
        copy.name = from.name;
        copy.type = from.type;
    }
    for (std::size_t row = 0; row < source->rowCount; ++row) {
        const Variant value = source->Cell(row, c);
        const auto number = source->columns[c].values.IntegerAt(row);
        const bool hit = std::any_of(keys.begin(), keys.end(), [&](const shape::PartKey& key) {
            const auto* whole = std::get_if<std::int64_t>(&key);
            return whole ? number == *whole
                         : std::holds_alternative<std::string>(value) &&
                               std::get<std::string>(value) == std::get<std::string>(key);
        });
        if (hit) {
            for (std::size_t k = 0; k < source->columns.size(); ++k) {
                found->columns[k].values.push_back(source->Cell(row, k));
            }
            ++found->rowCount;
        }
    }
    return found;
}

enum class Lookups { Made, None };

void Walk(Recordset& recordset, std::string& out) {
    const auto fields = recordset.Fields();
    for (; !recordset.EOF(); recordset.MoveNext()) {
        for (std::int32_t i = 0; i < fields.Count(); ++i) {
            const auto value = fields.Item(i).Value();
            if (const auto* child = std::get_if<std::shared_ptr<Recordset>>(&value)) {
                out += '<';
                Walk(**child, out);
                out += '>';
            } else {
                out += kestrova::tools::ValueJson(value);
            }
            out += '|';
        }
        out += ';';
    }
}

// Evaluates over the three tables, whole or in parts, as the connection
// does over the database.
class Tables : public CommandSource {
public:
    Tables(std::optional<std::size_t> rowsPerPart, Lookups lookups)
        : rowsPerPart_(rowsPerPart), lookups_(lookups) {}

    std::shared_ptr<Table> Execute(const std::string& command) const override {
        return shape::Evaluate(shape::Parse(command), Query);
    }
    PartedTable ExecuteInParts(const std::string& command) const override {
        if (!rowsPerPart_) {
            return CommandSource::ExecuteInParts(command);
        }
        auto parsed = std::make_shared<const shape::ShapeCommand>(shape::Parse(command));
        return shape::EvaluateInParts(std::move(parsed), Query, Stream,
                                      lookups_ == Lookups::Made ? Lookup : nullptr, *rowsPerPart_);
    }

private:
    std::optional<std::size_t> rowsPerPart_;
    Lookups lookups_;
};

// The rows walked, or nothing where the command is refused.
std::optional<std::string> Rows(std::string_view text, std::optional<std::size_t> rowsPerPart,
                                Lookups lookups = Lookups::None) {
    try {
        Recordset recordset;
        recordset.Open(std::string(text), Tables(rowsPerPart, lookups));
        std::string rows;
        Walk(recordset, rows);
        return rows;
    } catch (const kestrova::runtime::Failure&) {
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        kestrova::runtime::SetDiagnosticsSink([](std::string_view) {});
        return true;
    }();
    (void)quiet;
    const std::string_view command(reinterpret_cast<const char*>(data), size);
    shape::IsShapeCommand(command);
    try {
        shape::Parse(command);
    } catch (const kestrova::runtime::Failure&) {
        return 0;
    }
    const auto whole = Rows(command, std::nullopt);
    if (Rows(command, 1) != whole || Rows(command, 2, Lookups::Made) != whole) {
        std::abort();
    }
    return 0;
}
