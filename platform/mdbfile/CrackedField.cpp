#include "platform/mdbfile/CrackedField.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/mdbfile/FieldBytes.h"
#include "platform/mdbfile/JetText.h"
#include "platform/mdbfile/LittleEndian.h"

namespace kestrova::mdbfile {

namespace {

struct GFreer {
    void operator()(char* text) const { g_free(text); }
};

std::int64_t Little(const unsigned char* bytes, int size) {
    const std::uint64_t value = LittleEndian(bytes, static_cast<std::size_t>(size));
    // Sign-extend from the field's width.
    const int unused = 64 - 8 * size;
    return unused > 0 ? static_cast<std::int64_t>(value << unused) >> unused
                      : static_cast<std::int64_t>(value);
}

// The bytes of row `pageRow` (page number << 8 | row) of a long value page.
std::optional<std::string> LongValueRow(MdbHandle* mdb, std::uint32_t pageRow) {
    void* buffer = nullptr;
    int offset = 0;
    std::size_t length = 0;
    if (mdb_find_pg_row(mdb, static_cast<int>(pageRow), &buffer, &offset, &length) != 0 ||
        !buffer || offset < 0 ||
        static_cast<std::size_t>(offset) + length > static_cast<std::size_t>(mdb->fmt->pg_size)) {
        return std::nullopt;
    }
    return std::string(static_cast<const char*>(buffer) + offset, length);
}

// A memo's stored bytes from its 12-byte field: its length and kind, then
// the bytes inline, or the row of one long value page, or a chain of rows
// each naming the next. nullopt when they cannot be found.
std::optional<std::string> MemoBytes(MdbHandle* mdb, const unsigned char* field, int size) {
    constexpr int kHead = 12;
    if (!field || size < kHead) {
        return std::nullopt;
    }
    const auto head = static_cast<std::uint32_t>(Little(field, 4));
    const std::size_t length = head & 0x3fffffff;
    const auto pageRow = static_cast<std::uint32_t>(Little(field + 4, 4));
    if (head & 0x80000000) {
        const std::size_t inline_ =
            std::min<std::size_t>(length, static_cast<std::size_t>(size - kHead));
        return std::string(reinterpret_cast<const char*>(field + kHead), inline_);
    }
    if (head & 0x40000000) {
        auto row = LongValueRow(mdb, pageRow);
        if (row && row->size() > length) {
            row->resize(length);
        }
        return row;
    }
    std::string bytes;
    std::unordered_set<std::uint32_t> visited;
    for (std::uint32_t next = pageRow; next != 0 && bytes.size() < length;) {
        const auto row = LongValueRow(mdb, next);
        if (!row || row->size() < 4 || !visited.insert(next).second) {
            return std::nullopt;  // not there, or a chain that loops
        }
        next = static_cast<std::uint32_t>(
            Little(reinterpret_cast<const unsigned char*>(row->data()), 4));
        bytes.append(*row, 4);
    }
    bytes.resize(std::min(bytes.size(), length));
    return bytes;
}

using Bytes = std::string_view;

// A calculated column's stored value: its memo (from the long value pages)
// or its own bytes, unwrapped.
std::optional<SqlValue> CalculatedValue(MdbHandle* mdb, const ColumnTraits& traits, Bytes field) {
    std::optional<std::string> memo;
    if (traits.valueType == MDB_MEMO) {
        memo = MemoBytes(mdb, reinterpret_cast<const unsigned char*>(field.data()),
                         static_cast<int>(field.size()));
        if (!memo) {
            return std::nullopt;
        }
        field = *memo;
    }
    return CalculatedValueOfBytes(field, traits);
}

}  // namespace

std::optional<SqlValue> ReadField(MdbHandle* mdb, const MdbColumn& column,
                                  const ColumnTraits& traits, const MdbField& field) {
    const int type = column.col_type;
    if (type == MDB_BOOL && !traits.calculated) {
        // A Boolean's value is its bit in the null mask: set means true.
        return SqlValue::OfInteger(field.is_null ? 0 : 1);
    }
    if (field.is_null) {
        return SqlValue{};
    }
    if (field.siz < 0 || (!field.value && field.siz > 0)) {
        return std::nullopt;
    }
    const Bytes bytes = field.siz == 0 ? Bytes()
                                       : Bytes(static_cast<const char*>(field.value),
                                               static_cast<std::size_t>(field.siz));
    if (traits.calculated) {
        return CalculatedValue(mdb, traits, bytes);
    }
    const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
    if (!jet3 && type == MDB_MEMO) {
        const auto memo = MemoBytes(mdb, static_cast<const unsigned char*>(field.value), field.siz);
        return memo ? ValueOfBytes(MDB_MEMO, *memo, traits) : std::nullopt;
    }
    if (!(jet3 && (type == MDB_TEXT || type == MDB_MEMO))) {
        return ValueOfBytes(type, bytes, traits);
    }
    // Jet 3 text is a code page's bytes. Those of code page 1252 are
    // converted here, the undefined ones kept apart; the library converts
    // the others, and memos.
    constexpr unsigned kWesternEurope = 1252;
    if (type == MDB_TEXT && traits.codePage == kWesternEurope) {
        return SqlValue::OfText(Utf8FromCodePage1252(
            reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
    }
    std::unique_ptr<char, GFreer> text(
        mdb_col_to_string(mdb, mdb->pg_buf, field.start, type, field.siz));
    return text ? std::optional(SqlValue::OfText(text.get())) : std::nullopt;
}

}  // namespace kestrova::mdbfile
