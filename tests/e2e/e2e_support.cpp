#include "e2e_support.h"
#include "shown_write.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

namespace e2e {

const SandboxRoot kSandboxRoots[4] = {
    {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE, "Software\\SkelvaneE2E"},
    {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT, "SkelvaneE2E"},
    {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER, "Software\\SkelvaneE2E"},
    {"HKU", "HKEY_USERS", HKEY_USERS, ".DEFAULT\\Software\\SkelvaneE2E"},
};

namespace {

constexpr DWORD kRunTimeoutMs = 60000;

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Splits a short key name at its first backslash; yields the sandbox root it
// names and the path below the sandbox, or null for an unknown short root.
const SandboxRoot* SplitShortKey(const std::string& key, std::string* below) {
  const std::string::size_type slash = key.find('\\');
  const std::string shortName = key.substr(0, slash);
  *below = slash == std::string::npos ? std::string() : key.substr(slash + 1);
  for (const SandboxRoot& root : kSandboxRoots) {
    if (shortName == root.shortName) return &root;
  }
  return nullptr;
}

bool DeleteSandbox(const SandboxRoot& root) {
  const LONG status = RegDeleteTreeA(root.root, root.base);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

// Adds every key below the open key to keys, each as prefix + its path.
void ListKeysBelow(HKEY key, const std::string& prefix, std::vector<std::string>* keys) {
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof(name);
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      return;
    }
    const std::string path = prefix + name;
    keys->push_back(path);
    HKEY child = nullptr;
    if (RegOpenKeyExA(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
      ListKeysBelow(child, path + "\\", keys);
      RegCloseKey(child);
    }
  }
}

std::string ShownList(const std::vector<std::string>& writes) {
  std::string shown;
  for (const std::string& write : writes) shown += "  " + ShownWrite(write) + "\n";
  return shown;
}

// Takes a name of the running test; yields it fit for a directory name.
std::string DirectoryNameFor(const ::testing::TestInfo& test) {
  std::string name = std::string(test.test_suite_name()) + "." + test.name();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_') c = '_';
  }
  return name;
}

// Takes a full path; yields true when the directory that holds it exists or
// was made. A drive's root always counts as there.
bool MakeParentDirectories(const std::string& path) {
  const std::string::size_type slash = path.find_last_of('\\');
  return slash == std::string::npos || slash <= 2 || MakeDirectories(path.substr(0, slash));
}

std::string TempDirectory() {
  char path[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, path);
  if (length == 0 || length >= MAX_PATH) return "C:\\";
  char longPath[MAX_PATH];
  const DWORD longLength = GetLongPathNameA(path, longPath, MAX_PATH);
  return longLength != 0 && longLength < MAX_PATH ? longPath : path;
}

}  // namespace

std::string BuiltFilePath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  if (!path.empty() && path[0] == '\\') path = "Z:" + path;
  return path;
}

std::string BuiltProgramPath() {
  return BuiltFilePath(SKELVANE_PROGRAM_PATH);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::string::size_type at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

bool MakeDirectories(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return MakeDirectories(path.substr(0, path.size() - 1));
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return MakeParentDirectories(path) && CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool RemoveTree(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return RemoveTree(path.substr(0, path.size() - 1));
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path.c_str()) != 0;
  }
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name != "." && name != "..") RemoveTree(path + "\\" + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return RemoveDirectoryA(path.c_str()) != 0;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  if (!MakeParentDirectories(path)) return false;
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
      written == bytes.size();
  CloseHandle(file);
  return ok;
}

std::string SettingsText(const std::vector<std::string>& entries, int debug) {
  std::string text = "[skelvane]\r\n";
  if (debug >= 0) text += "debug=" + std::to_string(debug) + "\r\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    text += "del" + std::to_string(i + 1) + "=" + entries[i] + "\r\n";
  }
  return text;
}

