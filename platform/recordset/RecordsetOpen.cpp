#include "platform/recordset/CommandSource.h"
#include "platform/recordset/Recordset.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform {

void Recordset::Open(const std::string& source, const CommandSource& activeConnection, std::int32_t,
                     std::int32_t, std::int32_t) {
    if (IsOpen()) {
        throw runtime::Failure("the recordset is already open");
    }
    auto result = activeConnection.ExecuteInParts(source);
    auto cursor = std::make_shared<Cursor>();
    cursor->rowCount = result.first->rowCount;
    cursor->table = std::move(result.first);
    cursor->parts = std::move(result.rest);
    cursor->NextPartWhenPassed();
    cursor_ = std::move(cursor);
}

}  // namespace kestrova::platform
