#pragma once

namespace kestrova::platform {

// A visitor made of lambdas, one per kind of value.
template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};

}  // namespace kestrova::platform
