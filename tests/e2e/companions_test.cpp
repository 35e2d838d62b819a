// The two console companions on the real Windows API: skelvane-check's report
// for a table of settings files (and that it removes nothing), and
// skelvane-trace's output against the suite's own capture of the program.
#include <sstream>
#include <string>
#include <vector>

#include "companion_support.h"
#include "e2e_support.h"

namespace e2e {
namespace {

// Exit statuses of skelvane-check.
constexpr DWORD kReady = 0;
constexpr DWORD kProblems = 1;
constexpr DWORD kUsage = 2;

// The header's five lines come before the entries.
constexpr size_t kHeaderLines = 5;

// Replaces each "{dir}" with the case directory and each sandbox mark
// ("{HKCU}" and the like) with the sandbox's path as an entry names it, in
// upper case when asked (as a report or a trace shows it).
std::string Expand(std::string text, const std::string& dir, bool upper) {
  std::vector<std::pair<std::string, std::string>> marks = {{"{dir}", dir}};
  for (const SandboxRoot& root : kSandboxRoots) {
    std::string path = std::string(root.rootName) + "\\" + root.base;
    if (upper) CharUpperA(&path[0]);
    marks.push_back({"{" + std::string(root.shortName) + "}", path});
  }
  for (const auto& [mark, value] : marks) text = Replaced(text, mark, value);
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::string Joined(const std::vector<std::string>& pieces) {
  std::string joined;
  for (const std::string& piece : pieces) joined += piece;
  return joined;
}

// Takes one line of skelvane-trace --pieces; yields the write it shows, or
// false when it is not a quoted, escaped write.
bool Unescape(const std::string& line, std::string* text) {
  if (line.size() < 2 || line.front() != '"' || line.back() != '"') return false;
  text->clear();
  for (size_t i = 1; i + 1 < line.size(); ++i) {
    if (line[i] != '\\') {
      *text += line[i];
      continue;
    }
    const char escape = line[++i];
    if (escape == 'n') {
      *text += '\n';
    } else if (escape == 'r') {
      *text += '\r';
    } else if (escape == 't') {
      *text += '\t';
    } else if (escape == 'x' && i + 2 < line.size() - 1) {
      *text += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      *text += escape;
    }
  }
  return true;
}

// A case directory with the program and both companions side by side, as
// they are shipped.
class CompanionCase : public ProgramCase {
 protected:
  void SetUp() override {
    ProgramCase::SetUp();
    check_ = Path("skelvane-check.exe");
    trace_ = Path("skelvane-trace.exe");
    ASSERT_TRUE(CopyFileA(BuiltFilePath(SKELVANE_CHECK_PATH).c_str(), check_.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(BuiltFilePath(SKELVANE_TRACE_PATH).c_str(), trace_.c_str(), FALSE));
  }

  // Runs a companion as a command prompt would: its name, a blank, the tail.
  ConsoleRun RunCompanion(const std::string& companion, const std::string& tail) const {
    const std::string name = companion.substr(caseDir_.size());
    return RunConsole(companion, tail.empty() ? name : name + " " + tail, caseDir_);
  }

  std::string check_;
  std::string trace_;
};

// ---- skelvane-check

struct CheckCase {
  const char* name;
  std::vector<std::string> keys;     // created before the check, short form
  std::vector<std::string> entries;  // del1, del2, ...; sandbox marks expand
  std::string extra;                 // more lines for the section, as written
  std::vector<std::string> report;   // the lines after the header; marks expand
  DWORD exitStatus;
};

std::string EntryOfLength(size_t length) {
  const std::string head = "{HKCU}\\";
  return head + std::string(length - Expand(head, "", false).size(), 'L');
}

TEST_F(CompanionCase, CheckReportsEachEntryAndWhereTheListEnds) {
  const std::string longest = EntryOfLength(131);
  const std::string longestKey = "HKCU\\" + longest.substr(7);
  const std::string ends = ": the run ends here, entries after it are never read";
  const CheckCase cases[] = {
      {"valid entries under two roots, all removable",
       {"HKCU\\A", "HKLM\\B"},
       {"{HKCU}\\A", "{HKLM}\\B"},
       "",
       {"del1: {HKCU}\\A: exists, no subkeys: will be removed",
        "del2: {HKLM}\\B: exists, no subkeys: will be removed",
        "del3 missing: entries after it are never read", "result: ok"},
       kReady},
      {"children listed before their parent",
       {"HKCU\\P\\C1", "HKCU\\P\\C2"},
       {"{HKCU}\\P\\C1", "{HKCU}\\P\\C2", "{HKCU}\\P"},
       "",
       {"del1: {HKCU}\\P\\C1: exists, no subkeys: will be removed",
        "del2: {HKCU}\\P\\C2: exists, no subkeys: will be removed",
        "del3: {HKCU}\\P: exists, its subkeys removed before it: will be removed",
        "del4 missing: entries after it are never read", "result: ok"},
       kReady},
      {"a parent before its child fails with status 5",
       {"HKCU\\P\\C"},
       {"{HKCU}\\P", "{HKCU}\\P\\C"},
       "",
       {"del1: {HKCU}\\P: exists, has subkeys not removed before it (C): removal will fail with "
        "status 5; list its subkeys before it",
        "del2: {HKCU}\\P\\C: exists, no subkeys: will be removed",
        "del3 missing: entries after it are never read", "result: 1 problem"},
       kProblems},
      {"a grandchild left keeps its parent and grandparent",
       {"HKCU\\P\\C\\G"},
       {"{HKCU}\\P\\C", "{HKCU}\\P"},
       "",
       {"del1: {HKCU}\\P\\C: exists, has subkeys not removed before it (G): removal will fail "
        "with status 5; list its subkeys before it",
        "del2: {HKCU}\\P: exists, has subkeys not removed before it (C): removal will fail with "
        "status 5; list its subkeys before it",
        "del3 missing: entries after it are never read", "result: 2 problems"},
       kProblems},
      {"three subkeys are named, the rest elided",
       {"HKCU\\P\\A", "HKCU\\P\\B", "HKCU\\P\\C", "HKCU\\P\\D"},
       {"{HKCU}\\P"},
       "",
       {"del1: {HKCU}\\P: exists, has subkeys not removed before it (A, B, C, ...): removal will "
        "fail with status 5; list its subkeys before it",
        "del2 missing: entries after it are never read", "result: 1 problem"},
       kProblems},
      {"a missing key and a key listed twice fail with status 2",
       {"HKCU\\A"},
       {"{HKCU}\\A", "{HKCU}\\a", "{HKU}\\Gone"},
       "",
       {"del1: {HKCU}\\A: exists, no subkeys: will be removed",
        "del2: {HKCU}\\A: already removed by del1: removal will fail with status 2",
        "del3: {HKU}\\GONE: does not exist: removal will fail with status 2",
        "del4 missing: entries after it are never read", "result: 2 problems"},
       kProblems},
      {"an unknown root is skipped and the list goes on",
       {"HKCU\\A"},
       {"HKEY_CURENT_USER\\Software\\SkelvaneE2E\\A", "SCHEMA {HKCU}\\A", "{HKCU}\\A"},
       "",
       {"del1: HKEY_CURENT_USER\\SOFTWARE\\SKELVANEE2E\\A: unknown root: skipped, nothing removed "
        "(traced as status 6)",
        "del2: HEMA {HKCU}\\A: unknown root: skipped, nothing removed (traced as status 6)",
        "del3: {HKCU}\\A: exists, no subkeys: will be removed",
        "del4 missing: entries after it are never read", "result: 2 problems"},
       kProblems},
      {"lower case, blanks and a quote before the root are used as the program uses them",
       {"HKCR\\Doc"},
       {"   \"hkey_classes_root\\skelvanee2e\\doc"},
       "",
       {"del1: {HKCR}\\DOC: exists, no subkeys: will be removed",
        "del2 missing: entries after it are never read", "result: ok"},
       kReady},
      {"a gap: entries after it are never read",
       {"HKCU\\A", "HKCU\\B"},
       {"{HKCU}\\A", "", "{HKCU}\\B"},
       "",
       {"del1: {HKCU}\\A: exists, no subkeys: will be removed",
        "del2 missing: entries after it are never read", "never read: del3", "result: 1 problem"},
       kProblems},
      {"misspelt entry names are never read",
       {"HKCU\\A"},
       {"{HKCU}\\A"},
       "del02={HKCU}\\A\r\ndell2={HKCU}\\A\r\nnote=kept for the author\r\n",
       {"del1: {HKCU}\\A: exists, no subkeys: will be removed",
        "del2 missing: entries after it are never read", "never read: del02 dell2",
        "result: 1 problem"},
       kProblems},
      {"no letter H ends the run",
       {"HKCU\\A"},
       {"{HKCU}\\A", "Software\\SkelvaneE2E\\A", "{HKCU}\\A"},
       "",
       {"del1: {HKCU}\\A: exists, no subkeys: will be removed",
        "del2 malformed (no letter H)" + ends, "never read: del3", "result: 2 problems"},
       kProblems},
      {"no backslash after the first H ends the run",
       {},
       {"HKEY_CURRENT_USER"},
       "",
       {"del1 malformed (no backslash after the first H: HKEY_CURRENT_USER)" + ends,
        "empty list: nothing will be removed", "result: 2 problems"},
       kProblems},
      {"an empty subkey ends the run",
       {},
       {"hkey_local_machine\\"},
       "",
       {"del1 malformed (empty subkey after HKEY_LOCAL_MACHINE\\)" + ends,
        "empty list: nothing will be removed", "result: 2 problems"},
       kProblems},
      {"131 characters are used whole, 132 end the run",
       {longestKey},
       {longest, EntryOfLength(132)},
       "",
       {"del1: " + Expand(longest, "", true) + ": exists, no subkeys: will be removed",
        "del2 too long (more than 131 characters): not acted on" + ends, "result: 1 problem"},
       kProblems},
      {"an empty section",
       {"HKCU\\A"},
       {},
       "",
       {"del1 missing: entries after it are never read", "empty list: nothing will be removed",
        "result: 1 problem"},
       kProblems},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ResetSandboxes());
    ASSERT_TRUE(CreateKeys(c.keys));
    const std::vector<std::string> keysBefore = RemainingKeys();
    std::vector<std::string> entries;
    for (const std::string& entry : c.entries) entries.push_back(Expand(entry, caseDir_, false));
    ASSERT_TRUE(
        WriteBytes(Path("skelvane.ini"), SettingsText(entries) + Expand(c.extra, caseDir_, false)));

    const ConsoleRun run = RunCompanion(check_, "");

    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, c.exitStatus) << run.output;
    const std::vector<std::string> lines = Lines(run.output);
    ASSERT_GE(lines.size(), kHeaderLines) << run.output;
    std::vector<std::string> expected;
    for (const std::string& line : c.report) expected.push_back(Expand(line, caseDir_, true));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + kHeaderLines, lines.end()), expected);
    EXPECT_EQ(RemainingKeys(), keysBefore) << "the check removed a key";
  }
}

