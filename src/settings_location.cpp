#include "settings_location.h"

char g_settingsPath[kSettingsPathSize];

namespace {

const char kDefaultName[] = "skelvane.ini";
const char kDefaultNameAfterDrive[] = "\\skelvane.ini";

bool IsBlankOrControl(char c) {
  const unsigned char code = static_cast<unsigned char>(c);
  return code >= 0x01 && code <= 0x20;
}

// Takes a zero-terminated text; yields true when a colon or backslash stands
// anywhere after its first character. The first character never counts.
bool HasPathSeparatorAfterFirst(LPCSTR text, int length) {
  for (int i = length - 1; i >= 1; --i) {
    if (text[i] == ':' || text[i] == '\\') return true;
  }
  return false;
}

// Takes the fetched module path in g_settingsPath; ends it right after its last
// backslash (the first character is never examined), or empties it.
void CutToModuleDirectory() {
  for (int i = lstrlenA(g_settingsPath) - 1; i >= 1; --i) {
    if (g_settingsPath[i] == '\\') {
      g_settingsPath[i + 1] = '\0';
      return;
    }
  }
  g_settingsPath[0] = '\0';
}

// Takes a head already in g_settingsPath and two texts to follow it; appends
// them when the whole still fits, else empties the path and yields false.
bool AppendToSettingsPath(LPCSTR first, LPCSTR second) {
  const int length = lstrlenA(g_settingsPath) + lstrlenA(first) + lstrlenA(second);
  if (length > kSettingsPathSize - 1) {
    g_settingsPath[0] = '\0';
    return false;
  }
  lstrcatA(g_settingsPath, first);
  lstrcatA(g_settingsPath, second);
  return true;
}

// Fetches the module directory into g_settingsPath; yields false, with an
// empty path, when the module path was not fetched whole.
bool FetchModuleDirectory(HINSTANCE instance) {
  const DWORD length = GetModuleFileNameA(instance, g_settingsPath, kSettingsPathSize);
  if (length == 0 || length >= static_cast<DWORD>(kSettingsPathSize)) {
    g_settingsPath[0] = '\0';
    return false;
  }
  g_settingsPath[length] = '\0';
  CutToModuleDirectory();
  return true;
}

}  // namespace

LPCSTR FindCommandTail(LPCSTR commandLine) {
  LPCSTR p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') {
      // A lead byte takes its trail byte along, so a trail byte never ends the name.
      if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') ++p;
      ++p;
    }
    if (*p == '"') ++p;
  } else {
    while (static_cast<unsigned char>(*p) > 0x20) ++p;
  }
  while (IsBlankOrControl(*p)) ++p;
  return p;
}

bool LocateSettingsFile(HINSTANCE instance, LPCSTR commandTail) {
  g_settingsPath[0] = '\0';
  const int tailLength = lstrlenA(commandTail);

  if (tailLength >= 2 && HasPathSeparatorAfterFirst(commandTail, tailLength)) {
    // The tail names a drive, a directory or the file itself: no module directory needed.
    const char last = commandTail[tailLength - 1];
    LPCSTR suffix = "";
    if (last == ':') suffix = kDefaultNameAfterDrive;
    if (last == '\\') suffix = kDefaultName;
    return AppendToSettingsPath(commandTail, suffix);
  }

  if (!FetchModuleDirectory(instance)) return false;
  return AppendToSettingsPath(tailLength == 0 ? kDefaultName : commandTail, "");
}
