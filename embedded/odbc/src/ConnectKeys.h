// Connection-string keys: parsing "KEY=value;KEY={va;lue}" text, merging
// it with a data source's keys from odbc.ini, and writing it back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace embodbc {

// An ordered set of key/value pairs whose keys compare case-insensitively.
class ConnectKeys {
public:
    // Parses a connection string. Segments without '=' (such as a leading
    // "ODBC") are ignored, braces quote a value ("}}" is a literal '}'), and
    // the first occurrence of a repeated key wins. Throws DriverError 08001
    // for an unterminated brace.
    static ConnectKeys Parse(std::string_view text);

    // The value of `key`, or nullopt when it is absent.
    std::optional<std::string> Get(std::string_view key) const;
    bool Has(std::string_view key) const { return Get(key).has_value(); }
    // Sets `key`, replacing an earlier value.
    void Set(std::string_view key, std::string value);
    // Takes every key of `other` that this set does not have yet.
    void FillFrom(const ConnectKeys& other);
    // The first of `keys` present, or nullopt.
    std::optional<std::string> First(std::initializer_list<std::string_view> keys) const;

    // "KEY=value;..." in order; values with ';', braces or outer blanks are
    // braced.
    std::string ToString() const;

    const std::vector<std::pair<std::string, std::string>>& Pairs() const { return m_pairs; }

private:
    std::vector<std::pair<std::string, std::string>> m_pairs;
};

// The keys of data source `dsn` as odbc.ini gives them (user file first,
// then the system file, as the driver manager's installer library reads
// them). Empty when the data source is not defined.
ConnectKeys ReadDsnKeys(std::string_view dsn);

} // namespace embodbc
