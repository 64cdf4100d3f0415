#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kestrova::platform::textorder {

// Sort keys made once for each text: a column repeats its texts row after
// row. Holds a bounded number of them; not for two threads at once.
class KeyCache {
public:
    template <typename MakeKey>
    const std::string& KeyOf(std::string_view text, MakeKey make) {
        constexpr std::size_t kMostKeys = 1 << 16;
        const auto found = keys_.find(text);
        if (found != keys_.end()) {
            return found->second;
        }
        if (keys_.size() >= kMostKeys) {
            keys_.clear();
        }
        return keys_.emplace(std::string(text), make(text)).first->second;
    }

private:
    // Looked up by a view of the text: no copy of it unless it is new.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::unordered_map<std::string, std::string, TextHash, std::equal_to<>> keys_;
};

}  // namespace kestrova::platform::textorder