bool ResetSandboxes() {
  for (const SandboxRoot& root : kSandboxRoots) {
    HKEY key = nullptr;
    if (!DeleteSandbox(root) || RegCreateKeyExA(root.root, root.base, 0, nullptr, 0, KEY_WRITE,
                                                nullptr, &key, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    RegCloseKey(key);
  }
  return true;
}

bool DeleteSandboxes() {
  bool ok = true;
  for (const SandboxRoot& root : kSandboxRoots) ok = DeleteSandbox(root) && ok;
  return ok;
}

bool CreateKeys(const std::vector<std::string>& keys) {
  for (const std::string& key : keys) {
    std::string below;
    const SandboxRoot* root = SplitShortKey(key, &below);
    HKEY created = nullptr;
    if (root == nullptr || below.empty() ||
        RegCreateKeyExA(root->root, (std::string(root->base) + "\\" + below).c_str(), 0, nullptr, 0,
                        KEY_WRITE, nullptr, &created, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    RegCloseKey(created);
  }
  return true;
}

std::vector<std::string> RemainingKeys() {
  std::vector<std::string> keys;
  for (const SandboxRoot& root : kSandboxRoots) {
    HKEY sandbox = nullptr;
    if (RegOpenKeyExA(root.root, root.base, 0, KEY_READ, &sandbox) != ERROR_SUCCESS) continue;
    ListKeysBelow(sandbox, std::string(root.shortName) + "\\", &keys);
    RegCloseKey(sandbox);
  }
  std::sort(keys.begin(), keys.end());
  return keys;
}

std::string EntryFor(const std::string& key) {
  std::string below;
  const SandboxRoot* root = SplitShortKey(key, &below);
  if (root == nullptr) return key;
  return std::string(root->rootName) + "\\" + root->base + "\\" + below;
}

TracedEntry Traced(const std::string& key, long status) {
  const std::string entry = UpperCase(EntryFor(key));
  const std::string::size_type slash = entry.find('\\');
  return {entry.substr(0, slash), entry.substr(slash + 1), status};
}

std::vector<std::string> ExpectedTrace(const std::string& settingsPath,
                                       const std::vector<TracedEntry>& entries) {
  std::vector<std::string> writes = {"Skelvane - ini name is: ", settingsPath, "\n"};
  for (const TracedEntry& entry : entries) {
    char result[32];
    std::snprintf(result, sizeof(result), "retval = %lX\n",
                  static_cast<unsigned long>(entry.status));
    writes.insert(writes.end(), {entry.rootName, "\n", entry.subkey, "\n", result});
  }
  return writes;
}

::testing::AssertionResult SameWrites(const std::vector<std::string>& actual,
                                      const std::vector<std::string>& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  size_t first = 0;
  while (first < actual.size() && first < expected.size() && actual[first] == expected[first]) {
    ++first;
  }
  ::testing::AssertionResult failure = ::testing::AssertionFailure();
  failure << actual.size() << " writes, expected " << expected.size() << "; first difference at "
          << first << ": " << (first < actual.size() ? ShownWrite(actual[first]) : "(none)")
          << ", expected " << (first < expected.size() ? ShownWrite(expected[first]) : "(none)");
  constexpr size_t kShownWrites = 40;
  if (actual.size() <= kShownWrites && expected.size() <= kShownWrites) {
    failure << "\nwrites:\n" << ShownList(actual) << "expected:\n" << ShownList(expected);
  }
  return failure;
}

CapturedRun RunCommandLine(const std::string& program, const std::string& commandLine,
                           const std::string& workingDirectory) {
  return RunUnderDebugger(program, commandLine, workingDirectory, nullptr, kRunTimeoutMs);
}

CapturedRun RunProgram(const std::string& program, const std::string& tail,
                       const std::string& workingDirectory) {
  const std::string quoted = "\"" + program + "\"";
  return RunCommandLine(program, tail.empty() ? quoted : quoted + " " + tail, workingDirectory);
}

::testing::AssertionResult ExitedCleanly(const CapturedRun& run) {
  if (!run.started) return ::testing::AssertionFailure() << "not started: " << run.error;
  if (run.timedOut) return ::testing::AssertionFailure() << "ended after the deadline";
  if (run.exitCode != 0) {
    char code[16];
    std::snprintf(code, sizeof(code), "0x%08lX", static_cast<unsigned long>(run.exitCode));
    return ::testing::AssertionFailure() << "exit code " << code;
  }
  return ::testing::AssertionSuccess();
}

std::string ProgramCase::FillIn(const std::string& text) const {
  const std::pair<std::string, std::string> marks[] = {
      {"{dir}", caseDir_}, {"{prog}", program_}, {"{drive}", caseDir_.substr(0, 2)}};
  std::string expanded = text;
  for (const auto& [mark, value] : marks) expanded = Replaced(expanded, mark, value);
  return expanded;
}

void ProgramCase::RunSettingsCases(const std::vector<SettingsCase>& cases) const {
  for (const SettingsCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(ResetSandboxes());
    ASSERT_TRUE(CreateKeys(c.keys));
    ASSERT_TRUE(WriteBytes(Path("skelvane.ini"), c.settings));

    const CapturedRun run = Run("");

    EXPECT_TRUE(ExitedCleanly(run));
    EXPECT_TRUE(SameWrites(run.writes, c.traced ? ExpectedTrace(Path("skelvane.ini"), c.trace)
                                                : std::vector<std::string>{}));
    std::vector<std::string> remaining = c.remaining;
    std::sort(remaining.begin(), remaining.end());
    EXPECT_EQ(RemainingKeys(), remaining);
  }
}

void ProgramCase::SetUp() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  caseDir_ = TempDirectory() + "skelvane-e2e\\" + DirectoryNameFor(*test) + "\\";
  program_ = caseDir_ + "skelvane.exe";
  ASSERT_TRUE(RemoveTree(caseDir_)) << caseDir_;
  ASSERT_TRUE(MakeDirectories(caseDir_)) << caseDir_;
  ASSERT_TRUE(CopyFileA(BuiltProgramPath().c_str(), program_.c_str(), FALSE))
      << BuiltProgramPath() << " error " << GetLastError();
  ASSERT_TRUE(ResetSandboxes());
}

void ProgramCase::TearDown() {
  if (HasFailure()) return;
  EXPECT_TRUE(DeleteSandboxes());
  EXPECT_TRUE(RemoveTree(caseDir_)) << caseDir_;
}

}  // namespace e2e
