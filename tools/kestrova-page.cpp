// kestrova-page [APPDIR]: builds the page the window would show for
// APPDIR/AdvWorks.mdb and writes it to stdout as it is built. Exits 0 when
// the database opened and 1 when it did not; the page is written either
// way.

#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/runtime/App.h"
#include "platform/runtime/Attempt.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/MemoryPolicy.h"
#include "shell/form/Form1.h"
#include "tools/PageOutput.h"

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

    tools::PageOutput output(STDOUT_FILENO);
    Form1 form(output);
    {
        runtime::LargeBlockReuse reuse;
        form.ShowOutlinePage(PageData::Database, Assembly::Streamed);
    }

    if (!output.Written()) {
        std::fprintf(stderr, "kestrova-page: the page could not be written: %s\n",
                     output.Failure().c_str());
        return 2;
    }
    if (!Form1::PageWhole()) {
        std::fprintf(stderr,
                     "kestrova-page: the page is not whole: the parts named above are left out\n");
        return 1;
    }
    return form.DataOpened() ? 0 : 1;
}
