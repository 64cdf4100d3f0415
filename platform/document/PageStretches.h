#pragma once

#include "platform/document/PageText.h"

namespace kestrova::platform {

// The text of a page on its way to a document while it is still being
// written, so that the document can show its start before the rest is
// there. The page's text is the lead given when the stretches were asked
// for, then the text given here, each time more of it, then whatever the
// write adds; the write's text must be all of that, or the stretches are
// forgotten. Each stretch ends after a tag, never inside a hidden division.
class PageStretches {
public:
    virtual ~PageStretches() = default;
    // The page's text so far after the lead. Called from any one thread.
    virtual void Grown(PageText soFar) = 0;
};

}  // namespace kestrova::platform
