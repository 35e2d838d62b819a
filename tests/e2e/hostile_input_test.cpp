// Bad input on the real Windows API: garbage and huge settings files, many
// entries, settings paths that name no file, and paths too long for the
// program's buffers. The program never crashes (a crash would show as its
// exception code instead of exit 0) and removes only what a valid entry names.
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace e2e {
namespace {

using HostileInputTest = ProgramCase;

constexpr size_t kTenMegabytes = 10 * 1024 * 1024;

// Yields count bytes drawn from [low, high] by a fixed seed, skipping CR and
// LF when asked, so every run sees the same garbage.
std::string Garbage(size_t count, int low, int high, bool keepLines) {
  std::mt19937 generator(20240611);
  std::uniform_int_distribution<int> byte(low, high);
  std::string bytes;
  while (bytes.size() < count) {
    const char c = static_cast<char>(byte(generator));
    if (keepLines && (c == '\r' || c == '\n')) continue;
    bytes += c;
  }
  return bytes;
}

// Takes a directory ending in a backslash and a wanted length; yields a
// directory below it of exactly that length, ending in a backslash. Does not
// check that the length is greater than the directory's.
std::string DirectoryOfLength(const std::string& base, size_t length) {
  std::string dir = base;
  while (dir.size() < length) {
    const size_t room = length - dir.size();  // its backslash included
    size_t component = std::min<size_t>(room - 1, 50);
    if (room - 1 - component == 1) --component;  // never leave room for a lone backslash
    dir += std::string(component, 'd') + "\\";
  }
  return dir;
}

TEST_F(HostileInputTest, GarbageAndHugeLinesNeverRemoveAnUnlistedKey) {
  const std::vector<std::string> keys = {"HKCU\\A", "HKCU\\B"};
  const std::string first = EntryFor("HKCU\\A");
  const std::string last = EntryFor("HKCU\\B");
  RunSettingsCases({
      {"64 KiB of binary garbage", keys, Garbage(64 * 1024, 0, 255, false), {}, keys, false},
      {"binary garbage after the debug line",
       keys,
       SettingsText({}) + Garbage(64 * 1024, 0, 255, false),
       {},
       keys},
      // Control bytes and bytes above 0x7F hold no H, so this entry ends the run.
      {"an entry of control bytes and bytes above 0x7F",
       keys,
       SettingsText({first, Garbage(100, 0x80, 0xFF, true) + Garbage(20, 1, 0x1F, true), last}),
       {Traced("HKCU\\A", kRemoved)},
       {"HKCU\\B"}},
      {"an entry of 10 MB: too long, ends the run",
       keys,
       SettingsText({first, EntryFor("HKCU\\B") + std::string(kTenMegabytes, 'x'), last}),
       {Traced("HKCU\\A", kRemoved)},
       {"HKCU\\B"}},
      {"a 10 MB line before the section",
       keys,
       std::string(kTenMegabytes, 'x') + "\r\n" + SettingsText({first, last}),
       {Traced("HKCU\\A", kRemoved), Traced("HKCU\\B", kRemoved)},
       {}},
      {"a 10 MB value of another key inside the section",
       keys,
       "[skelvane]\r\nnote=" + std::string(kTenMegabytes, 'x') + "\r\n" +
           SettingsText({first, last}).substr(sizeof("[skelvane]\r\n") - 1),
       {Traced("HKCU\\A", kRemoved), Traced("HKCU\\B", kRemoved)},
       {}},
  });
}

// All removed, in list order. The trace stays off: under the debugger each of
// 50,000 writes costs a round trip. The order shows in the registry instead:
// each child is listed right before its parent, and a parent whose removal
// came first would still be there with its child (status 5).
TEST_F(HostileInputTest, TenThousandEntriesAreAllRemovedInListOrder) {
  constexpr int kPairs = 5000;
  std::vector<std::string> children;
  std::vector<std::string> entries;
  for (int i = kPairs; i >= 1; --i) {
    char parent[32];
    std::snprintf(parent, sizeof(parent), "HKCU\\P%04d", i);
    children.push_back(std::string(parent) + "\\C");
    entries.push_back(EntryFor(children.back()));
    entries.push_back(EntryFor(parent));
  }
  const ULONGLONG created = GetTickCount64();
  ASSERT_TRUE(CreateKeys(children));
  ASSERT_TRUE(CreateKeys({"HKCU\\Keep"}));
  ASSERT_TRUE(WriteBytes(Path("skelvane.ini"), SettingsText(entries, 0)));

  const ULONGLONG started = GetTickCount64();
  const CapturedRun run = Run("");
  const ULONGLONG ended = GetTickCount64();
  std::printf("[ timing   ] %zu entries: keys created in %llu ms, program ran in %llu ms\n",
              entries.size(), started - created, ended - started);

  EXPECT_TRUE(ExitedCleanly(run));
  EXPECT_TRUE(SameWrites(run.writes, {}));
  EXPECT_EQ(RemainingKeys(), std::vector<std::string>{"HKCU\\Keep"});
}

struct ModulePathCase {
  const char* name;
  size_t moduleDirLength;   // the program's directory, its last backslash included
  const char* programName;  // the copy's file name
  const char* tail;         // {dir}: the case directory
  const char* removed;      // the key whose file was read: A beside the program,
                            // B where the tail points; nullptr: nothing read
};

// The settings path must fit in 131 characters whole: when the module path
// or the composed path does not, nothing is read, even with a settings file
// beside the program; a tail that names a full path needs no module path.
TEST_F(HostileInputTest, PathsLongerThanTheBufferReadNothing) {
  const ModulePathCase cases[] = {
      {"module path of 131 characters", 119, "skelvane.exe", "", "HKCU\\A"},
      {"module path of 132 characters", 120, "skelvane.exe", "", nullptr},
      // The directory alone would fit: a module path cut by the fetch gives no guessed path.
      {"module path of 131 characters, short directory", 100, "removal-tool-of-31-chars-ab.exe", "",
       "HKCU\\A"},
      {"module path of 132 characters, short directory", 100, "removal-tool-of-32-chars-abc.exe",
       "", nullptr},
      {"module path fits, default settings path of 132", 120, "s.exe", "", nullptr},
      {"module directory of 170 characters", 170, "skelvane.exe", "", nullptr},
      {"module directory of 170 characters, full-path tail", 170, "skelvane.exe",
       "{dir}conf\\listed.ini", "HKCU\\B"},
      {"plain-name tail makes the settings path 132", 100, "skelvane.exe",
       "a-plain-name-of-32-character.ini", nullptr},
  };
  for (const ModulePathCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ResetSandboxes());
    ASSERT_TRUE(CreateKeys({"HKCU\\A", "HKCU\\B"}));
    const std::string moduleDir = DirectoryOfLength(caseDir_, c.moduleDirLength);
    const std::string program = moduleDir + c.programName;
    ASSERT_TRUE(MakeDirectories(moduleDir));
    ASSERT_TRUE(CopyFileA(program_.c_str(), program.c_str(), FALSE)) << program;
    ASSERT_TRUE(WriteBytes(moduleDir + "skelvane.ini", SettingsText({EntryFor("HKCU\\A")})));
    const std::string tail = FillIn(c.tail);
    std::string listed = moduleDir + "skelvane.ini";
    if (!tail.empty()) {
      listed = tail.find(':') == std::string::npos ? moduleDir + tail : tail;
      // At the full path and where a path cut to 131 characters would point.
      ASSERT_TRUE(WriteBytes(listed, SettingsText({EntryFor("HKCU\\B")})));
      ASSERT_TRUE(WriteBytes(listed.substr(0, 131), SettingsText({EntryFor("HKCU\\B")})));
    }

    const CapturedRun run = RunProgram(program, tail);

    EXPECT_TRUE(ExitedCleanly(run));
    std::vector<std::string> remaining = {"HKCU\\A", "HKCU\\B"};
    if (c.removed == nullptr) {
      EXPECT_TRUE(SameWrites(run.writes, {}));
    } else {
      EXPECT_TRUE(SameWrites(run.writes, ExpectedTrace(listed, {Traced(c.removed, kRemoved)})));
      remaining.erase(std::find(remaining.begin(), remaining.end(), c.removed));
    }
    EXPECT_EQ(RemainingKeys(), remaining);
    ASSERT_TRUE(RemoveTree(moduleDir.substr(0, moduleDir.find('\\', caseDir_.size()))));
  }
}

}  // namespace
}  // namespace e2e
