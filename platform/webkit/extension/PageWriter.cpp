#include "platform/webkit/extension/PageWriter.h"

#include "platform/runtime/Attempt.h"
#include "platform/runtime/Failure.h"
#include "platform/webkit/extension/JscValues.h"

namespace kestrova::platform {

namespace {

// The first piece is small, so that the first rows come at once; the turns
// after it write for a frame's time each.
constexpr std::size_t kFirstPiece = 32 * 1024;
constexpr std::size_t kPiece = 128 * 1024;
constexpr double kTurnSeconds = 0.04;

// A piece ends before a byte that continues a UTF-8 character.
std::size_t PieceEnd(std::string_view text, std::size_t from, std::size_t length) {
    std::size_t end = std::min(text.size(), from + length);
    while (end > from && end < text.size() &&
           (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return end > from ? end : std::min(text.size(), from + length);
}

}  // namespace

PageWriter::PageWriter(JSCContext* context, std::shared_ptr<const MappedText> mapping,
                       std::string_view text, MoreText more, std::function<void()> done,
                       std::function<void()> partWritten)
    : context_(JSC_CONTEXT(g_object_ref(context))),
      document_(jsc_context_get_value(context, "document")),
      mapping_(std::move(mapping)),
      text_(text),
      more_(more),
      done_(std::move(done)),
      partWritten_(std::move(partWritten)) {
    if (jsc::IsNothing(document_.get())) {
        throw runtime::Failure("the page has no document");
    }
    jsc::ValuePtr opened(jsc_value_object_invoke_method(document_.get(), "open", G_TYPE_NONE));
    jsc::ThrowPendingException(context_.get(), "opening the document");
    WritePiece(kFirstPiece);
    source_ = g_idle_add(&PageWriter::OnTurn, this);
}

PageWriter::~PageWriter() {
    if (source_) {
        g_source_remove(source_);
    }
}

void PageWriter::WritePiece(std::size_t length) {
    const std::size_t end = PieceEnd(text_, position_, length);
    const std::string_view piece = text_.substr(position_, end - position_);
    position_ = end;
    const GBytesPtr bytes(g_bytes_new_static(piece.data(), piece.size()));
    jsc::ValuePtr markup(jsc_value_new_string_from_bytes(context_.get(), bytes.get()));
    jsc::ValuePtr ignored(jsc_value_object_invoke_method(document_.get(), "write", JSC_TYPE_VALUE,
                                                         markup.get(), G_TYPE_NONE));
    jsc::ThrowPendingException(context_.get(), "writing the page");
}

bool PageWriter::WriteFor(double seconds) {
    const gint64 until = g_get_monotonic_time() + static_cast<gint64>(seconds * 1e6);
    while (position_ < text_.size() && g_get_monotonic_time() < until) {
        WritePiece(kPiece);
    }
    return position_ < text_.size();
}

void PageWriter::Continue(std::shared_ptr<const MappedText> mapping, std::string_view text,
                          MoreText more) {
    const bool lastCame =
        next_.empty() ? more_ == MoreText::Ends : next_.back().more == MoreText::Ends;
    if (closed_ || lastCame) {
        throw runtime::Failure("the page is already written whole");
    }
    next_.push_back(Part{std::move(mapping), text, more});
    if (!source_) {
        source_ = g_idle_add(&PageWriter::OnTurn, this);
    }
}

bool PageWriter::TakeNextPart() {
    if (position_ < text_.size() || next_.empty()) {
        return false;
    }
    if (partWritten_) {
        partWritten_();
    }
    // The part before is in the document now; its file is not needed.
    mapping_ = std::move(next_.front().mapping);
    text_ = next_.front().text;
    more_ = next_.front().more;
    position_ = 0;
    next_.pop_front();
    return true;
}

gboolean PageWriter::OnTurn(gpointer data) {
    auto* writer = static_cast<PageWriter*>(data);
    writer->TakeNextPart();
    bool more = false;
    const bool wrote = runtime::Attempt("web process: writing the page",
                                        [&] { more = writer->WriteFor(kTurnSeconds); });
    if (wrote && more) {
        return G_SOURCE_CONTINUE;
    }
    writer->position_ = writer->text_.size();
    if (writer->TakeNextPart()) {
        return G_SOURCE_CONTINUE;
    }
    writer->source_ = 0;
    if (writer->more_ == MoreText::Follows) {
        if (writer->partWritten_) {
            writer->partWritten_();
        }
        return G_SOURCE_REMOVE;  // until Continue
    }
    writer->Close();  // may destroy the writer
    return G_SOURCE_REMOVE;
}

void PageWriter::Close() {
    closed_ = true;
    runtime::Attempt("web process: closing the document", [&] {
        jsc::ValuePtr closed(jsc_value_object_invoke_method(document_.get(), "close", G_TYPE_NONE));
        jsc::ThrowPendingException(context_.get(), "closing the document");
    });
    if (done_) {
        auto done = std::move(done_);
        done();  // may destroy the writer
    }
}

}  // namespace kestrova::platform
