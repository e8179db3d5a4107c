// Connection-string parsing and the odbc.ini look-up of a data source.
#include "ConnectKeys.h"

#include "Diagnostics.h"

#include <odbcinst.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace embodbc {

namespace {

bool SameKey(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) {
        s.remove_suffix(1);
    }
    return s;
}

bool NeedsBraces(std::string_view v) {
    if (v.find_first_of(";{}") != std::string_view::npos) {
        return true;
    }
    return !v.empty() && (std::isspace(static_cast<unsigned char>(v.front())) ||
                          std::isspace(static_cast<unsigned char>(v.back())));
}

} // namespace

ConnectKeys ConnectKeys::Parse(std::string_view text) {
    ConnectKeys keys;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t eq = text.find('=', pos);
        const std::size_t semi = text.find(';', pos);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            // A segment without a value ("ODBC;" or a stray ';') carries nothing.
            if (semi == std::string_view::npos) {
                break;
            }
            pos = semi + 1;
            continue;
        }
        const std::string_view key = Trim(text.substr(pos, eq - pos));
        std::size_t valueStart = eq + 1;
        std::string value;
        std::size_t next;
        if (valueStart < text.size() && text[valueStart] == '{') {
            std::size_t i = valueStart + 1;
            bool closed = false;
            while (i < text.size()) {
                if (text[i] == '}') {
                    if (i + 1 < text.size() && text[i + 1] == '}') {
                        value += '}';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                value += text[i++];
            }
            if (!closed) {
                throw DriverError("08001", "The connection string has an unterminated '{' in the "
                                           "value of key '" +
                                               std::string(key) + "'.");
            }
            next = text.find(';', i);
        } else {
            next = text.find(';', valueStart);
            value = std::string(text.substr(valueStart, next == std::string_view::npos
                                                            ? std::string_view::npos
                                                            : next - valueStart));
        }
        if (!key.empty() && !keys.Has(key)) {
            keys.m_pairs.emplace_back(std::string(key), std::move(value));
        }
        if (next == std::string_view::npos) {
            break;
        }
        pos = next + 1;
    }
    return keys;
}

std::optional<std::string> ConnectKeys::Get(std::string_view key) const {
    for (const auto& [k, v] : m_pairs) {
        if (SameKey(k, key)) {
            return v;
        }
    }
    return std::nullopt;
}

void ConnectKeys::Set(std::string_view key, std::string value) {
    for (auto& [k, v] : m_pairs) {
        if (SameKey(k, key)) {
            v = std::move(value);
            return;
        }
    }
    m_pairs.emplace_back(std::string(key), std::move(value));
}

void ConnectKeys::FillFrom(const ConnectKeys& other) {
    for (const auto& [k, v] : other.m_pairs) {
        if (!Has(k)) {
            m_pairs.emplace_back(k, v);
        }
    }
}

std::optional<std::string> ConnectKeys::First(std::initializer_list<std::string_view> keys) const {
    for (std::string_view key : keys) {
        if (auto v = Get(key)) {
            return v;
        }
    }
    return std::nullopt;
}

std::string ConnectKeys::ToString() const {
    std::string out;
    for (const auto& [k, v] : m_pairs) {
        if (!out.empty()) {
            out += ';';
        }
        out += k;
        out += '=';
        if (NeedsBraces(v)) {
            out += '{';
            for (char c : v) {
                out += c;
                if (c == '}') {
                    out += '}';
                }
            }
            out += '}';
        } else {
            out += v;
        }
    }
    return out;
}

ConnectKeys ReadDsnKeys(std::string_view dsn) {
    ConnectKeys keys;
    const std::string section(dsn);
    if (section.empty()) {
        return keys;
    }
    // With no key name the installer library lists the section's keys,
    // each NUL-terminated.
    std::vector<char> names(8192, '\0');
    const int n = SQLGetPrivateProfileString(section.c_str(), nullptr, "", names.data(),
                                             static_cast<int>(names.size()), "odbc.ini");
    if (n <= 0) {
        return keys;
    }
    std::vector<char> value(4096, '\0');
    for (const char* name = names.data(); name < names.data() + n && *name != '\0';
         name += std::char_traits<char>::length(name) + 1) {
        std::fill(value.begin(), value.end(), '\0');
        const int len = SQLGetPrivateProfileString(section.c_str(), name, "", value.data(),
                                                   static_cast<int>(value.size()), "odbc.ini");
        keys.Set(name, std::string(value.data(), len > 0 ? static_cast<std::size_t>(len) : 0));
    }
    return keys;
}

} // namespace embodbc
