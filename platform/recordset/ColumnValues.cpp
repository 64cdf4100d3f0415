#include "platform/recordset/ColumnValues.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <type_traits>

#include "platform/recordset/Overloaded.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform {

namespace {

// The index of kind `T` among the Variant's alternatives.
template <class T, std::size_t I = 0>
constexpr std::uint8_t KindOf() {
    if constexpr (std::is_same_v<std::variant_alternative_t<I, Variant>, T>) {
        return static_cast<std::uint8_t>(I);
    } else {
        return KindOf<T, I + 1>();
    }
}

template <class T>
Variant Make(T value) {
    return Variant(std::in_place_type<T>, std::move(value));
}

std::uint64_t SignedSlot(std::int64_t value) {
    return static_cast<std::uint64_t>(value);
}

// A date is kept as its bytes.
static_assert(std::is_trivially_copyable_v<Date>);

// Text in a block: its length in four bytes, then its bytes.
using TextLength = std::uint32_t;

constexpr std::size_t kBlockBytes = 64 * 1024;

}  // namespace

ColumnValues::ColumnValues(const std::vector<Variant>& values) {
    reserve(values.size());
    for (const auto& value : values) {
        push_back(value);
    }
}

void ColumnValues::reserve(std::size_t count) {
    kinds_.reserve(count);
    slots_.reserve(count);
}

void ColumnValues::Append(std::uint8_t kind, std::uint64_t slot) {
    kinds_.push_back(kind);
    slots_.push_back(slot);
}

std::uint64_t ColumnValues::Kept(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (const auto part : parts) {
        size += part.size();
    }
    if (blocks_.empty() || blocks_.back().size - blocks_.back().used < size) {
        const std::size_t blockSize = std::max(size, kBlockBytes);
        blocks_.push_back({std::make_unique_for_overwrite<char[]>(blockSize), 0, blockSize});
    }
    Block& block = blocks_.back();
    // A block holds one value larger than the usual size alone, so every
    // offset within a block fits in 32 bits.
    const std::uint64_t slot = (static_cast<std::uint64_t>(blocks_.size() - 1) << 32) | block.used;
    for (const auto part : parts) {
        if (!part.empty()) {
            std::memcpy(block.bytes.get() + block.used, part.data(), part.size());
            block.used += part.size();
        }
    }
    return slot;
}

const char* ColumnValues::At(std::uint64_t slot) const {
    return blocks_[slot >> 32].bytes.get() + (slot & 0xFFFFFFFFU);
}

std::uint64_t ColumnValues::StoredText(std::string_view text) {
    if (text.size() > std::numeric_limits<TextLength>::max()) {
        throw runtime::Failure("a value of " + std::to_string(text.size()) +
                               " bytes is too long to keep");
    }
    // Sorted results repeat a text row after row (every line item of one
    // product): such a text is kept once.
    if (lastText_ && Text(*lastText_) == text) {
        return *lastText_;
    }
    const auto length = static_cast<TextLength>(text.size());
    lastText_ =
        Kept({std::string_view(reinterpret_cast<const char*>(&length), sizeof length), text});
    return *lastText_;
}

std::string_view ColumnValues::Text(std::uint64_t slot) const {
    const char* at = At(slot);
    TextLength length = 0;
    std::memcpy(&length, at, sizeof length);
    return std::string_view(at + sizeof length, length);
}

void ColumnValues::push_back(const Variant& value) {
    std::uint64_t slot = 0;
    std::visit(Overloaded{
                   [](const Empty&) {},
                   [](const Null&) {},
                   [&](bool v) { slot = v ? 1 : 0; },
                   [&](std::uint8_t v) { slot = v; },
                   [&](std::int16_t v) { slot = SignedSlot(v); },
                   [&](std::int32_t v) { slot = SignedSlot(v); },
                   [&](std::int64_t v) { slot = SignedSlot(v); },
                   [&](float v) { slot = std::bit_cast<std::uint32_t>(v); },
                   [&](double v) { slot = std::bit_cast<std::uint64_t>(v); },
                   [&](const Currency& v) { slot = SignedSlot(v.tenThousandths); },
                   [&](const Decimal& v) { slot = StoredText(v.text); },
                   [&](const Date& v) {
                       slot = Kept({std::string_view(reinterpret_cast<const char*>(&v), sizeof v)});
                   },
                   [&](const std::string& v) { slot = StoredText(v); },
                   [&](const Binary& v) { slot = StoredText(v.bytes); },
                   [&](const std::shared_ptr<Recordset>& v) {
                       slot = recordsets_.size();
                       recordsets_.push_back(v);
                   },
               },
               value);
    Append(static_cast<std::uint8_t>(value.index()), slot);
}

void ColumnValues::PushText(std::string_view text) {
    const std::uint64_t slot = StoredText(text);
    Append(KindOf<std::string>(), slot);
}

