// The key list and the removal run against the test double's registry.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "key_removal.h"
#include "platform_double.h"

namespace {

const char kPath[] = "C:\\Setup\\skelvane.ini";
const char kRootPrefix[] = "HKEY_LOCAL_MACHINE\\";  // 19 characters

std::string Text(char c, size_t count) {
  return std::string(count, c);
}

// ---- SplitKeyEntry ----

struct SplitCase {
  const char* entry;  // already upper case, as the run hands it over
  bool split;
  const char* rootName;
  const char* subkey;
};

const SplitCase kSplitCases[] = {
    {"HKEY_CURRENT_USER\\SOFTWARE\\X", true, "HKEY_CURRENT_USER", "SOFTWARE\\X"},
    {"   HKEY_USERS\\S", true, "HKEY_USERS", "S"},
    {"\t HKEY_USERS\\S", true, "HKEY_USERS", "S"},
    {"\"HKEY_USERS\\S\"", true, "HKEY_USERS", "S\""},
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]", true, "HKEY_LOCAL_MACHINE", "SOFTWARE\\X]"},
    {"\\HKEY_USERS\\S", true, "HKEY_USERS", "S"},
    {"THE HKEY_USERS\\S", true, "HE HKEY_USERS", "S"},
    {"H\\X", true, "H", "X"},
    {"HKEY_USERS\\A\\B\\C", true, "HKEY_USERS", "A\\B\\C"},
    {"HKEY_USERS\\\\X", true, "HKEY_USERS", "\\X"},
    {"HKEY_USERS\\S ", true, "HKEY_USERS", "S "},
    {"HKEY_USERS\\", true, "HKEY_USERS", ""},
    {"HKEY_USERS", false, nullptr, nullptr},
    {"SOFTWARE\\X", false, nullptr, nullptr},
    {"   ", false, nullptr, nullptr},
    {"", false, nullptr, nullptr},
    {"H", false, nullptr, nullptr},
};

TEST(SplitKeyEntryTest, SplitsAtTheFirstBackslashAfterTheFirstH) {
  for (const SplitCase& c : kSplitCases) {
    SCOPED_TRACE(c.entry);
    std::string text = c.entry;
    // Exact size, so a scan past the zero shows under AddressSanitizer.
    std::vector<char> entry(text.c_str(), text.c_str() + text.size() + 1);
    LPSTR rootName = nullptr;
    LPSTR subkey = nullptr;
    ASSERT_EQ(c.split, SplitKeyEntry(entry.data(), &rootName, &subkey));
    if (!c.split) continue;
    EXPECT_STREQ(c.rootName, rootName);
    EXPECT_STREQ(c.subkey, subkey);
  }
}

// ---- LookUpRootKey ----

struct RootCase {
  const char* name;
  HKEY root;
};

const RootCase kRootCases[] = {
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_USERS", HKEY_USERS},
    {"hkey_local_machine", HKEY_LOCAL_MACHINE},
    {"hkey_classes_root", HKEY_CLASSES_ROOT},
    {"Hkey_Current_User", HKEY_CURRENT_USER},
    {"hKeY_uSeRs", HKEY_USERS},
    {"HKLM", nullptr},
    {"HKCR", nullptr},
    {"HKCU", nullptr},
    {"HKU", nullptr},
    {" HKEY_USERS", nullptr},
    {"HKEY_USERS ", nullptr},
    {"HKEY_USERS\t", nullptr},
    {"HKEY_USERS\xa0", nullptr},  // a no-break space is no blank to drop either
    {"HKEY_USER", nullptr},
    {"HKEY_USERSS", nullptr},
    {"XHKEY_USERS", nullptr},
    {"HE HKEY_USERS", nullptr},
    {"HKEY_LOCAL", nullptr},
    {"HKEY_LOCAL_MACHINE_", nullptr},
    {"HKEY-USERS", nullptr},
    {"HKEY USERS", nullptr},
    {"HKEY_\xdcSERS", nullptr},  // U-diaeresis
    {"HKEY_CURRENT_CONFIG", nullptr},
    {"HKEY_PERFORMANCE_DATA", nullptr},
    {"HKEY", nullptr},
    {"H", nullptr},
    {"", nullptr},
};

