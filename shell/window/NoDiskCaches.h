#pragma once

namespace kestrova {

// The program keeps nothing between runs. The graphics driver would keep a
// shader cache in the user's home for every process that draws (the window,
// its web process, and the test and benchmark programs that show a view);
// this turns it off, unless the user chose otherwise. Call it first thing
// in main, before any toolkit is set up.
void DisableDiskCaches();

}  // namespace kestrova
