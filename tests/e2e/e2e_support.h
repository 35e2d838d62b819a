// Pieces the end-to-end cases share: a fresh directory per case holding its
// own copy of the program, settings files, a registry sandbox under each of
// the four roots, the expected trace, and program runs under the debugger.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debug_capture.h"

namespace e2e {

// Status codes the removal run reports in its trace.
constexpr long kRemoved = ERROR_SUCCESS;             // 0
constexpr long kNotFound = ERROR_FILE_NOT_FOUND;     // 2
constexpr long kHasSubkeys = ERROR_ACCESS_DENIED;    // 5
constexpr long kUnknownRoot = ERROR_INVALID_HANDLE;  // 6
constexpr long kBadPathName = ERROR_BAD_PATHNAME;    // A1: the subkey starts with a backslash

// Takes a path the build gave (a Unix path when cross-built); yields it in
// Windows form, a Unix path reached through Wine's drive Z:.
std::string BuiltFilePath(std::string path);

// Yields the built program's path in Windows form.
std::string BuiltProgramPath();

// Yields the text with every occurrence of from replaced by to, left to right;
// what to brings in is not searched again.
std::string Replaced(std::string text, const std::string& from, const std::string& to);

// ---- Files and directories

// Takes a full path; yields true when it and every missing parent now exist
// as directories.
bool MakeDirectories(const std::string& path);

// Takes a file or directory path; removes it with everything below it.
// Yields true when nothing is left there.
bool RemoveTree(const std::string& path);

// Writes exactly these bytes to the file, replacing it, and makes its missing
// directories. Yields true when every byte was written.
bool WriteBytes(const std::string& path, const std::string& bytes);

// Takes the entries for del1, del2, ... in order and the debug value (none
// when negative); yields a settings file in section "skelvane", CRLF lines.
std::string SettingsText(const std::vector<std::string>& entries, int debug = 1);

// ---- Registry sandbox
// Keys are named in short form: "HKCU\\A\\B" is key A\B below the sandbox of
// HKEY_CURRENT_USER. The short roots are HKLM, HKCR, HKCU and HKU.

struct SandboxRoot {
  const char* shortName;  // "HKCU"
  const char* rootName;   // "HKEY_CURRENT_USER", as an entry names it
  HKEY root;
  const char* base;  // the sandbox key below the root
};
extern const SandboxRoot kSandboxRoots[4];

// Deletes each sandbox with everything below it and creates it empty again.
// Yields true when all four are there and empty.
bool ResetSandboxes();

// Deletes the four sandboxes; yields true when none is left.
bool DeleteSandboxes();

// Creates each short-named key with its missing parents; yields true when all
// were created. Does not check that a key stays inside its sandbox.
bool CreateKeys(const std::vector<std::string>& keys);

// Yields every key below the four sandboxes, in short form, sorted.
std::vector<std::string> RemainingKeys();

// Takes a short key name; yields the entry text that names it, e.g.
// "HKEY_CURRENT_USER\\Software\\SkelvaneE2E\\A". Case is kept as given.
std::string EntryFor(const std::string& key);

// ---- The expected trace

struct TracedEntry {
  std::string rootName;  // as traced: upper case
  std::string subkey;    // as traced: upper case
  long status;
};

// Takes a short key name and the removal status; yields the entry as the
// program traces it (upper case, below its sandbox).
TracedEntry Traced(const std::string& key, long status);

// Yields the writes of a traced run: the three header pieces with this
// settings path, then five pieces per entry.
std::vector<std::string> ExpectedTrace(const std::string& settingsPath,
                                       const std::vector<TracedEntry>& entries);

// Compares two lists of writes; on a difference tells the counts, the first
// differing write and, for short lists, both lists. Long lists stay readable.
::testing::AssertionResult SameWrites(const std::vector<std::string>& actual,
                                      const std::vector<std::string>& expected);

// ---- Program runs

// Runs the program with exactly this command line (program name included) in
// the given working directory (empty: ours). Ended after 60 s.
CapturedRun RunCommandLine(const std::string& program, const std::string& commandLine,
                           const std::string& workingDirectory = "");

// Runs the program with its quoted path, one blank and the tail as command
// line (only the quoted path when the tail is empty).
CapturedRun RunProgram(const std::string& program, const std::string& tail,
                       const std::string& workingDirectory = "");

// Yields success when the program started, was not ended by the deadline
// and exited 0; a crash shows as its exception code.
::testing::AssertionResult ExitedCleanly(const CapturedRun& run);

// ---- Fixture

// One run of the program on a settings file beside it, with no tail.
struct SettingsCase {
  std::string name;
  std::vector<std::string> keys;       // short names, created before the run
  std::string settings;                // the settings file's bytes
  std::vector<TracedEntry> trace;      // the entries traced, when the trace is on
  std::vector<std::string> remaining;  // every sandbox key after the run, any order
  bool traced = true;                  // false: nothing at all is written
};

// Each case gets an empty directory of its own with a copy of the program
// and four empty registry sandboxes. The directory is removed after a passing
// case and kept after a failing one.
class ProgramCase : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Yields the case directory followed by the relative path.
  std::string Path(const std::string& relative) const { return caseDir_ + relative; }

  // Yields the text with each "{dir}" replaced by the case directory, each
  // "{prog}" by the program's path and each "{drive}" by the case
  // directory's drive ("C:"). Tables of command lines read well with them.
  std::string FillIn(const std::string& text) const;

  // Runs each case on fresh sandboxes and checks a clean exit, the exact
  // writes (the header names the settings file beside the program) and the
  // keys that remain.
  void RunSettingsCases(const std::vector<SettingsCase>& cases) const;

  // Runs the case's copy of the program with this command tail.
  CapturedRun Run(const std::string& tail, const std::string& workingDirectory = "") const {
    return RunProgram(program_, tail, workingDirectory);
  }

  std::string caseDir_;  // full path, ends in a backslash
  std::string program_;  // caseDir_ + "skelvane.exe"
};

}  // namespace e2e
