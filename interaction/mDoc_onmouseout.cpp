#include "shell/form/Form1.h"

namespace kestrova {

void Form1::mDoc_onmouseout() {}

}  // namespace kestrova
