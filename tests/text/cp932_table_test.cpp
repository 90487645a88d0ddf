// Every CP932 code converted both ways and compared with a table made once on Linux
// (iconv) and kept with the tests, so that the Windows build (code page 932) is held to
// exactly the same bytes for every character the store, the settings and the CSV hold.
//
// To make the table again (only when the conversion rules change on purpose), run the
// Linux test program with TIDEMARK_CP932_TABLE_OUT=<file>.

#include "text/cp932.h"
#include "text/file_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

namespace tidemark::text {
namespace {

std::string hex(std::string_view bytes)
{
    std::string out;
    char buf[3];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out;
}

std::string utf8Of(unsigned u)
{
    std::string s;
    if (u < 0x800) {
        s += static_cast<char>(0xC0 | (u >> 6));
        s += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (u >> 12));
        s += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (u & 0x3F));
    }
    return s;
}

// key -> converted bytes, for every code that converts to something: "d <cp932>" for
// CP932 -> UTF-8, "e <code point>" for UTF-8 -> CP932 (a "?" for a character CP932
// cannot hold is left out).
std::map<std::string, std::string> tableOfThisSystem()
{
    std::map<std::string, std::string> t;
    auto decode = [&](const std::string& code) {
        const std::string u = toUtf8(code);
        if (!u.empty())
            t["d " + hex(code)] = hex(u);
    };
    for (unsigned b = 0x80; b <= 0xFF; ++b)
        if (!isLeadByte(static_cast<unsigned char>(b)))
            decode(std::string(1, static_cast<char>(b)));
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLeadByte(static_cast<unsigned char>(lead)))
            continue;
        for (unsigned trail = 0x00; trail <= 0xFF; ++trail)
            decode(std::string{static_cast<char>(lead), static_cast<char>(trail)});
    }
    for (unsigned u = 0x80; u <= 0xFFFF; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF)
            continue;
        const std::string c = fromUtf8(utf8Of(u));
        if (c != "?") {
            char key[8];
            std::snprintf(key, sizeof key, "%04X", u);
            t[std::string("e ") + key] = hex(c);
        }
    }
    return t;
}

std::map<std::string, std::string> committedTable()
{
    std::map<std::string, std::string> t;
    std::istringstream in(readFile(TIDEMARK_CP932_TABLE));
    std::string kind, key, value;
    while (in >> kind >> key >> value)
        t[kind + " " + key] = value;
    return t;
}

TEST(Cp932Table, EveryCodeConvertsBothWaysAsTheCommittedTableSays)
{
    const std::map<std::string, std::string> here = tableOfThisSystem();
    if (const char* out = std::getenv("TIDEMARK_CP932_TABLE_OUT")) {
        std::string text;
        for (const auto& [key, value] : here)
            text += key + " " + value + "\n";
        writeFileAtomic(pathFromUtf8(out), text);
    }
    const std::map<std::string, std::string> committed = committedTable();
    // Sizes of the usual CP932: about 7,900 decodable codes and somewhat fewer encodable
    // characters (the NEC and IBM duplicates decode alike and encode one way).
    ASSERT_GT(committed.size(), 14000u);
    int differences = 0;
    for (const auto& [key, value] : committed) {
        const auto it = here.find(key);
        const std::string got = it == here.end() ? "(nothing)" : it->second;
        if (got != value && ++differences <= 20)
            ADD_FAILURE() << key << ": table " << value << ", this system " << got;
    }
    for (const auto& [key, value] : here) {
        if (!committed.contains(key) && ++differences <= 20)
            ADD_FAILURE() << key << ": table (nothing), this system " << value;
    }
    EXPECT_EQ(differences, 0);
}

TEST(Cp932Table, BadInputIsHandledAlikeOnEverySystem)
{
    // A dangling lead byte is dropped, an unmapped pair drops both bytes, a stray byte
    // alone; a character CP932 lacks and a broken UTF-8 sequence each become one "?".
    EXPECT_EQ(toUtf8(std::string("A\x82", 2)), "A");
    EXPECT_EQ(toUtf8(std::string("\x85\x40" "B", 3)), "B");
    EXPECT_EQ(toUtf8(sj("大井") + "\xFD"), "大井");
    EXPECT_EQ(fromUtf8("a\xF0\x9F\x90\x8E" "b"), "a?b");
    EXPECT_EQ(fromUtf8("x\xE5\xA4" "y"), "x?");
    EXPECT_EQ(fromUtf8("\xC3\xA9t\xC3\xA9"), "?t?");
    EXPECT_EQ(fromUtf8("ｱ　Ａ"), "\xB1\x81\x40\x82\x60");
}

} // namespace
} // namespace tidemark::text
