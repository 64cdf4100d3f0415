#pragma once

namespace kestrova::runtime {

// The calling thread yields the processor to the program's others and to
// the view whenever they want it: it does work the user does not wait on
// from moment to moment (building a long page), while a click must be
// answered at once. Failing to change it changes nothing.
void RunInTheBackground();

}  // namespace kestrova::runtime
