#include "tools/PageOutput.h"

#include <sys/sendfile.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/document/HTMLDocument.h"
#include "platform/document/PageStretches.h"
#include "platform/pagefile/PageFile.h"
#include "platform/runtime/Failure.h"

namespace kestrova::tools {

namespace {

[[noreturn]] void Refused(const char* what) {
    throw runtime::Failure(std::string(what) + ": " + std::strerror(errno));
}

void WriteAll(int out, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(out, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            Refused("cannot write the page");
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Bytes of a page file go out without passing through this process's
// memory; where the output takes no such copy, through a small buffer.
void CopyAll(int out, const platform::PageFile& file, std::uint64_t offset, std::size_t length) {
    bool direct = true;
    std::vector<char> buffer;
    while (length > 0) {
        if (direct) {
            auto from = static_cast<off_t>(offset);
            const ssize_t n = sendfile(out, file.Descriptor(), &from, length);
            if (n > 0) {
                offset += static_cast<std::uint64_t>(n);
                length -= static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n == 0 || (errno != EINVAL && errno != ENOSYS)) {
                Refused("cannot write the page");
            }
            direct = false;
            buffer.resize(1024 * 1024);
        }
        const std::size_t n = std::min(length, buffer.size());
        file.Read(offset, n, buffer.data());
        WriteAll(out, std::string_view(buffer.data(), n));
        offset += n;
        length -= n;
    }
}

void Output(int out, const platform::PageText& text, std::size_t from) {
    if (const auto* place = text.InFile()) {
        CopyAll(out, *place->file, place->offset + from, text.size() - from);
    } else {
        WriteAll(out, text.View().substr(from));
    }
}

class NoElement final : public platform::IHTMLElementProperties {
public:
    void put_src(const std::string&) override {}
    void put_href(const std::string&) override {}
    void put_className(const std::string&) override {}
};

// What is set on the page's elements changes nothing of its text.
class NoElements final : public platform::IHTMLElementList {
public:
    std::unique_ptr<platform::IHTMLElementProperties> Item(std::int16_t) override {
        return std::make_unique<NoElement>();
    }
};

}  // namespace

class PageOutput::OutputDocument final : public platform::BrowserDocument,
                                         public platform::PageStretches,
                                         public std::enable_shared_from_this<OutputDocument> {
public:
    explicit OutputDocument(int out) : out_(out) {}

    std::shared_ptr<platform::PageStretches> TakeInStretches(std::string_view lead) override {
        const std::lock_guard lock(mutex_);
        if (written_ || streaming_) {
            return nullptr;
        }
        streaming_ = true;
        lead_ = std::string(lead);
        Attempt([&] { WriteAll(out_, lead_); });
        return std::shared_ptr<platform::PageStretches>(shared_from_this(), this);
    }

    void Grown(platform::PageText soFar) override {
        const std::lock_guard lock(mutex_);
        if (soFar.size() <= latest_.size()) {
            return;
        }
        Attempt([&] { Output(out_, soFar, latest_.size()); });
        latest_ = std::move(soFar);
    }

    void write(platform::PageText text) override {
        const std::lock_guard lock(mutex_);
        if (written_) {
            throw runtime::Failure("the page is already written; the document takes one write");
        }
        written_ = true;
        if (!streaming_) {
            Attempt([&] { Output(out_, text, 0); });
            return;
        }
        if (text.View().substr(0, lead_.size()) != lead_ ||
            !text.From(lead_.size()).BeginsWith(latest_)) {
            failure_ = "the page's text does not go on from what was already written out";
            return;
        }
        Attempt([&] { Output(out_, text, lead_.size() + latest_.size()); });
        latest_ = platform::PageText();
    }

    std::unique_ptr<platform::IHTMLElementList> getElementsByTagName(const std::string&) override {
        return std::make_unique<NoElements>();
    }
    void Advise(platform::HTMLDocumentEvents&) override {}
    void Unadvise() override {}

    bool Written() const {
        const std::lock_guard lock(mutex_);
        return written_ && failure_.empty();
    }
    std::string Failure() const {
        const std::lock_guard lock(mutex_);
        return written_ || !failure_.empty() ? failure_ : "no page was written";
    }

private:
    // The first failure is kept; nothing more goes out after it.
    template <typename Step>
    void Attempt(Step step) {
        if (!failure_.empty()) {
            return;
        }
        try {
            step();
        } catch (const std::exception& error) {
            failure_ = error.what();
        }
    }

    int out_;
    mutable std::mutex mutex_;
    bool streaming_ = false;
    bool written_ = false;
    std::string lead_;
    platform::PageText latest_;
    std::string failure_;
};

void PageOutput::Navigate(const std::string&) {
    document_ = std::make_shared<OutputDocument>(out_);
}

std::shared_ptr<platform::BrowserDocument> PageOutput::Document() {
    return document_;
}

bool PageOutput::Written() const {
    return document_ && document_->Written();
}

std::string PageOutput::Failure() const {
    return document_ ? document_->Failure() : "no document was made";
}

}  // namespace kestrova::tools