struct HeaderCase {
  const char* name;
  const char* tail;                 // {dir}: the case directory
  const char* settingsFile;         // where a settings file is written, or null
  int debug;                        // its debug value, none when negative
  std::vector<std::string> header;  // the lines after "program directory"
};

// The check finds the settings file by the program's own rules: its path is
// the one the program's trace header shows for the same tail.
TEST_F(CompanionCase, CheckLocatesTheSettingsFileAsTheProgramDoes) {
  const HeaderCase cases[] = {
      {"no tail: beside the program",
       "",
       "{dir}skelvane.ini",
       1,
       {"settings path: {dir}skelvane.ini", "settings file: found", "registry view: 64-bit",
        "trace: on (debug=1)"}},
      {"directory tail with a blank, unquoted",
       "{dir}Setup Files\\",
       "{dir}Setup Files\\skelvane.ini",
       0,
       {"settings path: {dir}Setup Files\\skelvane.ini", "settings file: found",
        "registry view: 64-bit", "trace: off (debug=0)"}},
      {"plain name beside the program, no debug key",
       "other.ini",
       "{dir}other.ini",
       -1,
       {"settings path: {dir}other.ini", "settings file: found", "registry view: 64-bit",
        "trace: off (debug=0)"}},
      {"quoted directory tail keeps its quotes",
       "\"{dir}Setup Files\\\"",
       "{dir}Setup Files\\skelvane.ini",
       1,
       {"settings path: \"{dir}Setup Files\\\"",
        "settings file: not found (the path holds a double quote: the command tail is taken as "
        "it is, so leave it unquoted)",
        "registry view: 64-bit", "trace: off (debug=0)"}},
      {"directory tail without its backslash",
       "{dir}Setup Files",
       "{dir}Setup Files\\skelvane.ini",
       1,
       {"settings path: {dir}Setup Files",
        "settings file: a directory, not a file (a directory tail ends in a backslash)",
        "registry view: 64-bit", "trace: off (debug=0)"}},
      {"a name that is no option",
       "-x.ini",
       "{dir}-x.ini",
       7,
       {"settings path: {dir}-x.ini", "settings file: found", "registry view: 64-bit",
        "trace: on (debug=7)"}},
      {"a file that is not there",
       "{dir}none.ini",
       nullptr,
       1,
       {"settings path: {dir}none.ini", "settings file: not found, so the program reads no entries",
        "registry view: 64-bit", "trace: off (debug=0)"}},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(MakeDirectories(Path("Setup Files")));
    if (c.settingsFile != nullptr) {
      ASSERT_TRUE(WriteBytes(Expand(c.settingsFile, caseDir_, false), SettingsText({}, c.debug)));
    }
    const std::string tail = Expand(c.tail, caseDir_, false);

    const ConsoleRun run = RunCompanion(check_, tail);

    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, kProblems) << run.output;  // every file here lists nothing
    const std::vector<std::string> lines = Lines(run.output);
    ASSERT_GE(lines.size(), kHeaderLines) << run.output;
    EXPECT_EQ(lines[0],
              "program directory: " + caseDir_ + " (this tool's own: keep it beside skelvane.exe)");
    std::vector<std::string> expected;
    for (const std::string& line : c.header) expected.push_back(Expand(line, caseDir_, false));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.begin() + kHeaderLines), expected);

    // The program itself, traced, names the same settings path.
    const std::string settingsPath = lines[1].substr(lines[1].find(": ") + 2);
    ASSERT_TRUE(WriteBytes(Path("skelvane.ini"), SettingsText({}, 1)));
    ASSERT_TRUE(WriteBytes(Path("Setup Files\\skelvane.ini"), SettingsText({}, 1)));
    ASSERT_TRUE(WriteBytes(Path("other.ini"), SettingsText({}, 1)));
    ASSERT_TRUE(WriteBytes(Path("-x.ini"), SettingsText({}, 1)));
    const CapturedRun program = Run(tail);
    if (expected[1] == "settings file: found") {
      EXPECT_TRUE(SameWrites(program.writes, ExpectedTrace(settingsPath, {})));
    } else {
      EXPECT_TRUE(program.writes.empty());
    }
    ASSERT_TRUE(RemoveTree(Path("Setup Files")));
    for (const char* name : {"skelvane.ini", "other.ini", "-x.ini"}) {
      ASSERT_TRUE(RemoveTree(Path(name)));
    }
  }
}

