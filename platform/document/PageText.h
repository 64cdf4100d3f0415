#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kestrova::platform {

class PageFile;

// A page's text, read only, shared by whoever holds it without copies. It
// keeps alive the memory it lies in: a string of its own, or the storage
// of the buffer it was taken from. Text that lies in a page file says
// where, so that it can go to another process as that file.
class PageText {
public:
    // Where a text lies in a page file: the file, and where its first
    // byte is. Text in a page file is never changed once written.
    struct FilePlace {
        std::shared_ptr<const PageFile> file;
        std::uint64_t offset = 0;
    };

    PageText() = default;
    // The text takes the string over.
    PageText(std::string text)  // NOLINT: a string is a page text
        : owner_(std::make_shared<const std::string>(std::move(text))),
          view_(*static_cast<const std::string*>(owner_.get())) {}
    PageText(const char* text) : PageText(std::string(text)) {}  // NOLINT
    // `view` lies in memory that `owner` keeps alive.
    PageText(std::shared_ptr<const void> owner, std::string_view view)
        : owner_(std::move(owner)), view_(view) {}
    // ... and is the text of `place`, mapped.
    PageText(std::shared_ptr<const void> owner, std::string_view view, FilePlace place)
        : owner_(std::move(owner)), view_(view), place_(std::move(place)) {}

    std::string_view View() const { return view_; }
    operator std::string_view() const { return view_; }  // NOLINT
    const char* data() const { return view_.data(); }
    std::size_t size() const { return view_.size(); }
    bool empty() const { return view_.empty(); }
    std::string ToString() const { return std::string(view_); }
    // Where the text lies in a page file, or nullptr when it lies in none.
    const FilePlace* InFile() const { return place_.file ? &place_ : nullptr; }
    // The text from `from` on, in the same memory.
    PageText From(std::size_t from) const {
        FilePlace place = place_;
        place.offset += from;
        return PageText(owner_, view_.substr(from), std::move(place));
    }
    // Whether this text begins with `start`: known without reading either
    // when both lie in the same place.
    bool BeginsWith(const PageText& start) const {
        if (start.size() > size()) {
            return false;
        }
        if (start.data() == data() || (place_.file && place_.file == start.place_.file &&
                                       place_.offset == start.place_.offset)) {
            return true;
        }
        return view_.substr(0, start.size()) == start.view_;
    }

private:
    std::shared_ptr<const void> owner_;
    std::string_view view_;
    FilePlace place_;
};

inline bool operator==(const PageText& text, std::string_view other) {
    return text.View() == other;
}

}  // namespace kestrova::platform
