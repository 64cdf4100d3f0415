#pragma once

#include <memory>
#include <string>

#include "platform/document/WebBrowser.h"

namespace kestrova::tools {

// A browser control without a view whose document writes the page's text
// to a file descriptor as it comes: its start while the page is still
// assembled, the rest when it is written. Nothing of it is kept: text that
// lies in a page file goes out straight from that file.
class PageOutput final : public platform::WebBrowser {
public:
    explicit PageOutput(int out) : out_(out) {}

    void Navigate(const std::string& address) override;
    std::shared_ptr<platform::BrowserDocument> Document() override;

    // Whether a page was written whole; else what went wrong.
    bool Written() const;
    std::string Failure() const;

private:
    class OutputDocument;
    int out_;
    std::shared_ptr<OutputDocument> document_;
};

}  // namespace kestrova::tools
