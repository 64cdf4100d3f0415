#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrova::platform {

// The value of a setting in a connection string such as
// "Data Provider=LocalStore.4.0;Data Source=D:\db.mdb"; keys are compared
// without regard to case, values are taken as written up to the next ";".
std::optional<std::string> ConnectionSetting(std::string_view connectionString,
                                             std::string_view key);

}  // namespace kestrova::platform
