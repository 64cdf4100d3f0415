#include "shell/webprocess/PictureButtons.h"

#include <map>

#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/extension/JscValues.h"

namespace kestrova::webprocess {

namespace {

using platform::jsc::ValuePtr;

// Each picture's division has its name with "div" for "img", as the click
// handler finds it. Its name for screen readers is the ALT text and the
// cell of its row under the heading "Customer" or "Order #".
constexpr const char* kMakeButtons = R"(
(function (root) {
    const columns = new Map();
    const column = (table, heading) => {
        if (!columns.has(table)) {
            const headings = table.rows.length ? Array.from(table.rows[0].cells) : [];
            columns.set(table, headings.map(cell => cell.textContent.trim()));
        }
        return columns.get(table).indexOf(heading);
    };
    const pictures = root.querySelectorAll('img[name^="imgCustomer"], img[name^="imgOrder"]');
    for (const picture of pictures) {
        const customer = picture.name.startsWith('imgCustomer');
        const division = 'div' + picture.name.substring(3);
        const row = picture.closest('tr');
        const table = row ? row.closest('table') : null;
        const index = table ? column(table, customer ? 'Customer' : 'Order #') : -1;
        const cell = index >= 0 ? row.cells[index] : null;
        const label = cell ? cell.textContent.replace(/\s+/g, ' ').trim() : '';
        const alt = picture.getAttribute('alt') || '';
        const shown = document.getElementById(division);
        picture.tabIndex = 0;
        picture.setAttribute('role', 'button');
        picture.setAttribute('aria-controls', division);
        picture.setAttribute('aria-expanded',
                             shown && shown.style.display != 'none' ? 'true' : 'false');
        picture.setAttribute('aria-label', label ? alt + ', ' + label : alt);
    }
}))";

constexpr const char* kBindKeys = R"(
(function () {
    const isButton = e => e && e.tagName == 'IMG' && e.getAttribute('role') == 'button';
    document.addEventListener('keydown', event => {
        if ((event.key != 'Enter' && event.key != ' ') || event.altKey || event.ctrlKey ||
            event.metaKey || event.shiftKey || !isButton(event.target)) {
            return;
        }
        event.preventDefault();
        if (!event.repeat) {
            event.target.click();
        }
    });
    // After the document's own click handler: a focus the click hid goes
    // to the picture.
    window.addEventListener('click', event => {
        const picture = event.target;
        const focused = document.activeElement;
        if (isButton(picture) && focused && focused != picture && focused != document.body &&
            focused.getClientRects().length == 0) {
            picture.focus();
        }
    });
}))";

constexpr const char* kFollowDivision = R"(
(function (id, display) {
    const name = 'img' + id.substring(3);
    for (const picture of document.getElementsByName(name)) {
        if (picture.getAttribute('aria-controls') == id) {
            picture.setAttribute('aria-expanded', display == 'none' ? 'false' : 'true');
        }
    }
}))";

// Each script's function, compiled once for the document's context: a
// division is built and a display changes at every first click.
JSCValue* Script(JSCContext* context, const char* code) {
    struct Compiled {
        platform::GObjectPtr<JSCContext> context;
        ValuePtr function;
    };
    static std::map<const char*, Compiled> compiled;
    Compiled& entry = compiled[code];
    if (entry.context.get() != context || !entry.function) {
        entry.function.reset(jsc_context_evaluate(context, code, -1));
        entry.context.reset(JSC_CONTEXT(g_object_ref(context)));
        platform::jsc::ThrowPendingException(context, "preparing the picture buttons");
    }
    return entry.function.get();
}

}  // namespace

void MakePictureButtons(JSCValue* root) {
    JSCContext* context = jsc_value_get_context(root);
    ValuePtr result(
        jsc_value_function_call(Script(context, kMakeButtons), JSC_TYPE_VALUE, root, G_TYPE_NONE));
    platform::jsc::ThrowPendingException(context, "making the pictures buttons");
}

void BindPictureKeys(JSCContext* context) {
    ValuePtr result(jsc_value_function_call(Script(context, kBindKeys), G_TYPE_NONE));
    platform::jsc::ThrowPendingException(context, "binding the pictures' keys");
}

void FollowDivision(JSCContext* context, const std::string& divisionId,
                    const std::string& display) {
    if (divisionId.rfind("div", 0) != 0) {
        return;
    }
    ValuePtr result(jsc_value_function_call(Script(context, kFollowDivision), G_TYPE_STRING,
                                            divisionId.c_str(), G_TYPE_STRING, display.c_str(),
                                            G_TYPE_NONE));
    platform::jsc::ThrowPendingException(context, "following a division");
}

}  // namespace kestrova::webprocess