TEST(LookUpRootKeyTest, KnowsTheFourNamesWholeAndCaseBlind) {
  for (const RootCase& c : kRootCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.root, LookUpRootKey(c.name));
  }
}

// ---- ReadKeyEntry ----

struct VerdictCase {
  std::string name;
  std::string lines;  // the "skelvane" section's lines
  EntryVerdict verdict;
  HKEY root;
  std::string rootName;
  std::string subkey;
};

std::vector<VerdictCase> VerdictCases() {
  const std::string subkey112 = "SOFTWARE\\" + Text('K', 103);
  return {
      {"lower case", "del1=hkey_users\\.default\\x", kEntryValid, HKEY_USERS, "HKEY_USERS",
       ".DEFAULT\\X"},
      {"code page 1252 letters upper-cased", "del1=Hkey_Local_Machine\\Software\\Caf\xe9 \xff",
       kEntryValid, HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\CAF\xc9 \x9f"},
      {"quotes around dropped by the profile read", "del1=\"HKEY_USERS\\x\"", kEntryValid,
       HKEY_USERS, "HKEY_USERS", "X"},
      {"unmatched quote kept as prefix", "del1=\"HKEY_USERS\\x", kEntryValid, HKEY_USERS,
       "HKEY_USERS", "X"},
      {"131 characters used whole", std::string("del1=") + kRootPrefix + subkey112, kEntryValid,
       HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", subkey112},
      {"unknown root", "del1=HKEY_USER\\x", kEntryUnknownRoot, nullptr, "HKEY_USER", "X"},
      {"H inside the prefix", "del1=the hkey_users\\x", kEntryUnknownRoot, nullptr, "HE HKEY_USERS",
       "X"},
      {"absent", "del2=HKEY_USERS\\X", kEntryMissing, nullptr, "", ""},
      {"empty", "del1=", kEntryMissing, nullptr, "", ""},
      {"empty quotes", "del1=\"\"", kEntryMissing, nullptr, "", ""},
      {"132 characters", std::string("del1=") + kRootPrefix + subkey112 + "X", kEntryTooLong,
       nullptr, "", ""},
      {"500 characters", std::string("del1=") + kRootPrefix + Text('K', 481), kEntryTooLong,
       nullptr, "", ""},
      {"no backslash", "del1=HKEY_USERS", kEntryNoRootName, nullptr, "", ""},
      {"no H", "del1=software\\x", kEntryNoRootName, nullptr, "", ""},
      {"empty subkey", "del1=HKEY_USERS\\", kEntryEmptySubkey, nullptr, "", ""},
      {"empty subkey, unknown root", "del1=HKEY_BOGUS\\", kEntryEmptySubkey, nullptr, "", ""},
  };
}

TEST(ReadKeyEntryTest, GivesEachEntryItsVerdict) {
  for (const VerdictCase& c : VerdictCases()) {
    SCOPED_TRACE(c.name);
    fake::Reset();
    fake::SetProfileFile(kPath, "[skelvane]\n" + c.lines + "\n");
    KeyEntry entry = {};
    ASSERT_EQ(c.verdict, ReadKeyEntry(kPath, 1, &entry));
    if (c.verdict != kEntryValid && c.verdict != kEntryUnknownRoot) continue;
    EXPECT_EQ(c.root, entry.root);
    EXPECT_EQ(c.rootName, std::string(entry.rootName));
    EXPECT_EQ(c.subkey, std::string(entry.subkey));
  }
}

struct NumberCase {
  int number;
  const char* line;
  EntryVerdict verdict;
};

const NumberCase kNumberCases[] = {
    {1, "del1=HKEY_USERS\\X", kEntryValid},
    {1, "del01=HKEY_USERS\\X", kEntryMissing},
    {10, "del10=HKEY_USERS\\X", kEntryValid},
    {10, "del1=HKEY_USERS\\X", kEntryMissing},
    {2147483647, "del2147483647=HKEY_USERS\\X", kEntryValid},
};

TEST(ReadKeyEntryTest, ReadsTheDecimalKeyName) {
  for (const NumberCase& c : kNumberCases) {
    SCOPED_TRACE(c.line);
    fake::Reset();
    fake::SetProfileFile(kPath, std::string("[skelvane]\n") + c.line + "\n");
    KeyEntry entry = {};
    EXPECT_EQ(c.verdict, ReadKeyEntry(kPath, c.number, &entry));
  }
}

// ---- RemoveListedKeys ----

struct TracedEntry {
  std::string rootName;
  std::string subkey;
  std::string status;  // as the result line shows it
};

// The writes of a traced run: three for the header, five per entry.
std::vector<std::string> Trace(std::initializer_list<TracedEntry> entries) {
  std::vector<std::string> writes = {"Skelvane - ini name is: ", kPath, "\n"};
  for (const TracedEntry& e : entries) {
    writes.insert(writes.end(), {e.rootName, "\n", e.subkey, "\n", "retval = " + e.status + "\n"});
  }
  return writes;
}

std::string ShortRoot(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return "HKLM";
  if (root == HKEY_CLASSES_ROOT) return "HKCR";
  if (root == HKEY_CURRENT_USER) return "HKCU";
  if (root == HKEY_USERS) return "HKU";
  return "?";
}

// Every removal call of the run as "ROOT\subkey = status".
std::vector<std::string> Removals() {
  std::vector<std::string> calls;
  for (const fake::Removal& r : fake::Removals()) {
    calls.push_back(ShortRoot(r.root) + "\\" + r.subkey + " = " + std::to_string(r.status));
  }
  return calls;
}

const HKEY kAllRoots[] = {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_USERS};

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }

  void Run(const std::string& lines) {
    fake::SetProfileFile(kPath, "[skelvane]\n" + lines);
    RemoveListedKeys(kPath);
  }
};

