// Text encodings of hive files and parsing of the registry editor's format.
#include "platform/HiveParser.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using platform::Hive;
using platform::HiveFormatError;
using platform::ParseHive;

TEST(TextCodecTest, ConvertsValidText) {
    const std::string samples[] = {"", "plain", "Müller €", "日本", "\xF0\x9F\x98\x80 emoji"};
    for (const std::string& s : samples) {
        EXPECT_TRUE(platform::IsValidUtf8(s)) << s;
        const std::optional<std::string> utf16 = platform::Utf8ToUtf16Le(s);
        ASSERT_TRUE(utf16.has_value()) << s;
        EXPECT_EQ(platform::Utf16LeToUtf8(*utf16), s);
    }
    EXPECT_EQ(platform::Utf8ToUtf16Le("A\xE2\x82\xAC"), std::string("A\0\xAC\x20", 4));
    EXPECT_EQ(platform::Utf8ToUtf16Le("\xF0\x9F\x98\x80"), std::string("\x3D\xD8\x00\xDE", 4));
    EXPECT_EQ(platform::Cp1252ToUtf8("M\xFCller \x80 \x81"), "Müller € \xC2\x81");
    EXPECT_EQ(platform::Utf8ToCp1252("Müller € \xC2\x81"), "M\xFCller \x80 \x81");
    EXPECT_EQ(platform::Utf8ToCp1252("\xC5\xB8"), "\x9F"); // Ÿ
    EXPECT_EQ(platform::Utf8ToCp1252("日本"), std::nullopt);
}

TEST(TextCodecTest, RejectsMalformedText) {
    for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xE2\x82", "\xF8\x88\x80\x80\x80",
                            "\xF4\x90\x80\x80", "\x80", "a\xC3"}) {
        EXPECT_FALSE(platform::IsValidUtf8(bad)) << bad;
        EXPECT_EQ(platform::Utf8ToUtf16Le(bad), std::nullopt);
        EXPECT_EQ(platform::Utf8ToCp1252(bad), std::nullopt);
    }
    const std::string badUtf16[] = {
        std::string("A\0B", 3),             // odd byte count
        std::string("\x3D\xD8", 2),         // high surrogate at the end
        std::string("\x00\xDE\x41\x00", 4), // low surrogate alone
        std::string("\x3D\xD8\x41\x00", 4), // high surrogate before a plain unit
    };
    for (const std::string& bad : badUtf16) {
        EXPECT_EQ(platform::Utf16LeToUtf8(bad), std::nullopt);
    }
}

const platform::HiveValue& ValueOf(const Hive& hive, const std::string& key,
                                   const std::string& name) {
    static const platform::HiveValue none{0xFFFFFFFF, "<missing>"};
    const platform::HiveValues* values = hive.Find(key);
    if (values == nullptr || values->count(name) == 0) {
        ADD_FAILURE() << key << " / " << name << " missing";
        return none;
    }
    return values->at(name);
}

