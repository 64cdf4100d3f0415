#include "platform/datashape/Relate.h"
#include "platform/recordset/Overloaded.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace kestrova::platform::shape {

namespace {

// A key: its kind's letter, then its text. Built by appending, because
// GCC 12 wrongly warns of overlapping copies in `"n" + std::string(...)`
// when it inlines that operator in optimised builds.
std::string Tagged(char kind, std::string_view text) {
    std::string key;
    key.reserve(text.size() + 1);
    key += kind;
    key += text;
    return key;
}

std::string NumberKey(double value) {
    if (std::trunc(value) == value && std::fabs(value) < 9.0e18) {
        return Tagged('n', std::to_string(static_cast<std::int64_t>(value)));
    }
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return Tagged('n', std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

std::string CurrencyKey(std::int64_t tenThousandths) {
    if (tenThousandths % 10000 == 0) {
        return Tagged('n', std::to_string(tenThousandths / 10000));
    }
    return NumberKey(static_cast<double>(tenThousandths) / 10000.0);
}

// Whether every value of the column is Null or a whole number, so that the
// rows can be grouped by the number itself.
bool IntegersOnly(const Table& table, std::size_t column) {
    const ColumnValues& values = table.columns[column].values;
    for (std::size_t row = 0; row < values.size(); ++row) {
        if (!values.IntegerAt(row) && !IsNull(values[row])) {
            return false;
        }
    }
    return true;
}

// Gives each parent row the child rows whose key equals its own, keys made
// by `keyOf` (nullopt: relates to nothing). The child rows are grouped in
// two passes over flat arrays, keeping their order within a group.
template <class Key, class KeyOf>
Chapter Group(const Table& parent, std::shared_ptr<Table> child, KeyOf keyOf) {
    constexpr std::uint32_t kNoGroup = UINT32_MAX;
    std::unordered_map<Key, std::uint32_t> groupOfKey;
    std::vector<std::uint32_t> groupOfRow(child->rowCount, kNoGroup);
    std::vector<std::uint32_t> groupStart;  // sizes first, then where each group starts
    for (std::size_t row = 0; row < child->rowCount; ++row) {
        if (auto key = keyOf(*child, row, false)) {
            const auto [entry, added] = groupOfKey.try_emplace(
                std::move(*key), static_cast<std::uint32_t>(groupStart.size()));
            if (added) {
                groupStart.push_back(0);
            }
            groupOfRow[row] = entry->second;
            ++groupStart[entry->second];
        }
    }
    std::uint32_t start = 0;
    for (auto& size : groupStart) {
        start += std::exchange(size, start);
    }
    std::vector<std::uint32_t> groupEnd = groupStart;
    std::vector<std::uint32_t> grouped(start);
    for (std::size_t row = 0; row < child->rowCount; ++row) {
        if (groupOfRow[row] != kNoGroup) {
            grouped[groupEnd[groupOfRow[row]]++] = static_cast<std::uint32_t>(row);
        }
    }
    Chapter chapter;
    chapter.offsets.reserve(parent.rowCount + 1);
    chapter.offsets.push_back(0);
    for (std::size_t row = 0; row < parent.rowCount; ++row) {
        if (auto key = keyOf(parent, row, true)) {
            const auto group = groupOfKey.find(*key);
            if (group != groupOfKey.end()) {
                chapter.rows.insert(chapter.rows.end(), grouped.begin() + groupStart[group->second],
                                    grouped.begin() + groupEnd[group->second]);
            }
        }
        chapter.offsets.push_back(static_cast<std::uint32_t>(chapter.rows.size()));
    }
    chapter.child = std::move(child);
    return chapter;
}

}  // namespace

std::optional<std::string> RelateKey(const Variant& value) {
    return std::visit(
        Overloaded{
            [](const Empty&) -> std::optional<std::string> { return std::nullopt; },
            [](const Null&) -> std::optional<std::string> { return std::nullopt; },
            [](bool b) -> std::optional<std::string> { return b ? "n-1" : "n0"; },
            [](std::uint8_t v) -> std::optional<std::string> {
                return Tagged('n', std::to_string(v));
            },
            [](std::int16_t v) -> std::optional<std::string> {
                return Tagged('n', std::to_string(v));
            },
            [](std::int32_t v) -> std::optional<std::string> {
                return Tagged('n', std::to_string(v));
            },
            [](std::int64_t v) -> std::optional<std::string> {
                return Tagged('n', std::to_string(v));
            },
            [](float v) -> std::optional<std::string> { return NumberKey(v); },
            [](double v) -> std::optional<std::string> { return NumberKey(v); },
            [](const Currency& c) -> std::optional<std::string> {
                return CurrencyKey(c.tenThousandths);
            },
            [](const Decimal& d) -> std::optional<std::string> { return Tagged('d', d.text); },
            [](const Date& d) -> std::optional<std::string> {
                return Tagged('t', std::to_string(d.year) + "-" + std::to_string(d.month) + "-" +
                                       std::to_string(d.day) + " " + std::to_string(d.hour) + ":" +
                                       std::to_string(d.minute) + ":" + std::to_string(d.second) +
                                       "." + std::to_string(d.ticks));
            },
            [](const std::string& s) -> std::optional<std::string> { return "s" + s; },
            [](const Binary& b) -> std::optional<std::string> { return "b" + b.bytes; },
            [](const std::shared_ptr<Recordset>&) -> std::optional<std::string> {
                return std::nullopt;
            },
        },
        value);
}

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

Chapter BuildChapter(const Table& parent, const std::vector<std::size_t>& parentColumns,
                     std::shared_ptr<Table> child, const std::vector<std::size_t>& childColumns) {
    if (parentColumns.size() == 1 && IntegersOnly(parent, parentColumns[0]) &&
        IntegersOnly(*child, childColumns[0])) {
        return Group<std::int64_t>(
            parent, std::move(child), [&](const Table& table, std::size_t row, bool isParent) {
                const std::size_t column = isParent ? parentColumns[0] : childColumns[0];
                return table.columns[column].values.IntegerAt(row);
            });
    }
    return Group<std::string>(
        parent, std::move(child), [&](const Table& table, std::size_t row, bool isParent) {
            return RowKey(table, isParent ? parentColumns : childColumns, row);
        });
}

}  // namespace kestrova::platform::shape
