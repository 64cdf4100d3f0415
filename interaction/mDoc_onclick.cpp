#include "shell/form/Form1.h"

namespace kestrova {

bool Form1::mDoc_onclick() {
    return false;
}

}  // namespace kestrova
