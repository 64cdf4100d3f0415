#pragma once

namespace kestrova::platform {

// The page's own script for the window over the outline's rows: evaluated
// once in the page's context, it gives an object whose open(bridge) makes
// the window (see RowWindowScript.cpp and RowWindow).
extern const char* const kRowWindowScript;

}  // namespace kestrova::platform
