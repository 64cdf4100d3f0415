#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace kestrova::platform {

// A page's text, read only, shared by whoever holds it without copies. It
// keeps alive the memory it lies in: a string of its own, or the storage
// of the buffer it was taken from.
class PageText {
public:
    PageText() = default;
    // The text takes the string over.
    PageText(std::string text)  // NOLINT: a string is a page text
        : owner_(std::make_shared<const std::string>(std::move(text))),
          view_(*static_cast<const std::string*>(owner_.get())) {}
    PageText(const char* text) : PageText(std::string(text)) {}  // NOLINT
    // `view` lies in memory that `owner` keeps alive.
    PageText(std::shared_ptr<const void> owner, std::string_view view)
        : owner_(std::move(owner)), view_(view) {}

    std::string_view View() const { return view_; }
    operator std::string_view() const { return view_; }  // NOLINT
    const char* data() const { return view_.data(); }
    std::size_t size() const { return view_.size(); }
    bool empty() const { return view_.empty(); }
    std::string ToString() const { return std::string(view_); }
    // The text from `from` on, in the same memory.
    PageText From(std::size_t from) const { return PageText(owner_, view_.substr(from)); }

private:
    std::shared_ptr<const void> owner_;
    std::string_view view_;
};

inline bool operator==(const PageText& text, std::string_view other) {
    return text.View() == other;
}

}  // namespace kestrova::platform