TEST(HiveParserTest, ReadsEveryValueKind) {
    const Hive hive = ParseHive("Windows Registry Editor Version 5.00\r\n"
                                "\r\n"
                                "; a comment line\r\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n"
                                "@=\"default\"\r\n"
                                "\"Text\"=\"a \\\\ b \\\" c ; not a comment\" ; a comment\r\n"
                                "\"Empty\"=\"\"\r\n"
                                "\"Count\"=dword:0000012c\r\n"
                                "\"Short\" = DWORD:1\r\n"
                                "\"Bin\"=hex:00,ff,10,\\\r\n"
                                "  20 ; trailing comment\r\n"
                                "\"NoBytes\"=hex:\r\n"
                                "\"Expand\"=hex(2):25,00,41,00,\\\r\n"
                                "  25,00,00,00\r\n"
                                "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                                "\"Unended\"=hex(1):e9,00\r\n"
                                "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                                "\"Nothing\"=hex(0):\r\n");
    EXPECT_TRUE(hive.version5);
    const std::string key = "hkey_local_machine\\software\\test";
    struct Case {
        const char* name;
        std::uint32_t type;
        std::string data;
    };
    const Case cases[] = {
        {"", 1, std::string("default\0", 8)},
        {"text", 1, std::string("a \\ b \" c ; not a comment\0", 26)},
        {"empty", 1, std::string("\0", 1)},
        {"count", 4, std::string("\x2c\x01\0\0", 4)},
        {"short", 4, std::string("\x01\0\0\0", 4)},
        {"bin", 3, std::string("\x00\xff\x10\x20", 4)},
        {"nobytes", 3, ""},
        {"expand", 2, std::string("%A%\0", 4)},
        {"multi", 7, std::string("a\0b\0\0", 5)},
        {"unended", 1, std::string("\xC3\xA9\0", 3)},
        {"quad", 0xb, std::string("\x01\0\0\0\0\0\0\0", 8)},
        {"nothing", 0, ""},
    };
    for (const Case& c : cases) {
        const platform::HiveValue& v = ValueOf(hive, key, c.name);
        EXPECT_EQ(v.type, c.type) << c.name;
        EXPECT_EQ(v.data, c.data) << c.name;
    }
    // Parents of a listed key exist too, without values.
    for (const char* parent : {"hkey_local_machine\\software", "hkey_local_machine"}) {
        ASSERT_NE(hive.Find(parent), nullptr) << parent;
        EXPECT_TRUE(hive.Find(parent)->empty()) << parent;
    }
    for (const char* missing : {"hkey_local_machine\\software\\tes", "hkey_local_machine\\soft",
                                "hkey_local_machine\\software\\test\\sub", ""}) {
        EXPECT_EQ(hive.Find(missing), nullptr) << missing;
    }
}

TEST(HiveParserTest, Regedit4HexTextIsAnsi) {
    const Hive hive = ParseHive("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n"
                                "\"Name\"=\"Müller\"\n"
                                "\"Path\"=hex(2):4d,fc,00\n");
    EXPECT_FALSE(hive.version5);
    EXPECT_EQ(ValueOf(hive, "hkey_local_machine\\a", "name").data, std::string("Müller\0", 8));
    EXPECT_EQ(ValueOf(hive, "hkey_local_machine\\a", "path").data, std::string("Mü\0", 4));
}

TEST(HiveParserTest, AppliesDeletionsAndMergesCaseInsensitively) {
    const Hive hive = ParseHive("Windows Registry Editor Version 5.00\n"
                                "[HKEY_LOCAL_MACHINE\\A\\B\\C]\n"
                                "[HKEY_LOCAL_MACHINE\\A\\BC]\n"
                                "\"Keep\"=\"1\"\n"
                                "[HKEY_LOCAL_MACHINE\\Other]\n"
                                "\"Value\"=\"old\"\n"
                                "\"Gone\"=\"x\"\n"
                                "[hkey_local_machine\\OTHER]\n"
                                "\"VALUE\"=\"new\"\n"
                                "\"gone\"=-\n"
                                "\"NeverThere\"=-\n"
                                "[-HKEY_LOCAL_MACHINE\\a\\b]\n"
                                "\"Ignored\"=\"after a deletion\"\n"
                                "[-HKEY_LOCAL_MACHINE\\NoSuchKey]\n");
    EXPECT_EQ(hive.Find("hkey_local_machine\\a\\b"), nullptr);
    EXPECT_EQ(hive.Find("hkey_local_machine\\a\\b\\c"), nullptr);
    EXPECT_NE(hive.Find("hkey_local_machine\\a"), nullptr);
    EXPECT_EQ(ValueOf(hive, "hkey_local_machine\\a\\bc", "keep").data, std::string("1\0", 2));
    ASSERT_NE(hive.Find("hkey_local_machine\\other"), nullptr);
    EXPECT_EQ(hive.Find("hkey_local_machine\\other")->size(), 1u);
    EXPECT_EQ(ValueOf(hive, "hkey_local_machine\\other", "value").data, std::string("new\0", 4));
}

