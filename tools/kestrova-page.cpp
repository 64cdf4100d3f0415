// kestrova-page [APPDIR]: builds the page the window would show for
// APPDIR/AdvWorks.mdb and writes it to stdout. Exits 0 when the database
// opened and 1 when it did not; the page is written either way.

#include <cstdio>
#include <string>

#include "platform/memorydoc/MemoryBrowser.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Attempt.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/MemoryPolicy.h"
#include "shell/form/Form1.h"

namespace {

bool WriteAll(std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
           std::fflush(stdout) == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace kestrova;
    if (argc > 2) {
        std::fprintf(stderr, "usage: kestrova-page [APPDIR]\n");
        return 2;
    }
    const bool found = runtime::Attempt("finding the application directory", [&] {
        runtime::SetAppPath(argc == 2 ? runtime::AbsoluteDirectory(argv[1])
                                      : runtime::ExecutableDirectory());
    });
    if (!found) {
        return 2;
    }

    platform::MemoryBrowser browser;
    Form1 form(browser);
    {
        runtime::LargeBlockReuse reuse;
        form.ShowOutlinePage();
    }

    const auto document = browser.CurrentDocument();
    if (!document || !WriteAll(document->WrittenText())) {
        std::fprintf(stderr, "kestrova-page: the page could not be written\n");
        return 2;
    }
    if (!Form1::PageWhole()) {
        std::fprintf(stderr,
                     "kestrova-page: the page is not whole: the parts named above are left out\n");
        return 1;
    }
    return form.DataOpened() ? 0 : 1;
}
