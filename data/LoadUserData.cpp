#include <memory>

#include "shell/form/Form1.h"

namespace kestrova {

// No data source is connected yet: the customers recordset stays unopened,
// which the renderer shows as an empty customers table.
void Form1::LoadUserData() {
    mrsCustomers = std::make_shared<platform::Recordset>();
}

}  // namespace kestrova
