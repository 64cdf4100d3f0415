#include "render/RenderSteps.h"

#include "platform/runtime/Attempt.h"
#include "platform/runtime/Failure.h"
#include "platform/runtime/Require.h"

namespace kestrova::render {

bool AtEndOfData(platform::Recordset* recordset, const char* level) {
    bool atEnd = true;
    runtime::Attempt(std::string("rendering the ") + level + ": testing for the end of the data",
                     [&] { atEnd = runtime::Require(recordset, "recordset").EOF(); });
    return atEnd;
}

std::int32_t FieldCountOf(platform::Recordset* recordset, const char* level) {
    std::int32_t count = 0;
    runtime::Attempt(std::string("rendering the ") + level + ": reading the field count",
                     [&] { count = runtime::Require(recordset, "recordset").Fields().Count(); });
    return count;
}

std::int32_t NextNumber(std::int32_t number) {
    std::int32_t next = 0;
    if (__builtin_add_overflow(number, 1, &next)) {
        throw runtime::Failure("the running number would pass 2147483647");
    }
    return next;
}

std::shared_ptr<platform::Recordset> ChildRecordset(platform::Recordset* parent,
                                                    const std::string& chapter) {
    auto value = runtime::Require(parent, "parent recordset").Fields().Item(chapter).Value();
    auto* child = std::get_if<std::shared_ptr<platform::Recordset>>(&value);
    if (!child || !*child) {
        throw runtime::Failure("the field " + chapter + " holds no recordset");
    }
    return *child;
}

}  // namespace kestrova::render