TEST_F(CompanionCase, CheckWithoutASettingsPathSaysSo) {
  // Longer than the 131 characters a settings path may hold.
  const std::string tail = "C:\\" + std::string(140, 'd') + "\\";

  const ConsoleRun run = RunCompanion(check_, tail);

  EXPECT_EQ(run.exitCode, kProblems);
  const std::vector<std::string> lines = Lines(run.output);
  ASSERT_EQ(lines.size(), 3u) << run.output;
  EXPECT_EQ(lines[1],
            "settings path: none (longer than 131 characters), so the program reads "
            "nothing");
  EXPECT_EQ(lines[2], "result: 1 problem");
}

struct UsageCase {
  const char* tail;
  const char* firstLine;
};

TEST_F(CompanionCase, CheckTakesOnlyHelpAndUnknownOptionsAsUsageErrors) {
  const UsageCase cases[] = {
      {"/?", "usage: skelvane-check [COMMAND TAIL]"},
      {"-?", "usage: skelvane-check [COMMAND TAIL]"},
      {"--help", "usage: skelvane-check [COMMAND TAIL]"},
      {"--all x.ini", "skelvane-check: unknown option --all"},
  };
  ASSERT_TRUE(CreateKeys({"HKCU\\A"}));
  ASSERT_TRUE(WriteBytes(Path("skelvane.ini"), SettingsText({EntryFor("HKCU\\A")})));
  for (const UsageCase& c : cases) {
    SCOPED_TRACE(c.tail);
    const ConsoleRun run = RunCompanion(check_, c.tail);
    EXPECT_EQ(run.exitCode, kUsage);
    EXPECT_EQ(Lines(run.output).at(0), c.firstLine) << run.output;
    EXPECT_EQ(run.output.find("settings path"), std::string::npos);
  }
  EXPECT_EQ(RemainingKeys(), std::vector<std::string>{"HKCU\\A"});
}

