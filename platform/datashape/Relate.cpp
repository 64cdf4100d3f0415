#include "platform/datashape/Relate.h"
#include "platform/recordset/Overloaded.h"

#include <charconv>
#include <cmath>
#include <unordered_map>

namespace kestrova::platform::shape {

namespace {

std::string NumberKey(double value) {
    if (std::trunc(value) == value && std::fabs(value) < 9.0e18) {
        return "n" + std::to_string(static_cast<std::int64_t>(value));
    }
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return "n" + std::string(buffer, end);
}

std::string CurrencyKey(std::int64_t tenThousandths) {
    if (tenThousandths % 10000 == 0) {
        return "n" + std::to_string(tenThousandths / 10000);
    }
    return NumberKey(static_cast<double>(tenThousandths) / 10000.0);
}

// A row's key over several columns; nullopt when any of them is Null.
std::optional<std::string> RowKey(const Table& table, const std::vector<std::size_t>& columns,
                                  std::size_t row) {
    std::string key;
    for (const auto column : columns) {
        auto part = RelateKey(table.Cell(row, column));
        if (!part) {
            return std::nullopt;
        }
        key += std::to_string(part->size()) + ":" + *part;
    }
    return key;
}

}  // namespace

std::optional<std::string> RelateKey(const Variant& value) {
    return std::visit(
        Overloaded{
            [](const Empty&) -> std::optional<std::string> { return std::nullopt; },
            [](const Null&) -> std::optional<std::string> { return std::nullopt; },
            [](bool b) -> std::optional<std::string> { return b ? "n-1" : "n0"; },
            [](std::uint8_t v) -> std::optional<std::string> { return "n" + std::to_string(v); },
            [](std::int16_t v) -> std::optional<std::string> { return "n" + std::to_string(v); },
            [](std::int32_t v) -> std::optional<std::string> { return "n" + std::to_string(v); },
            [](std::int64_t v) -> std::optional<std::string> { return "n" + std::to_string(v); },
            [](float v) -> std::optional<std::string> { return NumberKey(v); },
            [](double v) -> std::optional<std::string> { return NumberKey(v); },
            [](const Currency& c) -> std::optional<std::string> {
                return CurrencyKey(c.tenThousandths);
            },
            [](const Decimal& d) -> std::optional<std::string> { return "d" + d.text; },
            [](const Date& d) -> std::optional<std::string> {
                return "t" + std::to_string(d.year) + "-" + std::to_string(d.month) + "-" +
                       std::to_string(d.day) + " " + std::to_string(d.hour) + ":" +
                       std::to_string(d.minute) + ":" + std::to_string(d.second);
            },
            [](const std::string& s) -> std::optional<std::string> { return "s" + s; },
            [](const Binary& b) -> std::optional<std::string> { return "b" + b.bytes; },
            [](const std::shared_ptr<Recordset>&) -> std::optional<std::string> {
                return std::nullopt;
            },
        },
        value);
}

Chapter BuildChapter(const Table& parent, const std::vector<std::size_t>& parentColumns,
                     std::shared_ptr<const Table> child,
                     const std::vector<std::size_t>& childColumns) {
    std::unordered_map<std::string, std::vector<std::uint32_t>> groups;
    for (std::size_t row = 0; row < child->rowCount; ++row) {
        if (auto key = RowKey(*child, childColumns, row)) {
            groups[*key].push_back(static_cast<std::uint32_t>(row));
        }
    }
    Chapter chapter;
    chapter.offsets.reserve(parent.rowCount + 1);
    chapter.offsets.push_back(0);
    for (std::size_t row = 0; row < parent.rowCount; ++row) {
        if (auto key = RowKey(parent, parentColumns, row)) {
            const auto group = groups.find(*key);
            if (group != groups.end()) {
                chapter.rows.insert(chapter.rows.end(), group->second.begin(), group->second.end());
            }
        }
        chapter.offsets.push_back(static_cast<std::uint32_t>(chapter.rows.size()));
    }
    chapter.child = std::move(child);
    return chapter;
}

}  // namespace kestrova::platform::shape
