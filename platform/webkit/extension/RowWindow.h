#pragma once

#include <jsc/jsc.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/deferredpage/OutlineRows.h"
#include "platform/rowwindow/RowHeights.h"
#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/extension/DeferredDivisions.h"
#include "platform/webkit/extension/JscDocument.h"

namespace kestrova::platform {

// The view's window over a long outline: the document holds the customers'
// blocks of rows around the part of the page in sight, and fillers stand
// for the others at their true height; blocks come in and go as the view
// scrolls, from the page text the rows were read from. The page's script
// (RowWindowScript) does the work in the document; this side gives it the
// blocks' markup and heights, and tells it what comes and what the
// handlers set.
class RowWindow final : public std::enable_shared_from_this<RowWindow> {
public:
    struct Hooks {
        // Rows came into the document: their pictures become buttons.
        std::function<void(JSCValue* row)> rowsCameIn;
        // The view moved.
        std::function<void()> moved;
    };
    // Where the view stands: the block at its top, and how far below its top.
    struct Place {
        std::int64_t block = 0;
        double offset = 0;
    };

    // Takes the `written` blocks the document holds as the window; nullptr
    // when the document does not hold them as expected. `rows` and
    // `deferred` outlive it.
    static std::shared_ptr<RowWindow> Adopt(JSCContext* context, const deferred::OutlineRows& rows,
                                            std::size_t written,
                                            std::shared_ptr<DeferredDivisions> deferred,
                                            Hooks hooks);
    ~RowWindow();
    RowWindow(const RowWindow&) = delete;
    RowWindow& operator=(const RowWindow&) = delete;

    // More blocks have come: `rows` holds them, and whether the widest
    // cells changed.
    void Grow(bool widestChanged);
    // A handler set a property of an element: the block that holds it
    // keeps it. The block, or -1 when the element is in none.
    std::int64_t Changed(const ElementChange& change);
    // What a handler set on a block before the page was put back; false
    // when there is no such block (yet).
    bool Restore(std::int64_t block, const ElementChange& change);
    std::optional<Place> Where();
    // Scrolls to a place; false when its block has not come yet.
    bool GoTo(const Place& place);

    // The bridge's side: what the page's script asks of this one.
    std::size_t Count() const { return heights_.Count(); }
    std::string Markup(std::size_t from, std::size_t to) const;
    RowHeights& Heights() { return heights_; }
    JSCValue* Widest(JSCContext* context) const;
    DeferredDivisions& Deferred() { return *deferred_; }
    const Hooks& TheHooks() const { return hooks_; }

private:
    RowWindow(const deferred::OutlineRows& rows, std::shared_ptr<DeferredDivisions> deferred,
              Hooks hooks);
    GObjectPtr<JSCValue> MakeBridge(JSCContext* context);

    const deferred::OutlineRows& rows_;
    std::shared_ptr<DeferredDivisions> deferred_;
    Hooks hooks_;
    RowHeights heights_;
    GObjectPtr<JSCValue> window_;
};

}  // namespace kestrova::platform
