// skelvane-check: shows what skelvane.exe would do with the same command tail,
// entry by entry, without removing anything. It locates and reads the
// settings file with the program's own code, so the two cannot disagree.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "companion_tail.h"
#include "key_removal.h"
#include "settings_location.h"

namespace {

constexpr int kExitReady = 0;
constexpr int kExitProblems = 1;
constexpr int kExitUsage = 2;
constexpr size_t kSubkeysNamed = 3;

const char kUsage[] =
    "usage: skelvane-check [COMMAND TAIL]\n"
    "Shows what skelvane.exe beside this tool would do when started with the same\n"
    "command tail, taken as it is: which settings file it reads, each entry with\n"
    "its key as it stands now, and where the list ends. Removes nothing.\n"
    "Exit status: 0 when every entry is valid and its key will be removed,\n"
    "1 otherwise, 2 on a usage error.\n";

// A key that an earlier entry is expected to remove.
struct RemovedKey {
  HKEY root;
  std::string subkey;  // upper case, as the entry gives it
  int number;          // the entry that removes it
};

// What one valid entry meets in the registry now, and what removing it gives.
struct KeyForecast {
  std::string state;  // "exists, no subkeys", "does not exist", ...
  std::string outcome;
  bool removed;  // the program's removal is expected to succeed
};

// Takes a text; yields it in upper case by the ANSI rules the program uses.
std::string UpperCase(std::string text) {
  if (!text.empty()) CharUpperA(&text[0]);
  return text;
}

// Takes the keys earlier entries remove and one key; yields the number of the
// entry that removes it, or 0.
int RemovedBy(const std::vector<RemovedKey>& removed, HKEY root, const std::string& subkey) {
  for (const RemovedKey& key : removed) {
    if (key.root == root && key.subkey == subkey) return key.number;
  }
  return 0;
}

// Takes a status code; yields what the report says of a removal that gives it.
std::string RemovalFails(LONG status) {
  return "removal will fail with status " + std::to_string(status);
}

// Takes an open key; yields the names of its direct subkeys, upper case.
std::vector<std::string> SubkeyNames(HKEY key) {
  std::vector<std::string> names;
  DWORD count = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return names;
  }
  char name[256];  // a key name holds at most 255 characters
  for (DWORD index = 0; index < count; ++index) {
    DWORD length = sizeof(name);
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) ==
        ERROR_SUCCESS) {
      names.push_back(UpperCase(name));
    }
  }
  return names;
}

// Takes a valid entry's key and the keys earlier entries remove; yields what
// the removal will meet. Subkeys that earlier entries remove do not count.
KeyForecast ForecastRemoval(HKEY root, const std::string& subkey,
                            const std::vector<RemovedKey>& removed) {
  if (const int earlier = RemovedBy(removed, root, subkey)) {
    return {"already removed by del" + std::to_string(earlier), RemovalFails(ERROR_FILE_NOT_FOUND),
            false};
  }
  HKEY key = nullptr;
  const LONG opened = RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key);
  if (opened == ERROR_FILE_NOT_FOUND) {
    return {"does not exist", RemovalFails(ERROR_FILE_NOT_FOUND), false};
  }
  if (opened != ERROR_SUCCESS) {
    return {"cannot be examined (status " + std::to_string(opened) + ")", "removal may fail",
            false};
  }
  const std::vector<std::string> subkeys = SubkeyNames(key);
  RegCloseKey(key);
  std::vector<std::string> left;
  for (const std::string& name : subkeys) {
    if (!RemovedBy(removed, root, subkey + "\\" + name)) left.push_back(name);
  }

  if (!left.empty()) {
    std::string named;
    for (size_t i = 0; i < left.size() && i < kSubkeysNamed; ++i) {
      named += (i == 0 ? "" : ", ") + left[i];
    }
    if (left.size() > kSubkeysNamed) named += ", ...";
    return {"exists, has subkeys not removed before it (" + named + ")",
            RemovalFails(ERROR_ACCESS_DENIED) + "; list its subkeys before it", false};
  }
  const std::string state =
      !subkeys.empty() ? "exists, its subkeys removed before it" : "exists, no subkeys";
  // Opening for removal tells whether this account may remove it at all.
  const LONG deletable = RegOpenKeyExA(root, subkey.c_str(), 0, DELETE, &key);
  if (deletable == ERROR_SUCCESS) RegCloseKey(key);
  if (deletable == ERROR_ACCESS_DENIED) {
    return {state + ", no right to remove it", RemovalFails(ERROR_ACCESS_DENIED), false};
  }
  return {state, "will be removed", true};
}

// Takes the verdict that ended the list, its entry and number; yields the
// line that says why and, in *problem, whether the end is a fault.
std::string EndingLine(EntryVerdict verdict, const KeyEntry& entry, int number, bool* problem) {
  const std::string name = "del" + std::to_string(number);
  const char kAfter[] = ": the run ends here, entries after it are never read";
  *problem = true;
  switch (verdict) {
    case kEntryTooLong:
      return name + " too long (more than " + std::to_string(kLongestEntry) +
             " characters): not acted on" + kAfter;
    case kEntryNoRootName:
      if (*entry.rootName == '\0') return name + " malformed (no letter H)" + kAfter;
      return name + " malformed (no backslash after the first H: " + entry.rootName + ")" + kAfter;
    case kEntryEmptySubkey:
      return name + " malformed (empty subkey after " + entry.rootName + "\\)" + kAfter;
    default:
      *problem = false;
      return name + " missing: entries after it are never read";
  }
}

