#pragma once

namespace kestrova::platform {

// A visitor made of lambdas, one per kind of value.
template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};

// Spelled out for compilers that do not deduce it for aggregates.
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace kestrova::platform