// ---- skelvane-trace

struct TraceCase {
  const char* name;
  const char* tail;          // {dir}: the case directory
  const char* settingsFile;  // where the settings file is written
};

// skelvane-trace shows exactly the writes the suite's own capture sees, one
// per line with --pieces and joined without it, and passes the tail on as it
// is given.
TEST_F(CompanionCase, TraceShowsTheWritesTheSuiteCaptures) {
  const TraceCase cases[] = {
      {"no tail", "", "{dir}skelvane.ini"},
      {"directory tail with blanks", "{dir}Setup Files\\", "{dir}Setup Files\\skelvane.ini"},
      {"tail with trailing blanks", "{dir}list.ini  ", "{dir}list.ini"},
      {"quoted tail, passed on quoted", "\"{dir}Setup Files\\\"", "{dir}Setup Files\\skelvane.ini"},
  };
  const std::vector<std::string> keys = {"HKCU\\P\\C", "HKLM\\A"};
  const std::vector<std::string> entries = {EntryFor("HKCU\\P"), EntryFor("HKCU\\P\\C"),
                                            EntryFor("HKLM\\A"), EntryFor("HKLM\\Gone")};
  for (const TraceCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(MakeDirectories(Path("Setup Files")));
    ASSERT_TRUE(WriteBytes(Expand(c.settingsFile, caseDir_, false), SettingsText(entries)));
    const std::string tail = Expand(c.tail, caseDir_, false);

    ASSERT_TRUE(ResetSandboxes());
    ASSERT_TRUE(CreateKeys(keys));
    const CapturedRun captured = Run(tail);
    ASSERT_TRUE(ExitedCleanly(captured));
    const std::vector<std::string> keysAfter = RemainingKeys();

    ASSERT_TRUE(ResetSandboxes());
    ASSERT_TRUE(CreateKeys(keys));
    const ConsoleRun pieces = RunCompanion(trace_, "--pieces skelvane.exe " + tail);
    EXPECT_EQ(pieces.exitCode, 0u);
    EXPECT_EQ(RemainingKeys(), keysAfter);
    std::vector<std::string> lines = Lines(pieces.output);
    ASSERT_FALSE(lines.empty());
    const std::string status = lines.back();
    lines.pop_back();
    std::vector<std::string> writes;
    for (const std::string& line : lines) {
      std::string write;
      ASSERT_TRUE(Unescape(line, &write)) << line;
      writes.push_back(write);
    }
    EXPECT_TRUE(SameWrites(writes, captured.writes));
    EXPECT_EQ(status,
              "exit status: 0 (" + std::to_string(captured.writes.size()) + " debug writes)");

    ASSERT_TRUE(ResetSandboxes());
    ASSERT_TRUE(CreateKeys(keys));
    const ConsoleRun joined = RunCompanion(trace_, "skelvane.exe " + tail);
    EXPECT_EQ(joined.exitCode, 0u);
    EXPECT_EQ(joined.output, Joined(captured.writes) + status + "\n");
    EXPECT_EQ(RemainingKeys(), keysAfter);
    ASSERT_TRUE(RemoveTree(Path("Setup Files")));
  }
}

