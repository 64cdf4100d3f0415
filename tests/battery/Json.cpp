#include "tests/battery/Json.h"

#include <cstdint>
#include <stdexcept>

namespace kestrova::testing {

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    Json Whole() {
        Json value = Value();
        Skip();
        if (at_ != text_.size()) {
            Fail("text after the value");
        }
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error("no JSON at byte " + std::to_string(at_) + ": " + what);
    }

    void Skip() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' ||
                                      text_[at_] == '\r' || text_[at_] == '\t')) {
            ++at_;
        }
    }

    bool Take(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }

    Json Value() {
        Skip();
        Json value;
        if (Take("null")) {
            return value;
        }
        if (Take("true")) {
            value.kind = Json::Boolean;
            value.boolean = true;
            return value;
        }
        if (Take("false")) {
            value.kind = Json::Boolean;
            return value;
        }
        if (at_ >= text_.size()) {
            Fail("the text ends");
        }
        if (text_[at_] == '"') {
            value.kind = Json::String;
            value.text = StringBody();
        } else if (text_[at_] == '[') {
            value.kind = Json::Array;
            List(']', [&] { value.items.push_back(Value()); });
        } else if (text_[at_] == '{') {
            value.kind = Json::Object;
            List('}', [&] {
                Skip();
                if (at_ >= text_.size() || text_[at_] != '"') {
                    Fail("a member without a name");
                }
                std::string name = StringBody();
                Skip();
                if (!Take(":")) {
                    Fail("a member without ':'");
                }
                value.members.emplace_back(std::move(name), Value());
            });
        } else {
            value.kind = Json::Number;
            const std::size_t start = at_;
            while (at_ < text_.size() &&
                   std::string_view("+-0123456789.eE").find(text_[at_]) != std::string_view::npos) {
                ++at_;
            }
            if (at_ == start) {
                Fail("an unknown value");
            }
            value.text = std::string(text_.substr(start, at_ - start));
        }
        return value;
    }

    template <class Element>
    void List(char close, Element element) {
        ++at_;
        Skip();
        if (Take(std::string_view(&close, 1))) {
            return;
        }
        do {
            element();
            Skip();
        } while (Take(","));
        if (!Take(std::string_view(&close, 1))) {
            Fail(std::string("no '") + close + "'");
        }
    }

    std::uint32_t Hex4() {
        if (at_ + 4 > text_.size()) {
            Fail("a short \\u escape");
        }
        const std::string digits(text_.substr(at_, 4));
        at_ += 4;
        return static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
    }

    std::string StringBody() {
        ++at_;
        std::string out;
        while (at_ < text_.size() && text_[at_] != '"') {
            if (text_[at_] != '\\') {
                out += text_[at_++];
                continue;
            }
            if (++at_ >= text_.size()) {
                break;
            }
            const char escaped = text_[at_++];
            switch (escaped) {
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'u': {
                    // Both writers escape only control characters, and
                    // kestrova-shape a byte that is no UTF-8 as U+FFFD.
                    const std::uint32_t code = Hex4();
                    if (code == 0xFFFD) {
                        out += "\xEF\xBF\xBD";
                    } else if (code < 0x80) {
                        out += static_cast<char>(code);
                    } else {
                        Fail("an escape neither writer makes");
                    }
                    break;
                }
                default:
                    out += escaped;
            }
        }
        if (!Take("\"")) {
            Fail("a string without its end");
        }
        return out;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

Json::Json() = default;
Json::Json(const Json&) = default;
Json::Json(Json&&) noexcept = default;
Json& Json::operator=(const Json&) = default;
Json& Json::operator=(Json&&) noexcept = default;
Json::~Json() = default;

const Json* Json::Find(std::string_view name) const {
    for (const auto& [key, value] : members) {
        if (key == name) {
            return &value;
        }
    }
    return nullptr;
}

std::string Json::Written() const {
    switch (kind) {
        case Null:
            return "null";
        case Boolean:
            return boolean ? "true" : "false";
        case Number:
            return text;
        case String:
            return "\"" + text + "\"";
        case Array: {
            std::string out = "[";
            for (const auto& item : items) {
                out += (out.size() > 1 ? ", " : "") + item.Written();
            }
            return out + "]";
        }
        case Object: {
            std::string out = "{";
            for (const auto& [key, value] : members) {
                out += (out.size() > 1 ? ", \"" : "\"") + key + "\": " + value.Written();
            }
            return out + "}";
        }
    }
    return {};
}

Json ParseJson(std::string_view text) {
    return Parser(text).Whole();
}

}  // namespace kestrova::testing
