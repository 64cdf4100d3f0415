#pragma once

#include <cstddef>
#include <string>

namespace kestrova::mdbfile {

// Text as the format stores it, as UTF-8: UTF-16 little-endian, or, when
// it starts with FF FE, the compressed form, where a zero byte switches
// between one byte per character (the high byte being zero) and two. An
// unpaired surrogate, or a last odd byte, becomes U+FFFD.
std::string Utf8FromJetText(const unsigned char* bytes, std::size_t size);

// Text of Jet 3 files, in the Windows code page 1252, as UTF-8. The five
// bytes the code page leaves undefined become the control characters of
// the same number (U+0081, ...), as Windows itself converts them: they stay
// apart from a question mark, and sort as the format's engine sorts them.
std::string Utf8FromCodePage1252(const unsigned char* bytes, std::size_t size);

}  // namespace kestrova::mdbfile
