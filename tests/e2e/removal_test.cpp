// The removal run on the real registry: which keys go, which stay, in what
// order, and the exact trace the program writes.
#include <cctype>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace e2e {
namespace {

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The sandbox prefix of an entry under HKEY_CURRENT_USER is 39 characters;
// these names fill an entry to exactly 131 and 132 characters.
const std::string kName131(131 - 39, 'N');
const std::string kName132 = kName131 + "Z";

using RemovalTest = ProgramCase;

TEST_F(RemovalTest, RemovesListedKeysInOrderAndTracesEach) {
  ASSERT_EQ(EntryFor("HKCU\\" + kName131).size(), 131u);
  RunSettingsCases({
      {"three entries: 3 header writes and 5 per entry, 18 in all",
       {"HKLM\\A", "HKCR\\B", "HKU\\C", "HKLM\\Keep"},
       SettingsText({EntryFor("HKLM\\A"), EntryFor("HKCR\\B"), EntryFor("HKU\\C")}),
       {Traced("HKLM\\A", kRemoved), Traced("HKCR\\B", kRemoved), Traced("HKU\\C", kRemoved)},
       {"HKLM\\Keep"}},
      {"each of the four roots; siblings not named stay",
       {"HKLM\\A", "HKLM\\Keep", "HKCR\\A", "HKCR\\Keep", "HKCU\\A", "HKCU\\Keep", "HKU\\A",
        "HKU\\Keep"},
       SettingsText(
           {EntryFor("HKCU\\A"), EntryFor("HKU\\A"), EntryFor("HKCR\\A"), EntryFor("HKLM\\A")}),
       {Traced("HKCU\\A", kRemoved), Traced("HKU\\A", kRemoved), Traced("HKCR\\A", kRemoved),
        Traced("HKLM\\A", kRemoved)},
       {"HKCR\\Keep", "HKCU\\Keep", "HKLM\\Keep", "HKU\\Keep"}},
      {"lower and mixed case work and are traced in upper case",
       {"HKCU\\Lower", "HKLM\\Mixed"},
       SettingsText({LowerCase(EntryFor("HKCU\\Lower")),
                     "Hkey_Local_Machine\\sOFTWARE\\skelvaneE2E\\mIxEd"}),
       {Traced("HKCU\\Lower", kRemoved), Traced("HKLM\\Mixed", kRemoved)},
       {}},
      {"children before their parent, as a setup lists them",
       {"HKCU\\App\\Plugin\\Cache", "HKCU\\App\\Keep"},
       SettingsText({EntryFor("HKCU\\App\\Plugin\\Cache"), EntryFor("HKCU\\App\\Plugin")}),
       {Traced("HKCU\\App\\Plugin\\Cache", kRemoved), Traced("HKCU\\App\\Plugin", kRemoved)},
       {"HKCU\\App", "HKCU\\App\\Keep"}},
      {"a key with subkeys: status 5, kept, the run goes on",
       {"HKCU\\Parent\\Child", "HKCU\\Next"},
       SettingsText({EntryFor("HKCU\\Parent"), EntryFor("HKCU\\Next")}),
       {Traced("HKCU\\Parent", kHasSubkeys), Traced("HKCU\\Next", kRemoved)},
       {"HKCU\\Parent", "HKCU\\Parent\\Child"}},
      {"a missing key: status 2, the run goes on",
       {"HKCU\\Next"},
       SettingsText({EntryFor("HKCU\\Missing"), EntryFor("HKCU\\Next")}),
       {Traced("HKCU\\Missing", kNotFound), Traced("HKCU\\Next", kRemoved)},
       {}},
      {"a status with hex letters: upper case",
       {"HKCU\\A", "HKCU\\B"},
       SettingsText({"HKEY_CURRENT_USER\\\\Software\\SkelvaneE2E\\A", EntryFor("HKCU\\B")}),
       {{"HKEY_CURRENT_USER", "\\SOFTWARE\\SKELVANEE2E\\A", kBadPathName},
        Traced("HKCU\\B", kRemoved)},
       {"HKCU\\A"}},
      {"prefix before the first H skipped, characters after the subkey kept",
       {"HKCU\\A", "HKCU\\A]"},
       SettingsText({"[" + EntryFor("HKCU\\A") + "]"}),
       {Traced("HKCU\\A]", kRemoved)},
       {"HKCU\\A"}},
      {"an entry of 131 characters is used whole",
       {"HKCU\\" + kName131, "HKCU\\" + kName132},
       SettingsText({EntryFor("HKCU\\" + kName131)}),
       {Traced("HKCU\\" + kName131, kRemoved)},
       {"HKCU\\" + kName132}},
  });
}

// Each way the list ends: the entry there and every later one are left alone,
// earlier removals stand, and nothing about the end is traced.
TEST_F(RemovalTest, EndsTheRunSilently) {
  const std::vector<std::string> keys = {"HKCU\\A", "HKCU\\B", "HKCU\\C"};
  const std::string first = EntryFor("HKCU\\A");
  const std::string last = EntryFor("HKCU\\C");
  const std::vector<TracedEntry> firstOnly = {Traced("HKCU\\A", kRemoved)};
  const std::vector<std::string> afterFirst = {"HKCU\\B", "HKCU\\C"};
  ASSERT_EQ(EntryFor("HKCU\\" + kName132).size(), 132u);
  RunSettingsCases({
      {"a gap: del1 and del3 without del2", keys,
       "[skelvane]\r\ndebug=1\r\ndel1=" + first + "\r\ndel3=" + last + "\r\n", firstOnly,
       afterFirst},
      {"an empty entry", keys, SettingsText({first, "", last}), firstOnly, afterFirst},
      {"no H at all", keys, SettingsText({first, "Software\\SkelvaneE2E\\B", last}), firstOnly,
       afterFirst},
      {"no backslash after the first H", keys,
       SettingsText({first, "Software\\HKEY_CURRENT_USER", last}), firstOnly, afterFirst},
      {"an empty subkey", keys, SettingsText({first, "HKEY_CURRENT_USER\\", last}), firstOnly,
       afterFirst},
      // Read cut to 131 characters it would name the existing key kName131.
      {"an entry of 132 characters",
       {"HKCU\\" + kName131, "HKCU\\" + kName132, "HKCU\\C"},
       SettingsText({EntryFor("HKCU\\" + kName132), last}),
       {},
       {"HKCU\\" + kName131, "HKCU\\" + kName132, "HKCU\\C"}},
      {"an entry of 132 characters after one that was removed",
       {"HKCU\\A", "HKCU\\" + kName131, "HKCU\\" + kName132, "HKCU\\C"},
       SettingsText({first, EntryFor("HKCU\\" + kName132), last}),
       firstOnly,
       {"HKCU\\" + kName131, "HKCU\\" + kName132, "HKCU\\C"}},
  });
}

// A root name that is none of the four removes nothing, under no root, and
// the run goes on: status 6 in the trace.
TEST_F(RemovalTest, UnknownRootRemovesNothingAndTheRunGoesOn) {
  RunSettingsCases({
      {"after a valid entry: nothing removed under that entry's root",
       {"HKLM\\A", "HKLM\\B", "HKCU\\B", "HKCU\\C"},
       SettingsText({EntryFor("HKLM\\A"), "HKEY_LOCAL_MACHIN\\Software\\SkelvaneE2E\\B",
                     EntryFor("HKCU\\C")}),
       {Traced("HKLM\\A", kRemoved),
        {"HKEY_LOCAL_MACHIN", "SOFTWARE\\SKELVANEE2E\\B", kUnknownRoot},
        Traced("HKCU\\C", kRemoved)},
       {"HKCU\\B", "HKLM\\B"}},
      {"near misses before any valid entry",
       {"HKCU\\A", "HKCU\\B"},
       SettingsText({"HKCU\\Software\\SkelvaneE2E\\A",
                     "HKEY_CURRENT_USER \\Software\\SkelvaneE2E\\A",
                     "Hive HKEY_CURRENT_USER\\Software\\SkelvaneE2E\\A", EntryFor("HKCU\\B")}),
       {{"HKCU", "SOFTWARE\\SKELVANEE2E\\A", kUnknownRoot},
        {"HKEY_CURRENT_USER ", "SOFTWARE\\SKELVANEE2E\\A", kUnknownRoot},
        {"HIVE HKEY_CURRENT_USER", "SOFTWARE\\SKELVANEE2E\\A", kUnknownRoot},
        Traced("HKCU\\B", kRemoved)},
       {"HKCU\\A"}},
  });
}

// The trace switch: any nonzero debug value turns it on; absent or zero, the
// keys are removed all the same and nothing at all is written.
TEST_F(RemovalTest, TraceOnlyWhenDebugIsNonzero) {
  const std::vector<std::string> keys = {"HKCU\\A", "HKLM\\B", "HKCU\\Keep"};
  const std::vector<std::string> entries = {EntryFor("HKCU\\A"), EntryFor("HKLM\\B")};
  const std::vector<TracedEntry> trace = {Traced("HKCU\\A", kRemoved), Traced("HKLM\\B", kRemoved)};
  RunSettingsCases({
      {"no debug value", keys, SettingsText(entries, -1), {}, {"HKCU\\Keep"}, false},
      {"debug=0", keys, SettingsText(entries, 0), {}, {"HKCU\\Keep"}, false},
      {"debug=2", keys, SettingsText(entries, 2), trace, {"HKCU\\Keep"}},
      {"no debug value and nothing to remove", keys, SettingsText({}, -1), {}, keys, false},
      {"debug=1 and no entries: the header only", keys, SettingsText({}), {}, keys},
  });
}

}  // namespace
}  // namespace e2e
