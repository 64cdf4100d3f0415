#include "platform/datashape/KeyParts.h"

#include <algorithm>
#include <charconv>

#include "platform/datashape/Relate.h"

namespace kestrova::platform::shape {

namespace {

// A single column's key: numbers that are whole (an integer, or a double
// or amount of whole units) relate by their value, as their keys' text
// says ("n42").
PartKey SingleKey(const std::string& text) {
    if (text.size() > 1 && text[0] == 'n') {
        std::int64_t number = 0;
        const char* first = text.data() + 1;
        const char* last = text.data() + text.size();
        const auto [end, error] = std::from_chars(first, last, number);
        if (error == std::errc() && end == last && std::to_string(number) == text.substr(1)) {
            return number;
        }
    }
    return text;
}

template <class Key>
void SortAndDrop(std::vector<std::pair<Key, std::uint32_t>>& entries) {
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    entries.shrink_to_fit();
}

template <class Key>
void Find(const std::vector<std::pair<Key, std::uint32_t>>& entries, const Key& key,
          std::vector<std::uint32_t>& parts) {
    const auto first = std::lower_bound(
        entries.begin(), entries.end(), key,
        [](const std::pair<Key, std::uint32_t>& entry, const Key& k) { return entry.first < k; });
    parts.clear();
    for (auto at = first; at != entries.end() && at->first == key; ++at) {
        parts.push_back(at->second);
    }
}

}  // namespace

std::optional<PartKey> KeyOf(const Table& table, const std::vector<std::size_t>& columns,
                             std::size_t row) {
    if (columns.size() == 1) {
        const ColumnValues& values = table.columns[columns[0]].values;
        if (const auto number = values.IntegerAt(row)) {
            return *number;
        }
        const auto key = RelateKey(values[row]);
        if (!key) {
            return std::nullopt;
        }
        return SingleKey(*key);
    }
    auto key = RowKey(table, columns, row);
    if (!key) {
        return std::nullopt;
    }
    return std::move(*key);
}

void KeyParts::Add(PartKey key, std::uint32_t part) {
    if (auto* number = std::get_if<std::int64_t>(&key)) {
        numbers_.emplace_back(*number, part);
    } else {
        texts_.emplace_back(std::move(std::get<std::string>(key)), part);
    }
}

void KeyParts::Seal() {
    SortAndDrop(numbers_);
    SortAndDrop(texts_);
}

void KeyParts::PartsOf(const PartKey& key, std::vector<std::uint32_t>& parts) const {
    if (const auto* number = std::get_if<std::int64_t>(&key)) {
        Find(numbers_, *number, parts);
    } else {
        Find(texts_, std::get<std::string>(key), parts);
    }
}

}  // namespace kestrova::platform::shape
