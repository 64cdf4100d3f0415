#include "platform/textorder/TextOrder.h"

#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <cstring>

#include "platform/textorder/GeneralOrder.h"
#include "platform/textorder/KeyCache.h"
#include "platform/textorder/LanguageNames.h"

namespace kestrova::platform::textorder {

namespace {

int CompareKeys(const std::string& a, const std::string& b) {
    const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0) {
        return c < 0 ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

class General final : public TextOrder {
public:
    explicit General(Generation generation) : order_(generation) {}

    int Compare(std::string_view a, std::string_view b) override {
        if (a == b) {
            return 0;
        }
        if (const auto first = order_.CompareAscii(a, b)) {
            return *first;
        }
        const auto make = [this](std::string_view text) { return order_.Key(text); };
        const std::string ka = cache_.KeyOf(a, make);
        return CompareKeys(ka, cache_.KeyOf(b, make));
    }

private:
    GeneralOrder order_;
    KeyCache cache_;
};

struct CollatorClose {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};

class Language final : public TextOrder {
public:
    explicit Language(std::unique_ptr<UCollator, CollatorClose> collator)
        : collator_(std::move(collator)) {}

    int Compare(std::string_view a, std::string_view b) override {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult result =
            ucol_strcollUTF8(collator_.get(), a.data(), static_cast<int32_t>(a.size()), b.data(),
                             static_cast<int32_t>(b.size()), &status);
        return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
    }

private:
    std::unique_ptr<UCollator, CollatorClose> collator_;
};

}  // namespace

std::unique_ptr<TextOrder> MakeTextOrder(const SortOrder& order, std::string& note) {
    note.clear();
    if (order.IsGeneral()) {
        return std::make_unique<General>(order.generation);
    }
    const std::string name = SortOrderName(order.language);
    char locale[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_getLocaleForLCID(order.language, locale, sizeof locale, &status);
    std::unique_ptr<UCollator, CollatorClose> collator;
    if (U_SUCCESS(status) && locale[0]) {
        collator.reset(ucol_open(locale, &status));
    }
    if (!collator || U_FAILURE(status)) {
        note = "the database's sort order " + name + " is unknown here; its text sorts as General";
        return std::make_unique<General>(Generation::General2010);
    }
    // Case never counts in the format's orders; accents do.
    ucol_setStrength(collator.get(), UCOL_SECONDARY);
    char language[ULOC_LANG_CAPACITY] = {};
    uloc_getLanguage(locale, language, sizeof language, &status);
    note = "the database sorts " + name + " text as ICU's " + language +
           " collation, the nearest to its own order";
    return std::make_unique<Language>(std::move(collator));
}

}  // namespace kestrova::platform::textorder
