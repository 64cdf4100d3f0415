// The click handler on pictures with arbitrary names, over divisions of
// both kinds: it always answers False and never fails otherwise.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "interaction/ImageNumber.h"
#include "platform/memorydoc/MemoryBrowser.h"
#include "platform/runtime/App.h"
#include "shell/form/Form1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string name(reinterpret_cast<const char*>(data), size);
    kestrova::ImageNumber(name);
    // The name stands in a quoted attribute: quotes and tag ends would only
    // end it early.
    for (char& c : name) {
        if (c == '"' || c == '>' || c == '\0') {
            c = '_';
        }
    }
    kestrova::runtime::SetAppPath("/fuzz");
    kestrova::platform::MemoryBrowser browser;
    kestrova::Form1 form(browser);
    auto document = std::make_shared<kestrova::platform::MemoryDocument>();
    document->write("<img name=\"" + name + "\"><div id=\"divCustomer0\" style=\"display:none\">" +
                    "<div id=\"divOrder0\"><div id=\"divOrder12\" style=\"display: none\">");
    form.BindDocument(document);
    for (int click = 0; click < 3; ++click) {
        if (document->DispatchClick(0) != std::optional<bool>(false)) {
            std::abort();
        }
        document->DispatchMouseOut(0);
    }
    return 0;
}
