#include "shell/form/Form1.h"

namespace kestrova {

Form1::Form1(platform::WebBrowser& webBrowser) : WebBrowser(&webBrowser) {}

Form1::Form1() : WebBrowser(nullptr) {}

Form1::~Form1() {
    StopAssembly();
}

void Form1::StopAssembly() {
    mAssemblyStopping = true;
    if (mAssembly.joinable()) {
        mAssembly.join();
    }
    mAssemblyStopping = false;
    ++mAssemblies;  // what it handed back is not taken
    mStretches.reset();
}

}  // namespace kestrova