TEST(HiveParserTest, DeletionTakesEveryKeyBelowAndKeepsTheParent) {
    const Hive hive = ParseHive("Windows Registry Editor Version 5.00\n"
                                "[HKEY_LOCAL_MACHINE\\P\\A]\n"
                                "[HKEY_LOCAL_MACHINE\\P\\A!Sibling]\n"
                                "[HKEY_LOCAL_MACHINE\\P\\A\\Child\\Grandchild]\n"
                                "[HKEY_LOCAL_MACHINE\\Q\\Only\\Deep]\n"
                                "[-HKEY_LOCAL_MACHINE\\P\\A]\n"
                                "[-HKEY_LOCAL_MACHINE\\Q\\Only]\n"
                                "[-HKEY_LOCAL_MACHINE\\R\\Never]\n"
                                "[HKEY_LOCAL_MACHINE\\Again]\n"
                                "\"Old\"=\"1\"\n"
                                "[-HKEY_LOCAL_MACHINE\\Again]\n"
                                "[HKEY_LOCAL_MACHINE\\Again]\n"
                                "\"New\"=\"2\"\n");
    const char* const gone[] = {"hkey_local_machine\\p\\a", "hkey_local_machine\\p\\a\\child",
                                "hkey_local_machine\\p\\a\\child\\grandchild",
                                "hkey_local_machine\\q\\only", "hkey_local_machine\\r"};
    for (const char* key : gone) {
        EXPECT_EQ(hive.Find(key), nullptr) << key;
    }
    // A name that sorts between a key and its children is a sibling, not a child; a parent
    // that only the deleted keys implied stays.
    for (const char* key : {"hkey_local_machine\\p\\a!sibling", "hkey_local_machine\\q"}) {
        EXPECT_NE(hive.Find(key), nullptr) << key;
    }
    // A key named again after its deletion starts without its old values.
    ASSERT_NE(hive.Find("hkey_local_machine\\again"), nullptr);
    EXPECT_EQ(hive.Find("hkey_local_machine\\again")->count("old"), 0u);
    EXPECT_EQ(hive.Find("hkey_local_machine\\again")->count("new"), 1u);
}

// A hive that keeps one key answers for it exactly as the whole hive does, through
// namings, deletions above, at and below it, and values set before and after.
TEST(HiveParserTest, OneKeyHiveAnswersAsTheWholeHive) {
    const std::string texts[] = {
        "[HKEY_LOCAL_MACHINE\\A\\B]\n\"V\"=\"1\"\n[-HKEY_LOCAL_MACHINE\\A\\B\\C]\n",
        "[HKEY_LOCAL_MACHINE\\A\\B\\C]\n[-HKEY_LOCAL_MACHINE\\A\\B\\C]\n",
        "[HKEY_LOCAL_MACHINE\\A\\B\\C\\D]\n[-HKEY_LOCAL_MACHINE\\A\\B\\C]\n",
        "[HKEY_LOCAL_MACHINE\\A\\B]\n\"Old\"=\"1\"\n[-HKEY_LOCAL_MACHINE\\A]\n"
        "[HKEY_LOCAL_MACHINE\\A\\B\\C]\n\"C\"=\"2\"\n",
        "[HKEY_LOCAL_MACHINE\\A\\B]\n\"V\"=\"1\"\n[HKEY_LOCAL_MACHINE\\A\\BC]\n\"W\"=\"2\"\n"
        "[hkey_local_machine\\a\\b]\n\"V\"=-\n\"X\"=\"3\"\n[-HKEY_LOCAL_MACHINE\\A\\B!]\n",
        "[HKEY_LOCAL_MACHINE\\A]\n[-HKEY_LOCAL_MACHINE\\A\\B]\n\"Skipped\"=\"1\"\n",
        "[HKEY_LOCAL_MACHINE\\A\\B]\n[-HKEY_LOCAL_MACHINE\\A\\B]\n[HKEY_LOCAL_MACHINE\\A\\B]\n"
        "\"New\"=dword:2\n",
    };
    const char* const keys[] = {"hkey_local_machine", "hkey_local_machine\\a",
                                "hkey_local_machine\\a\\b", "hkey_local_machine\\a\\b\\c",
                                "hkey_local_machine\\a\\bc"};
    for (const std::string& body : texts) {
        const std::string text = "Windows Registry Editor Version 5.00\n" + body;
        const Hive whole = ParseHive(text);
        for (const std::string key : keys) {
            const Hive one = ParseHive(text, key);
            const platform::HiveValues* expected = whole.Find(key);
            const platform::HiveValues* got = one.Find(key);
            ASSERT_EQ(got != nullptr, expected != nullptr) << key << " in\n" << body;
            if (expected != nullptr) {
                ASSERT_EQ(got->size(), expected->size()) << key << " in\n" << body;
                for (const auto& [name, value] : *expected) {
                    ASSERT_EQ(got->count(name), 1u) << name;
                    EXPECT_EQ(got->at(name).data, value.data) << key << " / " << name;
                }
            }
            for (const std::string other : keys) {
                if (other != key) {
                    EXPECT_EQ(one.Find(other), nullptr) << other << " kept with " << key;
                }
            }
        }
    }
}

