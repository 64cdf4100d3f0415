#include <limits>
#include <new>
#include <string>

#include "platform/runtime/Diagnostics.h"
#include "shell/form/Form1.h"

// The page buffer keeps a storage string longer than the text it holds and
// writes each piece into it in place, so that an append copies only its own
// characters unless the storage has to grow. Lengths count bytes of UTF-8.

namespace kestrova {

namespace {

constexpr std::int32_t kEmptyCapacity = 255;

}  // namespace

void Form1::AppendText(std::string_view text) {
    if (text.empty()) {
        return;
    }
    // Work out every length before changing anything: a piece that cannot be
    // added is dropped whole and the buffer stays as it was.
    std::int32_t newLength = 0;
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) ||
        __builtin_add_overflow(mlngLength, static_cast<std::int32_t>(text.size()), &newLength)) {
        runtime::ReportFailure("page buffer",
                               "the text grows beyond 2147483647 bytes; a piece is left out");
        return;
    }
    if (newLength > mlngCapacity) {
        std::int32_t newCapacity = 0;
        if (__builtin_mul_overflow(newLength, 2, &newCapacity)) {
            runtime::ReportFailure(
                "page buffer",
                "the capacity cannot grow beyond 2147483647 bytes; a piece is left out");
            return;
        }
        try {
            mstrBuffer.append(static_cast<std::size_t>(newCapacity), ' ');
        } catch (const std::exception& error) {
            runtime::ReportFailure("page buffer",
                                   std::string("cannot grow the storage: ") + error.what());
            return;
        }
        mlngCapacity = newCapacity;
    }
    mstrBuffer.replace(static_cast<std::size_t>(mlngLength), text.size(), text);
    mlngLength = newLength;
}

void Form1::AppendLine(std::initializer_list<std::string_view> pieces) {
    // One scratch string for all lines, so that a line costs no allocation.
    static std::string line;
    line.assign("\r\n");
    for (const auto piece : pieces) {
        line.append(piece);
    }
    AppendText(line);
}

std::string Form1::GetText() {
    mlngCapacity = mlngLength;
    return mstrBuffer.substr(0, static_cast<std::size_t>(mlngLength));
}

void Form1::ResetText() {
    mlngCapacity = kEmptyCapacity;
    mlngLength = 0;
    mstrBuffer = std::string(static_cast<std::size_t>(mlngCapacity), ' ');
}

}  // namespace kestrova
