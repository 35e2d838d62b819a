// Where the settings file is: the program's directory and the command tail.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform_double.h"
#include "settings_location.h"

namespace {

const char kModule[] = "C:\\Setup\\skelvane.exe";
const char kFails[] = "";  // GetModuleFileNameA yields 0, as when it fails

struct LocateCase {
  std::string name;
  std::string modulePath;
  std::string tail;
  std::string settingsPath;  // empty: there is no settings path
};

std::string Text(char c, size_t count) {
  return std::string(count, c);
}

// The cases that need no long texts: every row of the table and edge list.
const LocateCase kRuleCases[] = {
    {"empty tail", kModule, "", "C:\\Setup\\skelvane.ini"},
    {"one character", kModule, "x", "C:\\Setup\\x"},
    {"one colon", kModule, ":", "C:\\Setup\\:"},
    {"one backslash", kModule, "\\", "C:\\Setup\\\\"},
    {"plain name", kModule, "other.ini", "C:\\Setup\\other.ini"},
    {"plain name, trailing blanks kept", kModule, "other.ini  ", "C:\\Setup\\other.ini  "},
    {"quoted plain name", kModule, "\"other.ini\"", "C:\\Setup\\\"other.ini\""},
    {"leading backslash only: two backslashes meet", kModule, "\\other.ini",
     "C:\\Setup\\\\other.ini"},
    {"leading colon only", kModule, ":x", "C:\\Setup\\:x"},
    {"drive", kModule, "D:", "D:\\skelvane.ini"},
    {"anything ending in a colon", kModule, "setup.ini:", "setup.ini:\\skelvane.ini"},
    {"drive root", kModule, "D:\\", "D:\\skelvane.ini"},
    {"directory", kModule, "D:\\setup\\", "D:\\setup\\skelvane.ini"},
    {"directory with a blank", kModule, "D:\\my setup\\", "D:\\my setup\\skelvane.ini"},
    {"two characters ending in a backslash", kModule, "a\\", "a\\skelvane.ini"},
    {"network directory", kModule, "\\\\server\\share\\", "\\\\server\\share\\skelvane.ini"},
    {"full path", kModule, "D:\\setup\\my.cfg", "D:\\setup\\my.cfg"},
    {"full path without extension", kModule, "D:\\setup\\list", "D:\\setup\\list"},
    {"drive-relative path", kModule, "D:my.ini", "D:my.ini"},
    {"quoted path and trailing blanks kept", kModule, "\"D:\\my dir\\a.ini\"  ",
     "\"D:\\my dir\\a.ini\"  "},
    {"quoted directory: the quote is last", kModule, "\"D:\\my dir\\\"", "\"D:\\my dir\\\""},
    {"module without a backslash", "skelvane.exe", "", "skelvane.ini"},
    {"module without a backslash, plain name", "skelvane.exe", "other.ini", "other.ini"},
    {"module with a drive only", "C:skelvane.exe", "", "skelvane.ini"},
    {"module of one character", "p", "x", "x"},
    {"module starting with its only backslash", "\\skelvane.exe", "", "skelvane.ini"},
    {"module backslash as second character", "\\\\x", "", "\\\\skelvane.ini"},
    {"module on a share", "\\\\server\\share\\skelvane.exe", "", "\\\\server\\share\\skelvane.ini"},
    {"module cannot be fetched, empty tail", kFails, "", ""},
    {"module cannot be fetched, one character", kFails, "x", ""},
    {"module cannot be fetched, plain name", kFails, "other.ini", ""},
    {"module cannot be fetched, leading backslash", kFails, "\\other.ini", ""},
    {"module cannot be fetched, drive", kFails, "D:", "D:\\skelvane.ini"},
    {"module cannot be fetched, directory", kFails, "D:\\setup\\", "D:\\setup\\skelvane.ini"},
    {"module cannot be fetched, full path", kFails, "D:\\setup\\my.cfg", "D:\\setup\\my.cfg"},
};

// The cases at the 131-character edge of the settings path buffer.
std::vector<LocateCase> LengthCases() {
  const std::string module131 = "C:\\" + Text('a', 124) + ".exe";
  const std::string module132 = "C:\\" + Text('a', 125) + ".exe";
  const std::string dir119 = "C:\\" + Text('d', 115) + "\\";
  const std::string dir120 = "C:\\" + Text('d', 116) + "\\";
  const std::string dir130 = "C:\\" + Text('d', 126) + "\\";
  return {
      {"module path of 131 fits", module131, "", "C:\\skelvane.ini"},
      {"module path of 132 is cut: no guessed path", module132, "", ""},
      {"module path of 133 is cut", "C:\\" + Text('a', 126) + ".exe", "", ""},
      {"module path of 300 is cut", "C:\\" + Text('a', 293) + ".exe", "", ""},
      {"cut module path, plain name", module132, "other.ini", ""},
      {"cut module path, one character", module132, "x", ""},
      {"cut module path, full path still works", module132, "D:\\setup\\my.cfg",
       "D:\\setup\\my.cfg"},
      {"cut module path, directory still works", module132, "D:\\setup\\",
       "D:\\setup\\skelvane.ini"},
      {"module of 131, default name composes 131", dir119 + "skelvane.exe", "",
       dir119 + "skelvane.ini"},
      {"default name composes 132", dir120 + "p.exe", "", ""},
      {"one character composes 131", dir130 + "p", "x", dir130 + "x"},
      {"two characters compose 132", dir130 + "p", "xy", ""},
      {"plain name composes 131", kModule, Text('n', 122), "C:\\Setup\\" + Text('n', 122)},
      {"plain name composes 132", kModule, Text('n', 123), ""},
      {"plain name of 1000", kModule, Text('n', 1000), ""},
      {"full path of 131", kModule, "D:\\" + Text('f', 128), "D:\\" + Text('f', 128)},
      {"full path of 132", kModule, "D:\\" + Text('f', 129), ""},
      {"full path of 1000", kModule, "D:\\" + Text('f', 997), ""},
      {"directory composes 131", kModule, "D:\\" + Text('d', 115) + "\\",
       "D:\\" + Text('d', 115) + "\\skelvane.ini"},
      {"directory composes 132", kModule, "D:\\" + Text('d', 116) + "\\", ""},
      {"drive composes 131", kModule, "D:" + Text('x', 115) + ":",
       "D:" + Text('x', 115) + ":\\skelvane.ini"},
      {"drive composes 132", kModule, "D:" + Text('x', 116) + ":", ""},
  };
}

void Check(const LocateCase& c) {
  SCOPED_TRACE(c.name);
  fake::Reset();
  fake::SetModulePath(c.modulePath);
  // A path from an earlier call must not survive a call that finds none.
  std::strcpy(g_settingsPath, "C:\\stale\\skelvane.ini");
  // The tail in a buffer of its exact size, so a read past its zero shows.
  const std::vector<char> tail(c.tail.c_str(), c.tail.c_str() + c.tail.size() + 1);
  const bool located = LocateSettingsFile(nullptr, tail.data());
  EXPECT_EQ(!c.settingsPath.empty(), located);
  EXPECT_EQ(c.settingsPath, std::string(g_settingsPath));
  EXPECT_EQ(c.tail, std::string(tail.data()));
}

TEST(LocateSettingsFileTest, ComposesThePathByTheRules) {
  for (const LocateCase& c : kRuleCases) Check(c);
}

TEST(LocateSettingsFileTest, KeepsPathsUpTo131CharactersAndRefusesLongerOnes) {
  for (const LocateCase& c : LengthCases()) Check(c);
}

}  // namespace
