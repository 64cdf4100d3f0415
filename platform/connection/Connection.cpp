#include "platform/connection/Connection.h"

#include "platform/connection/ConnectionString.h"
#include "platform/datashape/PartPlan.h"
#include "platform/datashape/PartedEvaluation.h"
#include "platform/datashape/ShapeEvaluator.h"
#include "platform/datashape/ShapeParser.h"
#include "platform/localstore/LocalStore.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform {

namespace {

constexpr const char* kShapeProvider = "DataShape";
constexpr const char* kDataProvider = "LocalStore.4.0";

constexpr std::size_t kRowsPerChunk = 4096;

const std::shared_ptr<LocalStore>& Opened(const std::shared_ptr<LocalStore>& store) {
    if (!store) {
        throw runtime::Failure("the connection is not open");
    }
    return store;
}

shape::ProviderQuery QueryOn(std::shared_ptr<LocalStore> store) {
    return [store = std::move(store)](const std::string& text) { return store->Query(text); };
}

}  // namespace

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::Open(const std::string& connectionString, const std::string&, const std::string&,
                      std::int32_t) {
    if (!connectionString.empty()) {
        ConnectionString = connectionString;
    }
    if (Provider != kShapeProvider && Provider != kDataProvider) {
        throw runtime::Failure("the provider \"" + Provider + "\" is not available");
    }
    const auto dataProvider = ConnectionSetting(ConnectionString, "Data Provider");
    if (Provider == kShapeProvider && dataProvider != kDataProvider) {
        throw runtime::Failure("the data provider \"" + dataProvider.value_or("") +
                               "\" is not available");
    }
    const auto dataSource = ConnectionSetting(ConnectionString, "Data Source");
    if (!dataSource || dataSource->empty()) {
        throw runtime::Failure("the connection string names no data source");
    }
    // Whatever the mode asks, the file is opened read only: the program
    // never writes to the database.
    store_ = LocalStore::Open(*dataSource);
}

std::shared_ptr<Table> Connection::Execute(const std::string& command) const {
    const auto store = Opened(store_);
    const shape::ProviderQuery query = QueryOn(store);
    store->LoadTablesNamedIn(command);
    // Every level of a command is read from one moment of the database.
    const LocalStore::Snapshot snapshot(*store);
    if (Provider == kShapeProvider) {
        return shape::RunCommand(command, query);
    }
    return query(command);
}

PartedTable Connection::ExecuteInParts(const std::string& command) const {
    if (Provider != kShapeProvider || !shape::IsShapeCommand(command)) {
        return {Execute(command), nullptr};
    }
    const auto store = Opened(store_);
    auto shape = std::make_shared<const shape::ShapeCommand>(shape::Parse(command));
    // The columns each level relates by, for a copy of the tables that can
    // index them.
    std::vector<LocalStore::RelatedColumn> related;
    if (const auto plan = shape::PlanParts(*shape)) {
        for (const auto& level : *plan) {
            if (level.childColumns.size() == 1) {
                related.push_back({level.command, level.childColumns[0]});
            }
        }
    }
    store->LoadTablesNamedIn(command, related);
    // Every level of a command is read from one moment of the database, the
    // levels of the parts after the first too: the functions that read them
    // hold the snapshot until the result lets them go.
    const auto snapshot = std::make_shared<const LocalStore::Snapshot>(*store);
    const shape::ProviderQuery query = [store, snapshot](const std::string& text) {
        return store->Query(text);
    };
    const shape::ProviderStream stream =
        [store, snapshot](const std::string& text, const std::function<void(Table&)>& take) {
            auto columns = std::make_shared<const ResultColumns>(
                store->QueryInChunks(text, kRowsPerChunk, take));
            return shape::RowsFinisher([columns](Table& rows) { columns->Finish(rows); });
        };
    const shape::ProviderLookup lookup = [store, snapshot](
                                             const std::string& text, const std::string& column,
                                             const std::vector<shape::PartKey>& keys) {
        return store->Lookup(text, column, keys);
    };
    return shape::EvaluateInParts(std::move(shape), query, stream, lookup, RowsPerPart);
}

}  // namespace kestrova::platform