TEST_F(RunTest, RemovesEachEntryInListOrderUnderItsOwnRoot) {
  fake::AddKey(HKEY_LOCAL_MACHINE, "Software\\A");
  fake::AddKey(HKEY_CLASSES_ROOT, ".abc");
  fake::AddKey(HKEY_CURRENT_USER, "Software\\B\\C");
  fake::AddKey(HKEY_USERS, ".DEFAULT\\D");
  Run("del1=HKEY_LOCAL_MACHINE\\Software\\A\n"
      "del2=HKEY_CLASSES_ROOT\\.abc\n"
      "del3=HKEY_CURRENT_USER\\Software\\B\\C\n"
      "del4=HKEY_USERS\\.DEFAULT\\D\n");
  EXPECT_EQ(Removals(),
            (std::vector<std::string>{"HKLM\\SOFTWARE\\A = 0", "HKCR\\.ABC = 0",
                                      "HKCU\\SOFTWARE\\B\\C = 0", "HKU\\.DEFAULT\\D = 0"}));
  EXPECT_FALSE(fake::KeyExists(HKEY_CURRENT_USER, "Software\\B\\C"));
  EXPECT_TRUE(fake::KeyExists(HKEY_CURRENT_USER, "Software\\B"));
  EXPECT_TRUE(fake::DebugWrites().empty());
}

TEST_F(RunTest, TracesThreeHeaderPiecesAndFivePerEntry) {
  fake::AddKey(HKEY_LOCAL_MACHINE, "Software\\A");
  fake::AddKey(HKEY_CURRENT_USER, "Software\\B");
  fake::AddKey(HKEY_USERS, "S");
  Run("debug=1\n"
      "del1=HKEY_LOCAL_MACHINE\\Software\\A\n"
      "del2=HKEY_CURRENT_USER\\Software\\B\n"
      "del3=HKEY_USERS\\S\n");
  EXPECT_EQ(18u, fake::DebugWrites().size());
  EXPECT_EQ(fake::DebugWrites(), Trace({{"HKEY_LOCAL_MACHINE", "SOFTWARE\\A", "0"},
                                        {"HKEY_CURRENT_USER", "SOFTWARE\\B", "0"},
                                        {"HKEY_USERS", "S", "0"}}));
}

