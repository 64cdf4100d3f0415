#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "platform/runtime/Diagnostics.h"
#include "shell/form/Form1.h"

// The page buffer keeps a storage longer than the text it holds and writes
// each piece into it in place, so that an append copies only its own
// characters unless the storage has to grow. Lengths count bytes of UTF-8.

namespace kestrova {

namespace {

constexpr std::int64_t kEmptyCapacity = 255;
constexpr std::string_view kLostPiece = Form1::kPageBufferFailure;

}  // namespace

void Form1::AppendText(std::string_view text) {
    AppendPieces("", {text});
}

void Form1::AppendLine(std::initializer_list<std::string_view> pieces) {
    AppendPieces("\r\n", pieces);
}

// Appends the prefix and the pieces as one piece of text.
void Form1::AppendPieces(std::string_view prefix, std::initializer_list<std::string_view> pieces) {
    std::size_t n = prefix.size();
    for (const auto piece : pieces) {
        n += piece.size();
    }
    if (n == 0) {
        return;
    }
    // Work out every length before changing anything: a piece that cannot be
    // added is dropped whole, said so, and the buffer stays as it was.
    std::int64_t newLength = 0;
    if (n > static_cast<std::size_t>(std::numeric_limits<std::int64_t>::max()) ||
        __builtin_add_overflow(mlngLength, static_cast<std::int64_t>(n), &newLength)) {
        runtime::ReportFailure(kLostPiece, "a length cannot count " + std::to_string(n) +
                                               " more bytes; a piece of that size is left out");
        return;
    }
    std::int64_t newCapacity = mlngCapacity;
    if (newLength > mlngCapacity && __builtin_mul_overflow(newLength, 2, &newCapacity)) {
        runtime::ReportFailure(kLostPiece, "the capacity cannot grow to twice " +
                                               std::to_string(newLength) + " bytes; a piece of " +
                                               std::to_string(n) + " bytes is left out");
        return;
    }
    try {
        if (newCapacity != mlngCapacity) {
            mstrBuffer.AppendBlanks(static_cast<std::size_t>(newCapacity));
            mlngCapacity = newCapacity;
        }
        mstrBuffer.Write(static_cast<std::size_t>(mlngLength), prefix, pieces);
    } catch (const std::bad_alloc&) {
        runtime::ReportFailure(kLostPiece, "out of memory at " + std::to_string(newLength) +
                                               " bytes; a piece of " + std::to_string(n) +
                                               " bytes is left out");
        return;
    }
    mlngLength = newLength;
}

// The text is handed out without a copy; the buffer keeps it as it is.
platform::PageText Form1::GetText() {
    mlngCapacity = mlngLength;
    return mstrBuffer.Share(static_cast<std::size_t>(mlngLength));
}

void Form1::ResetText() {
    mlngCapacity = kEmptyCapacity;
    mlngLength = 0;
    mstrBuffer.AssignBlanks(static_cast<std::size_t>(mlngCapacity));
}

}  // namespace kestrova