TEST(HiveParserTest, RejectsMalformedText) {
    const std::string v5 = "Windows Registry Editor Version 5.00\n";
    const std::string key = "[HKEY_LOCAL_MACHINE\\K]\n";
    struct Case {
        std::string text;
        int line;
    };
    const Case cases[] = {
        {"", 1},
        {"Windows Registry Editor Version 4.00\n", 1},
        {"REGEDIT5\n", 1},
        {v5 + "[HKEY_LOCAL_MACHINE\\K\n", 2},
        {v5 + "[]\n", 2},
        {v5 + "[HKEY_LOCAL_MACHINE\\\\K]\n", 2},
        {v5 + "[HKEY_LOCAL_MACHINE\\K\\]\n", 2},
        {v5 + "\"v\"=\"before any key\"\n", 2},
        {v5 + key + "\"v\"=\"unterminated\n", 3},
        {v5 + key + "\"v=\"x\"\n", 3},
        {v5 + key + "\"v\"=\"bad \\n escape\"\n", 3},
        {v5 + key + "\"v\"=\"x\" trailing\n", 3},
        {v5 + key + "\"v\"\n", 3},
        {v5 + key + "\"v\"=dword:123456789\n", 3},
        {v5 + key + "\"v\"=dword:\n", 3},
        {v5 + key + "\"v\"=dword:12g\n", 3},
        {v5 + key + "\"v\"=qword:1\n", 3},
        {v5 + key + "\"v\"=hex:1\n", 3},
        {v5 + key + "\"v\"=hex:0g\n", 3},
        {v5 + key + "\"v\"=hex:01,,02\n", 3},
        {v5 + key + "\"v\"=hex:01,\n", 3},
        {v5 + key + "\"v\"=hex(:01\n", 3},
        {v5 + key + "\"v\"=hex(123456789):01\n", 3},
        {v5 + key + "\"v\"=hex 01\n", 3},
        {v5 + key + "\"v\"=hex(2):41\n", 3},
        {v5 + key + "\"v\"=hex(1):00,d8\n", 3},
        {v5 + key + "\"v\"=hex:01,\\\n  02,\\", 4},
        {v5 + key + "something else\n", 3},
    };
    for (const Case& c : cases) {
        try {
            ParseHive(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const HiveFormatError& e) {
            EXPECT_EQ(e.line(), c.line) << c.text << " -> " << e.what();
        }
    }
}

} // namespace
