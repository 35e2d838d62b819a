// The run: the key list read from the settings file and the keys removed.
#pragma once

#include "platform.h"

// Room for the 131 characters an entry may hold, one more to tell a longer
// entry apart, and the terminating zero.
constexpr int kEntryBufferSize = 133;
constexpr int kLongestEntry = 131;

// What one "del%d" entry holds, in the order the run tests for it. Every
// verdict after kEntryUnknownRoot ends the list.
enum EntryVerdict {
  kEntryValid,        // a known root and a subkey: removed
  kEntryUnknownRoot,  // skipped, the run goes on
  kEntryMissing,      // absent or empty
  kEntryTooLong,      // longer than 131 characters: never cut to another key
  kEntryNoRootName,   // no H, or no backslash after the first H
  kEntryEmptySubkey,  // nothing after the backslash
};

// One entry as the run uses it; the texts point into the entry buffer.
struct KeyEntry {
  LPSTR rootName;
  LPSTR subkey;
  HKEY root;  // null for an unknown root name
};

// Takes an upper-cased entry; ends the root name in place at the first
// backslash after the first H. Yields false when there is no such backslash;
// *rootName then still points at the first H, or at the end when there is
// none. Does not look at the subkey.
bool SplitKeyEntry(LPSTR entry, LPSTR* rootName, LPSTR* subkey);

// Takes a root name; yields its predefined root key, or null when it is none
// of the four names compared whole and case-blind.
HKEY LookUpRootKey(LPCSTR rootName);

// Reads entry "del<number>" of the settings file into the shared entry buffer,
// upper-cases and splits it. Fills *entry whole for the first two verdicts;
// for kEntryNoRootName and kEntryEmptySubkey the root name as split is there
// too, and for kEntryEmptySubkey the (empty) subkey.
EntryVerdict ReadKeyEntry(LPCSTR settingsPath, int number, KeyEntry* entry);

// The settings file's one section.
extern const char kSettingsSection[];

// Takes the settings path; yields the trace switch, the value of "debug" in
// the settings section, 0 when absent. Nonzero turns the trace on.
UINT ReadTraceSwitch(LPCSTR settingsPath);

// Reads the trace switch and the entries of the settings file, removes each
// listed key in order and traces the run when asked. Reports nothing back.
void RemoveListedKeys(LPCSTR settingsPath);
