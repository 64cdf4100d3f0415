#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrova::testing {

// A JSON value as the tests compare them: a number keeps its text as
// written, so that digits are compared, not doubles.
struct Json {
    // Declared here and defined where Json is complete: a vector of pairs
    // holding Json cannot be looked into before.
    Json();
    Json(const Json&);
    Json(Json&&) noexcept;
    Json& operator=(const Json&);
    Json& operator=(Json&&) noexcept;
    ~Json();

    enum Kind { Null, Boolean, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    std::string text;  // a number's text, or a string's value (UTF-8)
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    // The member called `name`, or nullptr.
    const Json* Find(std::string_view name) const;
    // The value written back as JSON text, for messages.
    std::string Written() const;
};

// Parses one JSON value that makes up the whole of `text`; throws
// std::runtime_error where it is no JSON.
Json ParseJson(std::string_view text);

}  // namespace kestrova::testing
