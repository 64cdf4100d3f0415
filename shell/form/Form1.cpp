#include "shell/form/Form1.h"

namespace kestrova {

Form1::Form1(platform::WebBrowser& webBrowser) : WebBrowser(&webBrowser) {}

Form1::Form1() : WebBrowser(nullptr) {}

Form1::~Form1() = default;

}  // namespace kestrova
