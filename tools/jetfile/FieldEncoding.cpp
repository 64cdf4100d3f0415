#include "tools/jetfile/FieldEncoding.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace kestrova::jetfile {

namespace {

void AppendLittle(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xff);
    }
}

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what);
}

}  // namespace

std::string Utf16(const std::string& text) {
    std::string out;
    std::size_t i = 0;
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    while (i < text.size()) {
        const unsigned char lead = byte(i);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        std::uint32_t code = 0xfffd;
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        if (valid) {
            code = length == 1 ? lead : lead & (0x7f >> length);
            for (int k = 1; k < length && valid; ++k) {
                valid = (byte(i + k) & 0xc0) == 0x80;
                code = (code << 6) | (byte(i + k) & 0x3f);
            }
        }
        if (!valid) {
            code = 0xfffd;
            i += 1;
        } else {
            i += static_cast<std::size_t>(length);
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            AppendLittle(out, 0xd800 + (code >> 10), 2);
            AppendLittle(out, 0xdc00 + (code & 0x3ff), 2);
        } else {
            AppendLittle(out, code, 2);
        }
    }
    return out;
}

std::string EncodedText(const std::string& text) {
    std::string out = Utf16(text);
    // Stored text that starts with FF FE is the compressed form. A text
    // whose first character is U+FEFF (FF FE in UTF-16) is therefore written
    // in that form, switched at once to two bytes a character.
    if (out.size() >= 2 && out[0] == '\xFF' && out[1] == '\xFE') {
        out.insert(0, std::string("\xFF\xFE\x00", 3));
    }
    return out;
}

std::string EncodedFixed(ColumnType type, const Value& value, const std::string& column) {
    const auto* whole = std::get_if<std::int64_t>(&value);
    const auto* real = std::get_if<double>(&value);
    std::string bytes;
    if (type == ColumnType::Boolean) {
        return bytes;
    }
    if (type == ColumnType::Single || type == ColumnType::Double || type == ColumnType::DateTime) {
        if (!real) {
            Fail("a number was expected in " + column);
        }
        if (type == ColumnType::Single) {
            const float single = static_cast<float>(*real);
            bytes.resize(4);
            std::memcpy(bytes.data(), &single, 4);
        } else {
            bytes.resize(8);
            std::memcpy(bytes.data(), real, 8);
        }
        return bytes;
    }
    if (!whole) {
        Fail("a whole number was expected in " + column);
    }
    const auto bits = static_cast<std::uint64_t>(*whole);
    const int size = type == ColumnType::Byte      ? 1
                     : type == ColumnType::Integer ? 2
                     : type == ColumnType::Long    ? 4
                                                   : 8;
    AppendLittle(bytes, bits, size);
    return bytes;
}

std::string EncodedDecimal(bool negative, unsigned __int128 digits) {
    std::string bytes(1, negative ? '\x80' : '\0');
    for (int word = 3; word >= 0; --word) {
        AppendLittle(bytes, static_cast<std::uint64_t>((digits >> (32 * word)) & 0xffffffffU), 4);
    }
    return bytes;
}

}  // namespace kestrova::jetfile
