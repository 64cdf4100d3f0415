#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/recordset/Variant.h"

namespace kestrova::platform {

// The values of one column, row by row, kept compactly: each value as its
// kind and eight bytes, its text (or date) in blocks the column owns. The
// three levels of a large database hold millions of values; as general
// values, forty bytes each and text on the heap of its own, they took more
// than twice the memory, and clearing that memory for them cost as much
// time as reading them.
class ColumnValues {
public:
    ColumnValues() = default;
    explicit ColumnValues(const std::vector<Variant>& values);

    std::size_t size() const { return kinds_.size(); }
    bool empty() const { return kinds_.empty(); }
    void reserve(std::size_t count);

    void push_back(const Variant& value);
    // Appends text without making a general value of it first.
    void PushText(std::string_view text);

    // The value of `row`, as a general value of its own.
    Variant operator[](std::size_t row) const;
    // Whether the value of `row` is Null or Empty, without making it.
    bool IsMissing(std::size_t row) const;
    // The value of `row` as a whole number when it is of one of the integer
    // kinds (not Boolean), as IntegerOf gives it, without making it.
    std::optional<std::int64_t> IntegerAt(std::size_t row) const;
    // Makes every 64-bit integer of the column a 32-bit one; the caller
    // knows that each fits.
    void NarrowIntegers();
    // Appends the value of `row` to `out` as bytes that PushEncoded reads
    // back as the same value. A recordset cannot be written so: throws
    // runtime::Failure.
    void AppendEncoded(std::size_t row, std::string& out) const;
    // Appends the value written at the front of `bytes` and steps past it.
    // Throws runtime::Failure when `bytes` holds no whole value.
    void PushEncoded(std::string_view& bytes);
    // The values of the rows that `rows` lists, in that order; this column
    // gives up its values to them.
    ColumnValues TakeRows(const std::vector<std::uint32_t>& rows);

private:
    // Bytes kept in blocks that never move once written, so that a growing
    // column never copies its text again.
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t used = 0;
        std::size_t size = 0;
    };

    // Keeps the bytes of `parts`, one after the other, and says where.
    std::uint64_t Kept(std::initializer_list<std::string_view> parts);
    const char* At(std::uint64_t slot) const;
    std::uint64_t StoredText(std::string_view text);
    std::string_view Text(std::uint64_t slot) const;

    void Append(std::uint8_t kind, std::uint64_t slot);
    std::uint8_t KindAt(std::size_t row) const { return kinds_[row]; }
    std::uint64_t SlotAt(std::size_t row) const { return slots_[row]; }

    std::vector<std::uint8_t> kinds_;        // the Variant's index
    std::vector<std::uint64_t> slots_;       // the value, or where it stands
    std::vector<Block> blocks_;              // text as its length and bytes; dates
    std::optional<std::uint64_t> lastText_;  // where the text last kept stands
    std::vector<std::shared_ptr<Recordset>> recordsets_;
};

}  // namespace kestrova::platform