// Takes the settings path and the number of the entry that ended the list;
// yields the keys of the section that name an entry the run never reads, in
// file order: later numbers, and misspellings such as "del01" or "dell2".
std::vector<std::string> EntriesNeverRead(LPCSTR settingsPath, int endNumber) {
  std::vector<char> names(4096);
  for (;;) {
    const DWORD length = GetPrivateProfileStringA(kSettingsSection, nullptr, "", names.data(),
                                                  static_cast<DWORD>(names.size()), settingsPath);
    if (length + 2 < names.size()) break;
    names.resize(names.size() * 2);
  }
  std::vector<std::string> neverRead;
  for (const char* name = names.data(); *name != '\0'; name += lstrlenA(name) + 1) {
    if (_strnicmp(name, "del", 3) != 0) continue;
    bool read = false;
    for (int number = 1; number <= endNumber && !read; ++number) {
      read = lstrcmpiA(name, ("del" + std::to_string(number)).c_str()) == 0;
    }
    if (!read) neverRead.push_back(name);
  }
  return neverRead;
}

// Takes the settings path; yields the report line on what stands there, with a
// hint for the two usual slips: a quoted tail and a directory without its
// backslash.
std::string SettingsFileLine(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (std::string(path).find('"') != std::string::npos) {
      return "settings file: not found (the path holds a double quote: the command tail is taken "
             "as it is, so leave it unquoted)";
    }
    return "settings file: not found, so the program reads no entries";
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    return "settings file: a directory, not a file (a directory tail ends in a backslash)";
  }
  return "settings file: found";
}

// Yields this tool's own directory with its trailing backslash.
std::string ProgramDirectory() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "(unknown)";
  std::string directory(path, length);
  return directory.substr(0, directory.find_last_of('\\') + 1);
}

// Writes one line of the report.
void Print(const std::string& line) {
  std::printf("%s\n", line.c_str());
}

// The whole report on standard output; yields the exit status.
int Report(LPCSTR tail) {
  int problems = 0;
  Print("program directory: " + ProgramDirectory() +
        " (this tool's own: keep it beside skelvane.exe)");
  if (!LocateSettingsFile(GetModuleHandleA(nullptr), tail)) {
    Print("settings path: none (longer than " + std::to_string(kSettingsPathSize - 1) +
          " characters), so the program reads nothing");
    Print("result: 1 problem");
    return kExitProblems;
  }
  Print(std::string("settings path: ") + g_settingsPath);
  Print(SettingsFileLine(g_settingsPath));
  Print(sizeof(void*) == 4 ? "registry view: 32-bit" : "registry view: 64-bit");
  const int traceSwitch = static_cast<int>(ReadTraceSwitch(g_settingsPath));
  Print(std::string(traceSwitch != 0 ? "trace: on" : "trace: off") +
        " (debug=" + std::to_string(traceSwitch) + ")");

  std::vector<RemovedKey> removed;
  int number = 1;
  KeyEntry entry = {};
  EntryVerdict verdict;
  for (;; ++number) {
    verdict = ReadKeyEntry(g_settingsPath, number, &entry);
    if (verdict != kEntryValid && verdict != kEntryUnknownRoot) break;
    std::string line = "del" + std::to_string(number) + ": " + entry.rootName + "\\" + entry.subkey;
    if (verdict == kEntryUnknownRoot) {
      line += ": unknown root: skipped, nothing removed (traced as status " +
              std::to_string(ERROR_INVALID_HANDLE) + ")";
      ++problems;
    } else {
      const KeyForecast forecast = ForecastRemoval(entry.root, entry.subkey, removed);
      line += ": " + forecast.state + ": " + forecast.outcome;
      if (forecast.removed) {
        removed.push_back({entry.root, entry.subkey, number});
      } else {
        ++problems;
      }
    }
    Print(line);
  }
  bool endIsProblem = false;
  Print(EndingLine(verdict, entry, number, &endIsProblem));
  if (endIsProblem) ++problems;
  if (number == 1) {
    Print("empty list: nothing will be removed");
    ++problems;
  }
  const std::vector<std::string> neverRead = EntriesNeverRead(g_settingsPath, number);
  if (!neverRead.empty()) {
    std::string line = "never read:";
    for (const std::string& name : neverRead) line += " " + name;
    Print(line);
    ++problems;
  }
  if (problems == 0) {
    Print("result: ok");
    return kExitReady;
  }
  Print("result: " + std::to_string(problems) + (problems == 1 ? " problem" : " problems"));
  return kExitProblems;
}

}  // namespace

int main() {
  LPCSTR tail = FindCommandTail(GetCommandLineA());
  const std::string option = TakeOption(&tail);
  if (!option.empty()) {
    const bool help = IsHelpOption(option);
    if (!help) std::fprintf(stderr, "skelvane-check: unknown option %s\n", option.c_str());
    std::fputs(kUsage, help ? stdout : stderr);
    return kExitUsage;
  }
  const int status = Report(tail);
  std::fflush(stdout);
  return status;
}
