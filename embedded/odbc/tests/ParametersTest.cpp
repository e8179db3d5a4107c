// Bound parameter buffers read into the engine's values: lengths, NULL,
// wide characters, whole numbers of every size, conversions to the SQL
// type, and the bindings the driver refuses.
#include "Parameters.h"
#include "Diagnostics.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

namespace embodbc {
namespace {

using Value = embsql::ParamValue;

std::string StateOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const DriverError& e) {
        return e.SqlState();
    }
    return "none";
}

TEST(Parameters, CharacterDataByLengthTerminatorOrNull) {
    char text[] = "G001,rest";
    const struct {
        SQLLEN length;
        bool lengthCell;
        SQLSMALLINT sqlType;
        Value expected;
    } cases[] = {
        {SQL_NTS, true, SQL_VARCHAR, std::string("G001,rest")},
        {0, false, SQL_VARCHAR, std::string("G001,rest")}, // no length cell: up to the zero
        {4, true, SQL_VARCHAR, std::string("G001")},
        {0, true, SQL_VARCHAR, std::string()},
        {SQL_NULL_DATA, true, SQL_VARCHAR, std::monostate{}},
        {SQL_NULL_DATA, true, SQL_INTEGER, std::monostate{}},
    };
    for (const auto& c : cases) {
        SQLLEN length = c.length;
        const ParamBinding b{SQL_C_CHAR, c.sqlType, text, 0, c.lengthCell ? &length : nullptr};
        EXPECT_EQ(ReadParameter(b), c.expected) << c.length;
    }
}

TEST(Parameters, WideCharactersBecomeUtf8) {
    // "é€" and U+1F600 as a surrogate pair, then a lone surrogate.
    char16_t wide[] = {u'G', 0x00E9, 0x20AC, 0xD83D, 0xDE00, 0xD800, u'x', 0};
    SQLLEN nts = SQL_NTS;
    EXPECT_EQ(ReadParameter({SQL_C_WCHAR, SQL_WVARCHAR, wide, 0, &nts}),
              Value(std::string("G\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBDx")));
    SQLLEN bytes = 4; // two units
    EXPECT_EQ(ReadParameter({SQL_C_WCHAR, SQL_WVARCHAR, wide, 0, &bytes}),
              Value(std::string("G\xC3\xA9")));
    // SQL_C_DEFAULT on a wide SQL type reads wide characters.
    EXPECT_EQ(ReadParameter({SQL_C_DEFAULT, SQL_WCHAR, wide, 0, &bytes}),
              Value(std::string("G\xC3\xA9")));
}

TEST(Parameters, WholeNumbersOfEverySizeAndTheirSqlType) {
    const std::int8_t tiny = -5;
    const std::uint16_t ushort = 65535;
    const std::int32_t slong = -2147483647 - 1;
    const std::uint32_t ulong = 4294967295U;
    const std::int64_t big = 9000000000LL;
    const std::uint64_t huge = 18446744073709551615ULL;
    const unsigned char bit = 1;
    SQLLEN ind = 0;
    EXPECT_EQ(
        ReadParameter({SQL_C_STINYINT, SQL_INTEGER, const_cast<std::int8_t*>(&tiny), 0, &ind}),
        Value(-5LL));
    EXPECT_EQ(
        ReadParameter({SQL_C_USHORT, SQL_INTEGER, const_cast<std::uint16_t*>(&ushort), 0, &ind}),
        Value(65535LL));
    EXPECT_EQ(
        ReadParameter({SQL_C_SLONG, SQL_INTEGER, const_cast<std::int32_t*>(&slong), 0, nullptr}),
        Value(-2147483648LL));
    EXPECT_EQ(ReadParameter({SQL_C_ULONG, SQL_BIGINT, const_cast<std::uint32_t*>(&ulong), 0, &ind}),
              Value(4294967295LL));
    EXPECT_EQ(ReadParameter({SQL_C_SBIGINT, SQL_BIGINT, const_cast<std::int64_t*>(&big), 0, &ind}),
              Value(9000000000LL));
    EXPECT_EQ(ReadParameter({SQL_C_BIT, SQL_BIT, const_cast<unsigned char*>(&bit), 0, &ind}),
              Value(1LL));
    // A number bound to a character SQL type is its text.
    EXPECT_EQ(ReadParameter({SQL_C_SLONG, SQL_VARCHAR, const_cast<std::int32_t*>(&slong), 0, &ind}),
              Value(std::string("-2147483648")));
    EXPECT_EQ(
        StateOf([&] {
            ReadParameter({SQL_C_UBIGINT, SQL_BIGINT, const_cast<std::uint64_t*>(&huge), 0, &ind});
        }),
        "22003");
}

