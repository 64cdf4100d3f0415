#include "platform/webkit/extension/OutlineFeed.h"

#include "platform/runtime/Attempt.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform {

using deferred::PartPlace;

OutlineFeed::OutlineFeed(JSCContext* context, std::shared_ptr<DeferredDivisions> deferred,
                         LongOutlines longOutlines, Hooks hooks)
    : context_(JSC_CONTEXT(g_object_ref(context))),
      deferred_(std::move(deferred)),
      longOutlines_(longOutlines),
      hooks_(std::move(hooks)) {}

void OutlineFeed::Read(std::shared_ptr<const MappedText> mapping, std::string_view text,
                       MoreText more) {
    if (ended_) {
        throw runtime::Failure("the page's text has ended already");
    }
    mappings_.push_back(std::move(mapping));
    texts_.push_back(text);
    rows_.Read(text);
    ended_ = more == MoreText::Ends;
    Feed();
}

void OutlineFeed::Feed() {
    if (mode_ == Mode::Deciding) {
        // The first rows go in at once; the rest waits until it is known
        // whether the outline is long.
        if (texts_.size() == 1 && !ended_) {
            writtenRows_ = rows_.Blocks();
            Give(writtenRows_ > 0 ? rows_.End(writtenRows_ - 1) : rows_.Settled(),
                 MoreText::Follows);
        }
        if (rows_.Begun() > kWholeRows && longOutlines_ == LongOutlines::Windowed &&
            texts_.size() > 1) {
            mode_ = Mode::Windowing;
        } else if (ended_) {
            mode_ = Mode::Whole;
        } else {
            return;
        }
    }
    switch (mode_) {
        case Mode::Deciding:
            return;
        case Mode::Whole:
            Give(rows_.ReadEnd(), ended_ ? MoreText::Ends : MoreText::Follows);
            return;
        case Mode::Windowing:
            if (!writer_ || writer_->CaughtUp()) {
                TakeTheWindow();
            }
            return;
        case Mode::Windowed:
            break;
    }
    window_->Grow(rows_.WidestChanged());
    // After the rows, the page's frame goes in as it comes.
    if (!tailGiven_) {
        const auto end = rows_.TableEnd();
        if (!end && !ended_) {
            return;
        }
        written_ = end.value_or(rows_.ReadEnd());
        tailGiven_ = true;
    }
    Give(rows_.ReadEnd(), ended_ ? MoreText::Ends : MoreText::Follows);
}

void OutlineFeed::TakeTheWindow() {
    runtime::Attempt("web process: taking the rows as a window", [&] {
        window_ = RowWindow::Adopt(context_.get(), rows_, writtenRows_, deferred_, hooks_.window);
        if (!window_) {
            throw runtime::Failure("the document does not hold the " +
                                   std::to_string(writtenRows_) + " customers written");
        }
    });
    mode_ = window_ ? Mode::Windowed : Mode::Whole;
    if (window_ && hooks_.windowTaken) {
        hooks_.windowTaken(*window_);
    }
    Feed();
}

void OutlineFeed::OnPartWritten() {
    if (hooks_.partWritten) {
        hooks_.partWritten();
    }
    if (mode_ == Mode::Windowing && writer_ && writer_->CaughtUp()) {
        TakeTheWindow();
    }
}

void OutlineFeed::Give(PartPlace to, MoreText more) {
    if (writer_ && writer_->Done()) {
        return;
    }
    to = std::max(to, written_);
    for (std::size_t part = written_.part; part <= to.part && part < texts_.size(); ++part) {
        const std::string_view whole = texts_[part];
        const std::size_t begin =
            part == written_.part ? std::min(written_.offset, whole.size()) : 0;
        const std::size_t end = part == to.part ? std::min(to.offset, whole.size()) : whole.size();
        const bool last = part == to.part || part + 1 == texts_.size();
        const MoreText pieceMore = last ? more : MoreText::Follows;
        if (end <= begin && pieceMore == MoreText::Follows) {
            continue;
        }
        const std::string_view piece = whole.substr(begin, end > begin ? end - begin : 0);
        if (!writer_) {
            writer_ =
                std::make_unique<PageWriter>(context_.get(), mappings_[part], piece, pieceMore,
                                             hooks_.done, [this] { OnPartWritten(); });
        } else {
            writer_->Continue(mappings_[part], piece, pieceMore);
        }
        if (pieceMore == MoreText::Ends) {
            break;
        }
    }
    written_ = to;
}

}  // namespace kestrova::platform
