// Hostile settings file: any bytes as the file's text through
// RemoveListedKeys, checked against a plain model of the entry rules that
// reads the raw values through the double with room for any length.
//
// The registry is filled from the model's own entries (chosen by a hash of
// each subkey), so that removals succeed (0), find no key (2), meet a key
// with subkeys (5) or are refused with some other status.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "key_removal.h"
#include "platform_double.h"

namespace {

using fuzzcheck::Require;

const char kSettingsPath[] = "C:\\Setup\\skelvane.ini";
const size_t kLongestEntry = 131;

struct ModelEntry {
  HKEY root;  // null for an unknown root name
  std::string rootName;
  std::string subkey;
};

// Takes an upper-case root name; yields its root key, or null. The names are
// upper case already, so a case-blind match is a plain one.
HKEY ModelRoot(const std::string& name) {
  if (name == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
  if (name == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
  if (name == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
  if (name == "HKEY_USERS") return HKEY_USERS;
  return nullptr;
}

// Takes a key name and a buffer with room for any value of the file; yields
// the value as the program's text sees it (up to its first zero byte).
std::string ReadWholeValue(const std::string& key, std::vector<char>* room) {
  GetPrivateProfileStringA("skelvane", key.c_str(), "", room->data(),
                           static_cast<DWORD>(room->size()), kSettingsPath);
  return room->data();
}

// Takes the file's size; yields the entries the run acts on, in list order:
// del1, del2, ... up to the first that is empty, longer than 131 characters,
// without a backslash after its first H, or with an empty subkey.
std::vector<ModelEntry> ModelEntries(size_t fileSize) {
  std::vector<ModelEntry> entries;
  std::vector<char> room(fileSize + 2);
  for (int number = 1;; ++number) {
    const std::string raw = ReadWholeValue("del" + std::to_string(number), &room);
    if (raw.empty() || raw.size() > kLongestEntry) break;
    const std::string upper = fake::Upper(raw);
    const size_t h = upper.find('H');
    if (h == std::string::npos) break;
    const size_t slash = upper.find('\\', h);
    if (slash == std::string::npos) break;
    const std::string rootName = upper.substr(h, slash - h);
    const std::string subkey = upper.substr(slash + 1);
    if (subkey.empty()) break;
    entries.push_back({ModelRoot(rootName), rootName, subkey});
  }
  return entries;
}

// Takes a text; yields its FNV-1a hash, stable from run to run.
uint32_t Hash(const std::string& text) {
  uint32_t hash = 2166136261u;
  for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash;
}

// Puts the entries' keys in the registry by a hash of each: there, with a
// subkey, missing, or refused with a status of many hex digits (negative
// ones too), so every kind of result line is traced.
void FillRegistry(const std::vector<ModelEntry>& entries) {
  for (const ModelEntry& entry : entries) {
    if (entry.root == nullptr) continue;
    const uint32_t hash = Hash(entry.subkey);
    switch (hash % 4) {
      case 0:
        fake::AddKey(entry.root, entry.subkey);
        break;
      case 1:
        fake::AddKey(entry.root, entry.subkey + "\\CHILD");
        break;
      case 2:
        break;
      default:
        fake::SetRemovalStatus(entry.root, entry.subkey, static_cast<LONG>(hash));
        break;
    }
  }
}

// Takes a status code; yields the trace's result line for it.
std::string ResultLine(LONG status) {
  char line[32];
  std::snprintf(line, sizeof line, "retval = %X\n", static_cast<unsigned>(status));
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fake::Reset();
  fake::SetProfileFile(kSettingsPath, std::string(reinterpret_cast<const char*>(data), size));

  const std::vector<ModelEntry> entries = ModelEntries(size);
  const bool trace = GetPrivateProfileIntA("skelvane", "debug", 0, kSettingsPath) != 0;
  FillRegistry(entries);
  const int readsBefore = fake::ProfileReads();

  RemoveListedKeys(kSettingsPath);

  // The switch, every acted-on entry and the one that ends the list; no
  // entry after it.
  const int reads = fake::ProfileReads() - readsBefore;
  const int expectedReads = static_cast<int>(entries.size()) + 2;
  Require(reads == expectedReads, "profile reads", std::to_string(expectedReads),
          std::to_string(reads));

  // One removal per entry with a known root, in list order, of exactly the
  // key the entry names.
  const std::vector<fake::Removal>& removals = fake::Removals();
  std::vector<std::string> expectedWrites;
  if (trace) expectedWrites = {"Skelvane - ini name is: ", kSettingsPath, "\n"};
  size_t removal = 0;
  for (const ModelEntry& entry : entries) {
    LONG status = ERROR_INVALID_HANDLE;
    if (entry.root != nullptr) {
      Require(removal < removals.size(), "a removal for each known root", entry.subkey, "none");
      Require(removals[removal].root == entry.root, "removal root", entry.rootName);
      Require(removals[removal].subkey == entry.subkey, "removal subkey", entry.subkey,
              removals[removal].subkey);
      status = removals[removal].status;
      ++removal;
    }
    if (trace) {
      expectedWrites.insert(expectedWrites.end(),
                            {entry.rootName, "\n", entry.subkey, "\n", ResultLine(status)});
    }
  }
  Require(removal == removals.size(), "no other removal", std::to_string(removal),
          std::to_string(removals.size()));

  // 3 + 5 per acted-on entry with the switch on, nothing with it off.
  const std::vector<std::string>& writes = fake::DebugWrites();
  Require(writes.size() == expectedWrites.size(), "trace writes",
          std::to_string(expectedWrites.size()), std::to_string(writes.size()));
  for (size_t i = 0; i < writes.size(); ++i) {
    Require(writes[i] == expectedWrites[i], "trace write", expectedWrites[i], writes[i]);
  }
  return 0;
}
