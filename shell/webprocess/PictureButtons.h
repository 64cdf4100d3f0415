#pragma once

#include <jsc/jsc.h>

#include <string>

namespace kestrova::webprocess {

// The customer and order pictures as buttons, for the keyboard and for
// screen readers. The page text says nothing of this: the view gives each
// picture its focus, role, name and expanded state as it builds it.

// Makes every customer and order picture under `root` (the document, or a
// division just built) a button: reached by Tab, named by its ALT text and
// its row (the customer's name, the order's number), expanded while its
// division is shown.
void MakePictureButtons(JSCValue* root);

// Once per document: Enter or Space on a focused picture clicks it, as the
// pointer would; a click on a picture that hid the focus moves it there.
void BindPictureKeys(JSCContext* context);

// A division's display changed: its picture's expanded state follows.
void FollowDivision(JSCContext* context, const std::string& divisionId, const std::string& display);

}  // namespace kestrova::webprocess
