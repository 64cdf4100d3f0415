#include "tests/data/CompactRows.h"

#include "platform/connection/Connection.h"
#include "tools/JsonWriter.h"

namespace kestrova::testing {

std::string FieldList(platform::Recordset& recordset) {
    const auto fields = recordset.Fields();
    std::string list;
    for (std::int32_t i = 0; i < fields.Count(); ++i) {
        list +=
            (i ? "," : "") + fields.Item(i).Name() + ":" + std::to_string(fields.Item(i).Type());
    }
    return list;
}

std::vector<std::string> CompactRows(platform::Recordset& recordset) {
    std::vector<std::string> rows;
    const auto fields = recordset.Fields();
    for (; !recordset.EOF(); recordset.MoveNext()) {
        std::string row;
        for (std::int32_t i = 0; i < fields.Count(); ++i) {
            const auto value = fields.Item(i).Value();
            row += i ? "|" : "";
            if (const auto* child = std::get_if<std::shared_ptr<platform::Recordset>>(&value)) {
                std::string nested;
                for (const auto& childRow : CompactRows(**child)) {
                    nested += (nested.empty() ? "" : ";") + childRow;
                }
                row += "<" + nested + ">";
            } else {
                row += tools::ValueJson(value);
            }
        }
        rows.push_back(row);
    }
    return rows;
}

std::shared_ptr<platform::Recordset> OpenShaped(const std::string& file, const std::string& command,
                                                std::optional<std::size_t> rowsPerPart) {
    platform::Connection connection;
    connection.RowsPerPart = rowsPerPart.value_or(connection.RowsPerPart);
    connection.ConnectionString = "Data Provider=LocalStore.4.0;Data Source=" + file;
    connection.Provider = "DataShape";
    connection.Mode = 3;
    connection.Open();
    auto recordset = std::make_shared<platform::Recordset>();
    recordset->Open(command, connection);
    return recordset;
}

}  // namespace kestrova::testing
