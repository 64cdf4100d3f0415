#pragma once

#include <cstddef>
#include <string>

namespace kestrova::mdbfile {

// Text as the format stores it, as UTF-8: UTF-16 little-endian, or, when
// it starts with FF FE, the compressed form, where a zero byte switches
// between one byte per character (the high byte being zero) and two. An
// unpaired surrogate, or a last odd byte, becomes U+FFFD.
std::string Utf8FromJetText(const unsigned char* bytes, std::size_t size);

}  // namespace kestrova::mdbfile