Variant ColumnValues::operator[](std::size_t row) const {
    const std::uint64_t slot = SlotAt(row);
    switch (KindAt(row)) {
        case KindOf<Empty>():
            return Empty{};
        case KindOf<Null>():
            return Null{};
        case KindOf<bool>():
            return Make<bool>(slot != 0);
        case KindOf<std::uint8_t>():
            return Make<std::uint8_t>(static_cast<std::uint8_t>(slot));
        case KindOf<std::int16_t>():
            return Make<std::int16_t>(static_cast<std::int16_t>(slot));
        case KindOf<std::int32_t>():
            return Make<std::int32_t>(static_cast<std::int32_t>(slot));
        case KindOf<std::int64_t>():
            return Make<std::int64_t>(static_cast<std::int64_t>(slot));
        case KindOf<float>():
            return Make<float>(std::bit_cast<float>(static_cast<std::uint32_t>(slot)));
        case KindOf<double>():
            return Make<double>(std::bit_cast<double>(slot));
        case KindOf<Currency>():
            return Currency{static_cast<std::int64_t>(slot)};
        case KindOf<Decimal>():
            return Decimal{std::string(Text(slot))};
        case KindOf<Date>(): {
            Date date;
            std::memcpy(&date, At(slot), sizeof date);
            return date;
        }
        case KindOf<std::string>():
            return Make<std::string>(std::string(Text(slot)));
        case KindOf<Binary>():
            return Binary{std::string(Text(slot))};
        default:
            return recordsets_[slot];
    }
}

bool ColumnValues::IsMissing(std::size_t row) const {
    const std::uint8_t kind = KindAt(row);
    return kind == KindOf<Null>() || kind == KindOf<Empty>();
}

std::optional<std::int64_t> ColumnValues::IntegerAt(std::size_t row) const {
    switch (KindAt(row)) {
        case KindOf<std::uint8_t>():
        case KindOf<std::int16_t>():
        case KindOf<std::int32_t>():
        case KindOf<std::int64_t>():
            return static_cast<std::int64_t>(SlotAt(row));
        default:
            return std::nullopt;
    }
}

void ColumnValues::NarrowIntegers() {
    for (auto& kind : kinds_) {
        if (kind == KindOf<std::int64_t>()) {
            kind = KindOf<std::int32_t>();
        }
    }
}

namespace {

// How a value is written: its kind, then what the kind needs.
enum class Encoding { Nothing, Slot, Text, Date };

Encoding EncodingOf(std::uint8_t kind) {
    switch (kind) {
        case KindOf<Empty>():
        case KindOf<Null>():
            return Encoding::Nothing;
        case KindOf<Decimal>():
        case KindOf<std::string>():
        case KindOf<Binary>():
            return Encoding::Text;
        case KindOf<Date>():
            return Encoding::Date;
        case KindOf<std::shared_ptr<Recordset>>():
            throw runtime::Failure("a recordset cannot be set aside as bytes");
        default:
            return Encoding::Slot;
    }
}

void AppendBytes(std::string& out, const void* bytes, std::size_t size) {
    out.append(static_cast<const char*>(bytes), size);
}

std::string_view TakeBytes(std::string_view& bytes, std::size_t size) {
    if (bytes.size() < size) {
        throw runtime::Failure("the rows set aside are cut short");
    }
    const std::string_view taken = bytes.substr(0, size);
    bytes.remove_prefix(size);
    return taken;
}

template <class T>
T TakeValue(std::string_view& bytes) {
    T value;
    std::memcpy(&value, TakeBytes(bytes, sizeof value).data(), sizeof value);
    return value;
}

}  // namespace

void ColumnValues::AppendEncoded(std::size_t row, std::string& out) const {
    const std::uint8_t kind = KindAt(row);
    const std::uint64_t slot = SlotAt(row);
    const Encoding encoding = EncodingOf(kind);
    out += static_cast<char>(kind);
    if (encoding == Encoding::Slot) {
        AppendBytes(out, &slot, sizeof slot);
    } else if (encoding == Encoding::Text) {
        const std::string_view text = Text(slot);
        const auto length = static_cast<TextLength>(text.size());
        AppendBytes(out, &length, sizeof length);
        out += text;
    } else if (encoding == Encoding::Date) {
        AppendBytes(out, At(slot), sizeof(Date));
    }
}

void ColumnValues::PushEncoded(std::string_view& bytes) {
    const auto kind = TakeValue<std::uint8_t>(bytes);
    if (kind >= std::variant_size_v<Variant>) {
        throw runtime::Failure("a value set aside is of no known kind");
    }
    std::uint64_t slot = 0;
    switch (EncodingOf(kind)) {
        case Encoding::Nothing:
            break;
        case Encoding::Slot:
            slot = TakeValue<std::uint64_t>(bytes);
            break;
        case Encoding::Text:
            slot = StoredText(TakeBytes(bytes, TakeValue<TextLength>(bytes)));
            break;
        case Encoding::Date:
            slot = Kept({TakeBytes(bytes, sizeof(Date))});
            break;
    }
    Append(kind, slot);
}

ColumnValues ColumnValues::TakeRows(const std::vector<std::uint32_t>& rows) {
    ColumnValues taken;
    taken.reserve(rows.size());
    for (const auto row : rows) {
        taken.Append(KindAt(row), SlotAt(row));
    }
    // The slots still say where their text and dates stand.
    taken.blocks_ = std::move(blocks_);
    taken.lastText_ = lastText_;
    taken.recordsets_ = std::move(recordsets_);
    *this = ColumnValues();
    return taken;
}

}  // namespace kestrova::platform
