#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/textorder/SortOrder.h"

namespace kestrova::platform::textorder {

// Compares texts in one sort order. Not for use from two threads at once:
// it keeps the keys of texts it has seen.
class TextOrder {
public:
    virtual ~TextOrder() = default;
    // Negative, zero or positive as `a` sorts before, with or after `b`.
    virtual int Compare(std::string_view a, std::string_view b) = 0;
};

// The order itself where Kestrova knows it (General, of each generation);
// for another language ICU's collation of it, case ignored, with `note`
// saying so; for a language ICU does not know, General, with `note` saying
// that.
std::unique_ptr<TextOrder> MakeTextOrder(const SortOrder& order, std::string& note);

}  // namespace kestrova::platform::textorder
