#include "platform/textorder/GeneralOrder.h"

#include <unicode/utf8.h>

#include <algorithm>

#include "platform/textorder/WeightTable.h"

namespace kestrova::platform::textorder {

namespace {

// A key holds three levels, each ended by this byte, which sorts before
// any weight: the first weights, the second, and the characters left out
// of both with where they stand.
constexpr char kLevelSeparator = 1;

// A first weight as its byte; one the order does not know by name is
// followed by its code point in three bytes. No byte that starts one
// element stands for another, so two keys that agree so far stand at the
// start of an element together.
void AppendPrimary(std::string& key, std::uint32_t primary) {
    key += static_cast<char>(primary >> 24);
    if ((primary & 0xFFFFFF) != 0) {
        key += static_cast<char>((primary >> 16) & 0xFF);
        key += static_cast<char>((primary >> 8) & 0xFF);
        key += static_cast<char>(primary & 0xFF);
    }
}

// The next character of UTF-8 text from `at`; U+FFFD for a byte that
// starts no character.
char32_t NextCharacter(std::string_view text, std::size_t& at) {
    UChar32 c = 0;
    int32_t i = static_cast<int32_t>(at);
    U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), i, static_cast<int32_t>(text.size()), c);
    at = static_cast<std::size_t>(i);
    return c < 0 ? U'\uFFFD' : static_cast<char32_t>(c);
}

}  // namespace

GeneralOrder::GeneralOrder(Generation generation)
    : table_(&WeightTable::ForGeneration(generation)) {
    for (char32_t c = 0; c < asciiPrimary_.size(); ++c) {
        const Weights w = table_->Of(c);
        asciiPrimary_[c] = w.count == 0 ? 0 : w.elements[0].primary;
    }
}

std::string_view GeneralOrder::Compared(std::string_view text) const {
    if (table_->TrimsTrailingSpaces()) {
        const auto last = text.find_last_not_of(' ');
        text = text.substr(0, last == std::string_view::npos ? 0 : last + 1);
    }
    return text;
}

std::string GeneralOrder::Key(std::string_view utf8) const {
    utf8 = Compared(utf8);
    std::string primaries;
    std::string secondaries;
    std::string leftOut;
    std::size_t position = 0;
    for (std::size_t at = 0; at < utf8.size(); ++position) {
        const Weights w = table_->Of(NextCharacter(utf8, at));
        if (w.leftOut) {
            const auto place = static_cast<std::uint16_t>(std::min<std::size_t>(position, 0xFFFF));
            leftOut += static_cast<char>(place >> 8);
            leftOut += static_cast<char>(place & 0xFF);
            leftOut += static_cast<char>(w.leftOut);
            continue;
        }
        for (int e = 0; e < w.count; ++e) {
            AppendPrimary(primaries, w.elements[e].primary);
            secondaries += static_cast<char>(w.elements[e].secondary);
        }
    }
    // Unaccented is the least second weight: trailing ones need not be kept.
    while (!secondaries.empty() && secondaries.back() == static_cast<char>(kPlain)) {
        secondaries.pop_back();
    }
    std::string key = std::move(primaries);
    key += kLevelSeparator;
    key += secondaries;
    key += kLevelSeparator;
    key += leftOut;
    return key;
}

std::optional<std::uint32_t> GeneralOrder::NextAsciiWeight(std::string_view text,
                                                           std::size_t& at) const {
    for (; at < text.size(); ++at) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c >= 0x80) {
            return std::nullopt;
        }
        if (asciiPrimary_[c] != 0) {
            return asciiPrimary_[c];
        }
    }
    return 0U;
}

std::optional<int> GeneralOrder::CompareAscii(std::string_view a, std::string_view b) const {
    a = Compared(a);
    b = Compared(b);
    std::size_t i = 0;
    std::size_t j = 0;
    for (;; ++i, ++j) {
        const auto wa = NextAsciiWeight(a, i);
        const auto wb = NextAsciiWeight(b, j);
        if (!wa || !wb) {
            return std::nullopt;
        }
        if (i == a.size() || j == b.size()) {
            if (i == a.size() && j == b.size()) {
                return std::nullopt;  // equal so far: the other levels decide
            }
            return i == a.size() ? -1 : 1;
        }
        if (*wa != *wb) {
            return *wa < *wb ? -1 : 1;
        }
    }
}

}  // namespace kestrova::platform::textorder
