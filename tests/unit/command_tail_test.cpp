// The command tail as the process start derives it from the command line.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform_double.h"
#include "settings_location.h"

namespace {

struct TailCase {
  const char* name;
  const char* commandLine;
  const char* leadBytes;
  const char* tail;
};

// The line sits in a buffer of its exact size, so a scan past its zero shows
// under AddressSanitizer.
const TailCase kTailCases[] = {
    {"quoted name, blank", "\"C:\\Program Files\\Setup\\skelvane.exe\" D:\\setup\\", "",
     "D:\\setup\\"},
    {"quoted name, no blank", "\"C:\\dir\\prog.exe\"other.ini", "", "other.ini"},
    {"quoted name only", "\"C:\\dir\\prog.exe\"", "", ""},
    {"quoted name, blanks only", "\"C:\\dir\\prog.exe\"   ", "", ""},
    {"unclosed quote runs to the end", "\"C:\\my dir\\prog.exe other.ini", "", ""},
    {"lone quote", "\"", "", ""},
    {"empty quotes", "\"\" other.ini", "", "other.ini"},
    {"unquoted name", "C:\\dir\\prog.exe other.ini", "", "other.ini"},
    {"unquoted name only", "prog.exe", "", ""},
    {"empty line", "", "", ""},
    {"blank first: empty name", " other.ini", "", "other.ini"},
    {"control first: empty name", "\x01\x02other.ini", "", "other.ini"},
    {"blanks and control codes skipped", "prog.exe \t\x01\x1f\x20\r\n other.ini", "", "other.ini"},
    {"0x21 belongs to the name", "prog!\x21x other.ini", "", "other.ini"},
    {"0x7f belongs to the name", "prog\x7f.exe other.ini", "", "other.ini"},
    {"bytes >= 0x80 belong to the name", "C:\\Pr\xe9gram\x81\xa0\xff\\prog.exe other.ini", "",
     "other.ini"},
    {"a quote inside an unquoted name", "pro\"g x\" tail", "", "x\" tail"},
    {"tail not split into words", "prog.exe a b  c", "", "a b  c"},
    {"quotes and trailing blanks kept", "prog.exe   \"D:\\my dir\\a.ini\"  ", "",
     "\"D:\\my dir\\a.ini\"  "},
    {"only the first blanks skipped", "\"prog\"  \t x \x01 y", "", "x \x01 y"},
    {"quote trail byte without lead bytes ends the name", "\"C:\\\x81\"dir\\prog.exe\" tail", "",
     "dir\\prog.exe\" tail"},
    {"quote trail byte after a lead byte stays in the name", "\"C:\\\x81\"dir\\prog.exe\" tail",
     "\x81", "tail"},
    {"lead byte eats the closing quote", "\"prog\x81\" tail", "\x81", ""},
    {"lead byte before the end", "\"C:\\prog\x81", "\x81", ""},
    {"lead byte alone before the end", "\"\x81", "\x81", ""},
    {"lead bytes ignored outside quotes", "prog\x81 tail", "\x81", "tail"},
    {"lead bytes in the tail kept", "\"prog\" \x81\"x", "\x81", "\x81\"x"},
};

TEST(FindCommandTailTest, DerivesTheTailByTheFourRules) {
  for (const TailCase& c : kTailCases) {
    SCOPED_TRACE(c.name);
    fake::Reset();
    fake::SetLeadBytes(c.leadBytes);
    const size_t length = std::strlen(c.commandLine);
    const std::vector<char> line(c.commandLine, c.commandLine + length + 1);
    LPCSTR tail = FindCommandTail(line.data());
    // The tail is the end of the line itself, not a copy.
    ASSERT_GE(tail, line.data());
    ASSERT_LE(tail, line.data() + length);
    EXPECT_STREQ(c.tail, tail);
  }
}

}  // namespace