TEST(Parameters, TextForAnIntegerTypeMustBeAWholeNumber) {
    const std::pair<const char*, Value> good[] = {
        {" 42 ", Value(42LL)}, {"+7", Value(7LL)}, {"-9000000000", Value(-9000000000LL)}};
    SQLLEN nts = SQL_NTS;
    for (const auto& [text, value] : good)
        EXPECT_EQ(ReadParameter({SQL_C_CHAR, SQL_INTEGER, const_cast<char*>(text), 0, &nts}), value)
            << text;
    const std::pair<const char*, const char*> bad[] = {
        {"4x", "22018"}, {"", "22018"}, {"1.5", "22018"}, {"99999999999999999999", "22003"}};
    for (const auto& [text, state] : bad)
        EXPECT_EQ(StateOf([&] {
                      ReadParameter({SQL_C_CHAR, SQL_INTEGER, const_cast<char*>(text), 0, &nts});
                  }),
                  state)
            << text;
}

TEST(Parameters, BindingsTheDriverRefuses) {
    char text[8] = "x";
    SQLLEN nts = SQL_NTS;
    double number = 1.5;
    const struct {
        SQLSMALLINT ioType;
        ParamBinding binding;
        const char* state;
    } cases[] = {
        {SQL_PARAM_INPUT, {SQL_C_CHAR, SQL_VARCHAR, text, 8, &nts}, "none"},
        {SQL_PARAM_INPUT, {SQL_C_DEFAULT, SQL_INTEGER, text, 0, &nts}, "none"},
        {SQL_PARAM_OUTPUT, {SQL_C_CHAR, SQL_VARCHAR, text, 8, &nts}, "HYC00"},
        {SQL_PARAM_INPUT_OUTPUT, {SQL_C_CHAR, SQL_VARCHAR, text, 8, &nts}, "HYC00"},
        {99, {SQL_C_CHAR, SQL_VARCHAR, text, 8, &nts}, "HY105"},
        {SQL_PARAM_INPUT, {SQL_C_DOUBLE, SQL_DOUBLE, &number, 0, &nts}, "HYC00"},
        {SQL_PARAM_INPUT, {SQL_C_CHAR, SQL_TYPE_DATE, text, 8, &nts}, "HYC00"},
        {SQL_PARAM_INPUT, {1234, SQL_VARCHAR, text, 8, &nts}, "HY003"},
        {SQL_PARAM_INPUT, {SQL_C_CHAR, 1234, text, 8, &nts}, "HY004"},
        {SQL_PARAM_INPUT, {SQL_C_CHAR, SQL_VARCHAR, text, -1, &nts}, "HY090"},
        {SQL_PARAM_INPUT, {SQL_C_CHAR, SQL_VARCHAR, nullptr, 8, nullptr}, "HY009"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StateOf([&] { CheckBinding(c.ioType, c.binding); }), c.state)
            << c.binding.cType << "/" << c.binding.sqlType;
    SQLLEN atExecution = SQL_LEN_DATA_AT_EXEC(10);
    EXPECT_EQ(StateOf([&] {
                  ReadParameter({SQL_C_CHAR, SQL_VARCHAR, text, 8, &atExecution});
              }),
              "HYC00");
}

} // namespace
} // namespace embodbc
