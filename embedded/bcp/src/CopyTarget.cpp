// bcp's two targets: the engine's bulk insert, and a driver's multi-row inserts.
#include "CopyTarget.h"

#include "embsql/BulkInsert.h"
#include "toolargs/Driver.h"

namespace bcp {
namespace {

// Rows sent in one request at most: a thousand, so that each "1000 rows
// sent" line of the report follows rows that went out.
constexpr std::size_t kRowsPerCall = 1000;

class EmbeddedTarget : public CopyTarget {
public:
    explicit EmbeddedTarget(std::unique_ptr<embsql::BulkInsert> table)
        : m_table(std::move(table)) {}
    const std::vector<embsql::Column>& Columns() const override { return m_table->Columns(); }
    std::optional<embsql::Error>
    CheckValue(std::size_t column, const std::optional<std::string>& value) const override {
        return m_table->CheckValue(column, value);
    }
    void Begin() override { m_table->Begin(); }
    void Insert(const std::vector<std::optional<std::string>>& values) override {
        m_table->Insert(values);
    }
    void Commit() override { m_table->Commit(); }
    void Rollback() override { m_table->Rollback(); }

private:
    std::unique_ptr<embsql::BulkInsert> m_table;
};

// Autocommit is off: the first row sent opens the batch's transaction.
class DriverTarget : public CopyTarget {
public:
    DriverTarget(const std::string& driver, const Settings& settings, const std::string& password)
        : m_table(settings.table),
          m_connection(tooldriver::Connection::Open(
              tooldriver::ConnectString(driver, settings.server, settings.database, settings.login,
                                        password),
              false)),
          m_columns(m_connection->TableColumns(settings.table)) {
        if (m_columns.empty())
            throw embsql::Error("42S02", 208, "Invalid object name '" + m_table + "'.");
        m_rows = std::make_unique<tooldriver::RowSender>(*m_connection, m_table, m_columns,
                                                         kRowsPerCall);
    }
    const std::vector<embsql::Column>& Columns() const override { return m_columns; }
    std::optional<embsql::Error>
    CheckValue(std::size_t column, const std::optional<std::string>& value) const override {
        return embsql::CheckValue(m_columns.at(column), m_table, value);
    }
    void Begin() override {}
    void Insert(const std::vector<std::optional<std::string>>& values) override {
        m_rows->Add(values);
    }
    void Commit() override {
        m_rows->Send();
        m_connection->Commit();
    }
    void Rollback() override {
        m_rows->Drop();
        m_connection->Rollback();
    }

private:
    std::string m_table;
    std::unique_ptr<tooldriver::Connection> m_connection;
    std::vector<embsql::Column> m_columns;
    std::unique_ptr<tooldriver::RowSender> m_rows;
};

} // namespace

std::unique_ptr<CopyTarget> OpenTarget(const Settings& settings, const std::string& password) {
    if (const std::optional<std::string> driver = tooldriver::DriverFromEnvironment())
        return std::make_unique<DriverTarget>(*driver, settings, password);
    return std::make_unique<EmbeddedTarget>(embsql::BulkInsert::Open(
        settings.server, settings.database, settings.login, password, settings.table));
}

bool FromServer(const embsql::Error& error) {
    if (const auto* driver = dynamic_cast<const tooldriver::DriverError*>(&error))
        return driver->FromServer();
    return error.SqlState().rfind("08", 0) != 0;
}

} // namespace bcp
