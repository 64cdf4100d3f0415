#include "platform/runtime/Attempt.h"
#include "platform/runtime/Require.h"
#include "shell/form/Form1.h"

namespace kestrova {

using runtime::Attempt;
using runtime::Require;

// A picture the pointer has left takes the class "DontPoint".
void Form1::mDoc_onmouseout() {
    if (!Attempt("mouse-out: taking the element", [&] {
            mElement =
                Require(Require(mDoc->parentWindow(), "window").event(), "event").srcElement();
        })) {
        return;
    }
    bool isImage = false;
    Attempt("mouse-out: reading the element's tag",
            [&] { isImage = Require(mElement, "element").tagName() == "IMG"; });
    if (!isImage) {
        return;
    }
    Attempt("mouse-out: setting the picture's class",
            [&] { mElement->put_className("DontPoint"); });
}

}  // namespace kestrova