TEST_F(RunTest, CarriesEveryStatusIntoTheTraceAndGoesOn) {
  fake::AddKey(HKEY_CURRENT_USER, "Software\\Parent\\Child");
  fake::AddKey(HKEY_CURRENT_USER, "Software\\Refused");
  fake::AddKey(HKEY_CURRENT_USER, "Software\\Locked");
  fake::AddKey(HKEY_CURRENT_USER, "Software\\Last");
  fake::SetRemovalStatus(HKEY_CURRENT_USER, "Software\\Refused", 0xA1);
  fake::SetRemovalStatus(HKEY_CURRENT_USER, "Software\\Locked", static_cast<LONG>(0xC0000022u));
  Run("debug=1\n"
      "del1=HKEY_CURRENT_USER\\Software\\Missing\n"
      "del2=HKEY_CURRENT_USER\\Software\\Parent\n"
      "del3=HKEY_CURRENT_USER\\Software\\Refused\n"
      "del4=HKEY_CURRENT_USER\\Software\\Locked\n"
      "del5=HKEY_CURRENT_USER\\Software\\Last\n");
  EXPECT_EQ(fake::DebugWrites(), Trace({{"HKEY_CURRENT_USER", "SOFTWARE\\MISSING", "2"},
                                        {"HKEY_CURRENT_USER", "SOFTWARE\\PARENT", "5"},
                                        {"HKEY_CURRENT_USER", "SOFTWARE\\REFUSED", "A1"},
                                        {"HKEY_CURRENT_USER", "SOFTWARE\\LOCKED", "C0000022"},
                                        {"HKEY_CURRENT_USER", "SOFTWARE\\LAST", "0"}}));
  EXPECT_TRUE(fake::KeyExists(HKEY_CURRENT_USER, "Software\\Parent\\Child"));
  EXPECT_TRUE(fake::KeyExists(HKEY_CURRENT_USER, "Software\\Refused"));
  EXPECT_FALSE(fake::KeyExists(HKEY_CURRENT_USER, "Software\\Last"));
}

TEST_F(RunTest, UsesAndTracesEntriesInUpperCase) {
  fake::AddKey(HKEY_LOCAL_MACHINE, "Software\\Caf\xc9 \x9f");
  fake::AddKey(HKEY_USERS, "S");
  fake::AddKey(HKEY_USERS, "T");
  Run("debug=1\n"
      "del1=hkey_local_machine\\software\\caf\xe9 \xff\n"
      "del2=  \"Hkey_Users\\s\n"
      "del3=[hKeY_uSeRs\\t]\n");
  EXPECT_EQ(Removals(), (std::vector<std::string>{"HKLM\\SOFTWARE\\CAF\xc9 \x9f = 0", "HKU\\S = 0",
                                                  "HKU\\T] = 2"}));
  EXPECT_EQ(fake::DebugWrites(), Trace({{"HKEY_LOCAL_MACHINE", "SOFTWARE\\CAF\xc9 \x9f", "0"},
                                        {"HKEY_USERS", "S", "0"},
                                        {"HKEY_USERS", "T]", "2"}}));
  EXPECT_TRUE(fake::KeyExists(HKEY_USERS, "T"));
}

struct EndCase {
  std::string name;
  std::string line;  // what stands in place of del2
};

