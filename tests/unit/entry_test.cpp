// The entry end to end against the test double: locate, run, exit 0.
#include <gtest/gtest.h>

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

}  // namespace
