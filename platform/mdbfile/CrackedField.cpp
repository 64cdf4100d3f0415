#include "platform/mdbfile/CrackedField.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

#include "platform/mdbfile/JetText.h"

namespace kestrova::mdbfile {

namespace {

struct GFreer {
    void operator()(char* text) const { g_free(text); }
};

std::int64_t Little(const unsigned char* bytes, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
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

}  // namespace

SqlValue ReadField(MdbHandle* mdb, const MdbColumn& column, const MdbField& field) {
    const int type = column.col_type;
    if (type == MDB_BOOL) {
        // A Boolean's value is its bit in the null mask: set means true.
        return SqlValue::OfInteger(field.is_null ? 0 : 1);
    }
    if (field.is_null) {
        return {};
    }
    const auto* bytes = static_cast<const unsigned char*>(field.value);
    const int size = field.siz;
    const auto fixedSizeIs = [&](int expected) { return bytes && size == expected; };
    switch (type) {
        case MDB_BYTE:
            return fixedSizeIs(1) ? SqlValue::OfInteger(bytes[0]) : SqlValue{};
        case MDB_INT:
            return fixedSizeIs(2) ? SqlValue::OfInteger(Little(bytes, 2)) : SqlValue{};
        case MDB_LONGINT:
            return fixedSizeIs(4) ? SqlValue::OfInteger(Little(bytes, 4)) : SqlValue{};
        case MDB_MONEY:
            return fixedSizeIs(8) ? MoneyValue(Little(bytes, 8)) : SqlValue{};
        case MDB_FLOAT: {
            if (!fixedSizeIs(4)) {
                return {};
            }
            float single = 0;
            std::memcpy(&single, bytes, 4);
            return SqlValue::OfReal(single);
        }
        case MDB_DOUBLE:
        case MDB_DATETIME: {
            if (!fixedSizeIs(8)) {
                return {};
            }
            double real = 0;
            std::memcpy(&real, bytes, 8);
            return type == MDB_DATETIME ? DateTimeValue(real) : SqlValue::OfReal(real);
        }
        case MDB_BINARY:
            return bytes ? SqlValue::OfBlob(std::string(reinterpret_cast<const char*>(bytes),
                                                        static_cast<std::size_t>(size)))
                         : SqlValue{};
        case MDB_TEXT:
            if (mdb->f->jet_version == MDB_VER_JET3) {
                break;  // a code page's bytes: the library converts them
            }
            return bytes ? SqlValue::OfText(Utf8FromJetText(bytes, static_cast<std::size_t>(size)))
                         : SqlValue{};
        case MDB_MEMO: {
            if (mdb->f->jet_version == MDB_VER_JET3) {
                break;
            }
            const auto memo = MemoBytes(mdb, bytes, size);
            return memo ? SqlValue::OfText(Utf8FromJetText(
                              reinterpret_cast<const unsigned char*>(memo->data()), memo->size()))
                        : SqlValue{};
        }
        default:
            break;
    }
    std::unique_ptr<char, GFreer> text(
        mdb_col_to_string(mdb, mdb->pg_buf, field.start, type, size));
    return text ? SqlValue::OfText(text.get()) : SqlValue{};
}

}  // namespace kestrova::mdbfile