TEST_F(RunTest, EndsSilentlyAtTheFirstMissingOrMalformedEntry) {
  const EndCase cases[] = {
      {"gap", ""},
      {"empty", "del2=\n"},
      {"blank", "del2=   \n"},
      {"empty quotes", "del2=\"\"\n"},
      {"no H", "del2=software\\x\n"},
      {"no backslash", "del2=HKEY_USERS\n"},
      {"backslash only before the H", "del2=\\HKEY_USERS\n"},
      {"empty subkey", "del2=HKEY_USERS\\\n"},
      {"empty subkey, unknown root", "del2=HKEY_BOGUS\\\n"},
      {"132 characters", "del2=" + std::string(kRootPrefix) + Text('K', 113) + "\n"},
  };
  for (const EndCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::Reset();
    fake::AddKey(HKEY_USERS, "First");
    fake::AddKey(HKEY_USERS, "Third");
    Run("debug=1\ndel1=HKEY_USERS\\First\n" + c.line + "del3=HKEY_USERS\\Third\n");
    EXPECT_EQ(Removals(), std::vector<std::string>{"HKU\\FIRST = 0"});
    EXPECT_EQ(fake::DebugWrites(), Trace({{"HKEY_USERS", "FIRST", "0"}}));
    EXPECT_TRUE(fake::KeyExists(HKEY_USERS, "Third"));
  }
}

TEST_F(RunTest, ReadsAsManyEntriesAsTheListHolds) {
  std::string lines;
  std::vector<std::string> expected;
  for (int n = 1; n <= 12; ++n) {
    const std::string key = "K" + std::to_string(n);
    fake::AddKey(HKEY_USERS, key);
    lines += "del" + std::to_string(n) + "=HKEY_USERS\\" + key + "\n";
    expected.push_back("HKU\\" + key + " = 0");
  }
  Run(lines);
  EXPECT_EQ(expected, Removals());
}

struct SwitchCase {
  const char* line;
  bool traced;
};

TEST_F(RunTest, TracesOnlyWhenDebugIsNonzero) {
  const SwitchCase cases[] = {
      {"", false},
      {"debug=0\n", false},
      {"debug=\n", false},
      {"debug=abc\n", false},
      {"debug=1\n", true},
      {"debug=2\n", true},
      {"debug=255\n", true},
      {"DEBUG=1\n", true},
      {"debug=1 ; on\n", true},
      {"debug=08\n", true},  // decimal, not a bad octal number
      {"debug=0x0\n", false},
      {"debug=-1\n", true},
  };
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(c.line);
    fake::Reset();
    fake::AddKey(HKEY_USERS, "Present");
    // A removal, a failure and an unknown root: with the trace off, none writes.
    Run(std::string(c.line) +
        "del1=HKEY_USERS\\Present\ndel2=HKEY_USERS\\Missing\ndel3=HKEY_USER\\Present\n");
    const std::vector<std::string> traced = Trace({{"HKEY_USERS", "PRESENT", "0"},
                                                   {"HKEY_USERS", "MISSING", "2"},
                                                   {"HKEY_USER", "PRESENT", "6"}});
    EXPECT_EQ(c.traced ? traced : std::vector<std::string>(), fake::DebugWrites());
    EXPECT_EQ(2u, fake::Removals().size());
  }
}

TEST_F(RunTest, WritesOnlyTheHeaderForAnEmptyList) {
  Run("debug=1\n");
  EXPECT_EQ(Trace({}), fake::DebugWrites());
  EXPECT_TRUE(fake::Removals().empty());
}

TEST_F(RunTest, WithoutASettingsFileDoesNothing) {
  fake::AddKey(HKEY_USERS, "S");
  RemoveListedKeys("C:\\Setup\\absent.ini");
  EXPECT_TRUE(fake::DebugWrites().empty());
  EXPECT_TRUE(fake::Removals().empty());
}

// An unknown root name never removes anything: not under no root at all, not
// under the root of an earlier entry. The run goes on after it.
TEST_F(RunTest, UnknownRootFirstRemovesNothingAndTheRunGoesOn) {
  const char* unknown[] = {"HKLM", "the HKEY_USERS", "HKEY_USERS ", "HKEY_CURRENT_CONFIG"};
  for (const char* root : unknown) {
    SCOPED_TRACE(root);
    fake::Reset();
    for (HKEY known : kAllRoots) fake::AddKey(known, "Software\\X");
    Run(std::string("debug=1\ndel1=") + root + "\\Software\\X\n" +
        "del2=HKEY_CURRENT_USER\\Software\\X\n");
    EXPECT_EQ(Removals(), std::vector<std::string>{"HKCU\\SOFTWARE\\X = 0"});
    const std::string traced = fake::Upper(root).substr(fake::Upper(root).find('H'));
    EXPECT_EQ(fake::DebugWrites(),
              Trace({{traced, "SOFTWARE\\X", "6"}, {"HKEY_CURRENT_USER", "SOFTWARE\\X", "0"}}));
    EXPECT_TRUE(fake::KeyExists(HKEY_LOCAL_MACHINE, "Software\\X"));
    EXPECT_TRUE(fake::KeyExists(HKEY_CLASSES_ROOT, "Software\\X"));
    EXPECT_TRUE(fake::KeyExists(HKEY_USERS, "Software\\X"));
  }
}

