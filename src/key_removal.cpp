#include "key_removal.h"

const char kSettingsSection[] = "skelvane";

namespace {

struct RootName {
  LPCSTR name;
  HKEY root;
};

// Compared in this order; the first whole, case-blind match wins.
const RootName kRootNames[] = {
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_USERS", HKEY_USERS},
};

char g_entry[kEntryBufferSize];
char g_keyName[16];  // "del" and a signed 32-bit number

void TraceEntry(const KeyEntry& entry, LONG status) {
  OutputDebugStringA(entry.rootName);
  OutputDebugStringA("\n");
  OutputDebugStringA(entry.subkey);
  OutputDebugStringA("\n");
  // The entry buffer is free again once root name and subkey are written.
  wsprintfA(g_entry, "retval = %lX\n", status);
  OutputDebugStringA(g_entry);
}

}  // namespace

bool SplitKeyEntry(LPSTR entry, LPSTR* rootName, LPSTR* subkey) {
  LPSTR p = entry;
  while (*p != '\0' && *p != 'H') ++p;
  *rootName = p;
  while (*p != '\0' && *p != '\\') ++p;
  if (*p == '\0') return false;
  *p = '\0';
  *subkey = p + 1;
  return true;
}

HKEY LookUpRootKey(LPCSTR rootName) {
  for (const RootName& candidate : kRootNames) {
    if (lstrcmpiA(rootName, candidate.name) == 0) return candidate.root;
  }
  return nullptr;
}

EntryVerdict ReadKeyEntry(LPCSTR settingsPath, int number, KeyEntry* entry) {
  wsprintfA(g_keyName, "del%d", number);
  GetPrivateProfileStringA(kSettingsSection, g_keyName, "", g_entry, kEntryBufferSize,
                           settingsPath);
  const int length = lstrlenA(g_entry);
  if (length == 0) return kEntryMissing;
  // A longer entry was cut by the read and could name a different key.
  if (length > kLongestEntry) return kEntryTooLong;
  CharUpperA(g_entry);
  if (!SplitKeyEntry(g_entry, &entry->rootName, &entry->subkey)) return kEntryNoRootName;
  if (lstrlenA(entry->subkey) == 0) return kEntryEmptySubkey;
  entry->root = LookUpRootKey(entry->rootName);
  return entry->root != nullptr ? kEntryValid : kEntryUnknownRoot;
}

UINT ReadTraceSwitch(LPCSTR settingsPath) {
  return GetPrivateProfileIntA(kSettingsSection, "debug", 0, settingsPath);
}

void RemoveListedKeys(LPCSTR settingsPath) {
  const bool trace = ReadTraceSwitch(settingsPath) != 0;
  if (trace) {
    OutputDebugStringA("Skelvane - ini name is: ");
    OutputDebugStringA(settingsPath);
    OutputDebugStringA("\n");
  }
  for (int number = 1;; ++number) {
    KeyEntry entry;
    const EntryVerdict verdict = ReadKeyEntry(settingsPath, number, &entry);
    if (verdict != kEntryValid && verdict != kEntryUnknownRoot) return;
    // An unknown root removes nothing; it reports the status a removal
    // without a valid root would give.
    const LONG status =
        verdict == kEntryValid ? RegDeleteKeyA(entry.root, entry.subkey) : ERROR_INVALID_HANDLE;
    if (trace) TraceEntry(entry, status);
  }
}
