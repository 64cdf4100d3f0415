#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

namespace kestrova {

// The window's 14 by 14 icon: a small outline drawn in a framed square.
GdkPixbuf* NewWindowIcon();

}  // namespace kestrova