TEST_F(RunTest, UnknownRootNeverBorrowsTheRootOfAnEarlierEntry) {
  fake::AddKey(HKEY_LOCAL_MACHINE, "Software\\A");
  fake::AddKey(HKEY_LOCAL_MACHINE, "Software\\B");
  fake::AddKey(HKEY_CURRENT_USER, "Software\\C");
  Run("debug=1\n"
      "del1=HKEY_LOCAL_MACHINE\\Software\\A\n"
      "del2=HKEY_LOCAL_MACHIN\\Software\\B\n"
      "del3=HKEY_CURRENT_USER\\Software\\C\n");
  EXPECT_EQ(Removals(),
            (std::vector<std::string>{"HKLM\\SOFTWARE\\A = 0", "HKCU\\SOFTWARE\\C = 0"}));
  EXPECT_EQ(fake::DebugWrites(), Trace({{"HKEY_LOCAL_MACHINE", "SOFTWARE\\A", "0"},
                                        {"HKEY_LOCAL_MACHIN", "SOFTWARE\\B", "6"},
                                        {"HKEY_CURRENT_USER", "SOFTWARE\\C", "0"}}));
  EXPECT_TRUE(fake::KeyExists(HKEY_LOCAL_MACHINE, "Software\\B"));
}

TEST_F(RunTest, UsesAnEntryOf131CharactersWhole) {
  const std::string subkey = "SOFTWARE\\" + Text('K', 103);  // 131 with the root
  fake::AddKey(HKEY_LOCAL_MACHINE, subkey);
  Run("debug=1\ndel1=" + std::string(kRootPrefix) + subkey + "\n");
  EXPECT_EQ(Removals(), std::vector<std::string>{"HKLM\\" + subkey + " = 0"});
  EXPECT_EQ(fake::DebugWrites(), Trace({{"HKEY_LOCAL_MACHINE", subkey, "0"}}));
}

struct LongCase {
  const char* name;
  std::string subkey;  // with the root, longer than 131 characters
  std::string cutKey;  // the existing key that the first 131 characters would name
};

// A longer entry would be read cut to 131 characters, which can name another
// key: a sibling with a shorter name, or, cut right after a backslash, the
// parent. Neither may go; the run ends there.
TEST_F(RunTest, LongerEntryRemovesNothingAndEndsTheRun) {
  const std::string sibling = "SOFTWARE\\" + Text('K', 103);  // 131 with the root
  const std::string parent = "SOFTWARE\\" + Text('P', 102);   // 131 with root and '\'
  const LongCase cases[] = {
      {"cut names a sibling", sibling + "K", sibling},
      {"cut names the parent", parent + "\\X", parent},
      {"far longer", sibling + Text('K', 300), sibling},
  };
  for (const LongCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::Reset();
    fake::AddKey(HKEY_LOCAL_MACHINE, c.cutKey);
    fake::AddKey(HKEY_USERS, "After");
    Run("debug=1\ndel1=" + std::string(kRootPrefix) + c.subkey + "\ndel2=HKEY_USERS\\After\n");
    EXPECT_TRUE(fake::Removals().empty());
    EXPECT_EQ(Trace({}), fake::DebugWrites());
    EXPECT_TRUE(fake::KeyExists(HKEY_LOCAL_MACHINE, c.cutKey));
    EXPECT_TRUE(fake::KeyExists(HKEY_USERS, "After"));
  }
}

}  // namespace
