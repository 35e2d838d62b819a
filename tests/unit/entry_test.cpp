// The entry end to end against the test double: locate, run, exit 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform_double.h"
#include "settings_location.h"

namespace {

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }
};

TEST_F(EntryTest, RemovesListedKeysBesideTheProgramAndExitsZero) {
  fake::SetModulePath("C:\\Setup\\skelvane.exe");
  fake::SetProfileFile("C:\\Setup\\skelvane.ini",
                       "[skelvane]\ndel1=HKEY_CURRENT_USER\\Software\\Old\n");
  fake::AddKey(HKEY_CURRENT_USER, "Software\\Old");
  char tail[] = "";
  EXPECT_EQ(0, WinMain(nullptr, nullptr, tail, 0));
  EXPECT_FALSE(fake::KeyExists(HKEY_CURRENT_USER, "Software\\Old"));
  EXPECT_TRUE(fake::KeyExists(HKEY_CURRENT_USER, "Software"));
}

TEST_F(EntryTest, WithNoSettingsPathReadsNothingAndExitsZero) {
  fake::FailModulePath();
  char tail[] = "other.ini";
  EXPECT_EQ(0, WinMain(nullptr, nullptr, tail, 0));
  EXPECT_EQ(0, fake::ProfileReads());
  EXPECT_TRUE(fake::Removals().empty());
  EXPECT_TRUE(fake::DebugWrites().empty());
}

struct PathCase {
  const char* tail;
  const char* settingsPath;
};

TEST_F(EntryTest, HandsTheSettingsPathFromTheTailToTheRun) {
  const PathCase cases[] = {
      {"", "C:\\Setup\\skelvane.ini"},
      {"other.ini", "C:\\Setup\\other.ini"},
      {"D:", "D:\\skelvane.ini"},
      {"D:\\my setup\\", "D:\\my setup\\skelvane.ini"},
      {"\"D:\\setup\\list.ini\"  ", "\"D:\\setup\\list.ini\"  "},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.tail);
    fake::Reset();
    fake::SetProfileFile(c.settingsPath, "[skelvane]\ndebug=1\n");
    std::string tail = c.tail;
    // The previous instance and the show state play no part.
    EXPECT_EQ(0, WinMain(nullptr, reinterpret_cast<HINSTANCE>(1), &tail[0], 5));
    EXPECT_EQ(c.settingsPath, fake::LastProfilePath());
    EXPECT_EQ(fake::DebugWrites(),
              (std::vector<std::string>{"Skelvane - ini name is: ", c.settingsPath, "\n"}));
  }
}

struct NoPathCase {
  const char* name;
  std::string modulePath;  // empty: GetModuleFileNameA yields 0, as when it fails
  std::string tail;
};

TEST_F(EntryTest, ReadsNothingWithoutASettingsPath) {
  const NoPathCase cases[] = {
      {"module fails, empty tail", "", ""},
      {"module fails, one character", "", "x"},
      {"module path cut", "C:\\" + std::string(125, 'a') + ".exe", "other.ini"},
      {"composed path too long", "C:\\Setup\\skelvane.exe", std::string(123, 'n')},
      {"full path too long", "C:\\Setup\\skelvane.exe", "D:\\" + std::string(129, 'f')},
  };
  for (const NoPathCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::Reset();
    fake::SetModulePath(c.modulePath);
    std::string tail = c.tail;
    EXPECT_EQ(0, WinMain(nullptr, nullptr, &tail[0], 0));
    EXPECT_EQ(0, fake::ProfileReads());
    EXPECT_TRUE(fake::Removals().empty());
    EXPECT_TRUE(fake::DebugWrites().empty());
  }
}

}  // namespace