TEST_F(CompanionCase, TraceOfASilentRunShowsOnlyTheExitStatus) {
  ASSERT_TRUE(CreateKeys({"HKCU\\A"}));
  ASSERT_TRUE(WriteBytes(Path("skelvane.ini"), SettingsText({EntryFor("HKCU\\A")}, 0)));

  const ConsoleRun run = RunCompanion(trace_, "\"" + program_ + "\"");

  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.output, "exit status: 0 (0 debug writes)\n");
  EXPECT_TRUE(RemainingKeys().empty());
}

struct TraceRefusal {
  const char* name;
  std::string tail;
  std::string firstLine;  // begins the output
};

TEST_F(CompanionCase, TraceRefusesWhatItCannotRun) {
  // A 32-bit program that Wine's own 32-bit modules provide.
  const std::string program32 = "Z:\\usr\\lib\\i386-linux-gnu\\wine\\i386-windows\\cmd.exe";
  ASSERT_NE(GetFileAttributesA(program32.c_str()), INVALID_FILE_ATTRIBUTES)
      << "Wine's 32-bit modules are missing";
  ASSERT_TRUE(WriteBytes(Path("notes.exe"), "not a program\r\n"));
  const TraceRefusal cases[] = {
      {"no program", "", "skelvane-trace: no program given"},
      {"only options", "--pieces", "skelvane-trace: no program given"},
      {"unknown option", "--all skelvane.exe", "skelvane-trace: unknown option --all"},
      {"help", "/?", "usage: skelvane-trace [--pieces] PROGRAM [COMMAND TAIL]"},
      {"no such program", "absent.exe", "skelvane-trace: cannot find absent.exe"},
      {"a 32-bit program", "\"" + program32 + "\" /c exit 7",
       ("skelvane-trace: " + program32 +
        " is not a 64-bit Windows program; trace it with the 32-bit skelvane-trace.exe")},
      {"not a program", "notes.exe",
       "skelvane-trace: " + Path("notes.exe") +
           " is not a 64-bit Windows program; trace it with the 32-bit skelvane-trace.exe"},
  };
  for (const TraceRefusal& c : cases) {
    SCOPED_TRACE(c.name);
    const ConsoleRun run = RunCompanion(trace_, c.tail);
    EXPECT_EQ(run.exitCode, kUsage) << run.output;
    EXPECT_EQ(run.output.rfind(c.firstLine, 0), 0u) << run.output;
  }
}

}  // namespace
}  // namespace e2e
