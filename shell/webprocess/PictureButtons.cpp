#include "shell/webprocess/PictureButtons.h"

#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/extension/JscValues.h"

namespace kestrova::webprocess {

namespace {

using platform::jsc::ValuePtr;

// Each picture's division has its name with "div" for "img", as the click
// handler finds it. Its name for screen readers is the ALT text and the
// cell of its row under the heading "Customer" or "Order #". The picture
// of each division is kept, since looking it up by name walks the whole
// document after every change of it; weakly, so that the rows of a long
// outline that left the document go with their pictures.
constexpr const char* kPictureButtons = R"(
(function () {
    const pictureOf = new Map();
    const isButton = e => e && e.tagName == 'IMG' && e.getAttribute('role') == 'button';
    const expanded = division => division && division.style.display != 'none' ? 'true' : 'false';
    return {
        make(root) {
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
                if (pictureOf.has(division) && pictureOf.get(division).deref() == picture &&
                    isButton(picture)) {
                    continue;  // made in an earlier part of the page
                }
                const row = picture.closest('tr');
                const table = row ? row.closest('table') : null;
                const index = table ? column(table, customer ? 'Customer' : 'Order #') : -1;
                const cell = index >= 0 ? row.cells[index] : null;
                const label = cell ? cell.textContent.replace(/\s+/g, ' ').trim() : '';
                const alt = picture.getAttribute('alt') || '';
                picture.tabIndex = 0;
                picture.setAttribute('role', 'button');
                picture.setAttribute('aria-controls', division);
                picture.setAttribute('aria-expanded', expanded(document.getElementById(division)));
                picture.setAttribute('aria-label', label ? alt + ', ' + label : alt);
                pictureOf.set(division, new WeakRef(picture));
            }
        },
        bind() {
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
            // After the document's own click handler: a focus the click hid
            // goes to the picture.
            window.addEventListener('click', event => {
                const picture = event.target;
                const focused = document.activeElement;
                if (isButton(picture) && focused && focused != picture &&
                    focused != document.body && focused.getClientRects().length == 0) {
                    picture.focus();
                }
            });
        },
        follow(id, display) {
            const picture = pictureOf.has(id) ? pictureOf.get(id).deref() : undefined;
            if (picture && picture.isConnected && picture.getAttribute('aria-controls') == id) {
                picture.setAttribute('aria-expanded', display == 'none' ? 'false' : 'true');
            }
        },
    };
})())";

// The functions above, made once for the document's context.
JSCValue* PictureButtons(JSCContext* context) {
    static platform::GObjectPtr<JSCContext> madeFor;
    static ValuePtr functions;
    if (madeFor.get() != context || !functions) {
        functions.reset(jsc_context_evaluate(context, kPictureButtons, -1));
        madeFor.reset(JSC_CONTEXT(g_object_ref(context)));
        platform::jsc::ThrowPendingException(context, "preparing the picture buttons");
    }
    return functions.get();
}

}  // namespace

void MakePictureButtons(JSCValue* root) {
    JSCContext* context = jsc_value_get_context(root);
    ValuePtr result(jsc_value_object_invoke_method(PictureButtons(context), "make", JSC_TYPE_VALUE,
                                                   root, G_TYPE_NONE));
    platform::jsc::ThrowPendingException(context, "making the pictures buttons");
}

void BindPictureKeys(JSCContext* context) {
    ValuePtr result(jsc_value_object_invoke_method(PictureButtons(context), "bind", G_TYPE_NONE));
    platform::jsc::ThrowPendingException(context, "binding the pictures' keys");
}

void FollowDivision(JSCContext* context, const std::string& divisionId,
                    const std::string& display) {
    ValuePtr result(jsc_value_object_invoke_method(PictureButtons(context), "follow", G_TYPE_STRING,
                                                   divisionId.c_str(), G_TYPE_STRING,
                                                   display.c_str(), G_TYPE_NONE));
    platform::jsc::ThrowPendingException(context, "following a division");
}

}  // namespace kestrova::webprocess
