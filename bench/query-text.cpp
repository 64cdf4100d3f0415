// Prints the customer order query, for scripts that need its statements.
#include <cstdio>

#include "data/CustomerOrderQuery.h"

int main() {
    std::puts(kestrova::CustomerOrderQuery().c_str());
    return 0;
}
