// The test double behind src/platform_host.h: each Windows name the program
// calls, implemented against in-memory state that the tests control through
// platform_double.h. It follows the documented Windows behaviour that the
// program relies on, nothing more.
#include "platform_double.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

namespace {

struct World {
  std::string modulePath = "C:\\Setup\\skelvane.exe";
  bool moduleFails = false;
  std::string leadBytes;
  std::map<std::string, std::string> profileFiles;
  int profileReads = 0;
  std::string lastProfilePath;
  std::map<HKEY, std::set<std::string>> registry;
  std::map<std::pair<HKEY, std::string>, LONG> forcedStatus;
  std::vector<fake::Removal> removals;
  std::vector<std::string> debugWrites;
};

World& world() {
  static World w;
  return w;
}

unsigned char UpperByte(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
    return c - 0x20;  // a-grave .. thorn, not the division sign
  switch (c) {
    case 0x9A:
      return 0x8A;  // s-caron
    case 0x9C:
      return 0x8C;  // oe
    case 0x9E:
      return 0x8E;  // z-caron
    case 0xFF:
      return 0x9F;  // y-diaeresis
    default:
      return c;
  }
}

bool IsKnownRoot(HKEY key) {
  return key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER ||
         key == HKEY_USERS;
}

std::string Trim(const std::string& text) {
  const char* blanks = " \t";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Finds a key's value in a profile file's text as the Windows profile reader
// does: sections and keys compared case-blind, the first one found wins,
// blanks around names and values dropped, one pair of matching quotes around
// a value dropped.
bool FindProfileValue(const std::string& text, const std::string& section, const std::string& key,
                      std::string* value) {
  bool inSection = false;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line[0] == '[') {
      const size_t close = line.find(']');
      const std::string name =
          Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      if (inSection) return false;
      inSection = fake::Upper(name) == fake::Upper(section);
      continue;
    }
    if (!inSection) continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (fake::Upper(Trim(line.substr(0, equals))) != fake::Upper(key)) continue;
    std::string found = Trim(line.substr(equals + 1));
    if (found.size() >= 2 && (found[0] == '"' || found[0] == '\'') && found.back() == found[0]) {
      found = found.substr(1, found.size() - 2);
    }
    *value = found;
    return true;
  }
  return false;
}

bool ReadProfileValue(LPCSTR section, LPCSTR key, LPCSTR fileName, std::string* value) {
  World& w = world();
  ++w.profileReads;
  w.lastProfilePath = fileName;
  const auto file = w.profileFiles.find(fileName);
  return file != w.profileFiles.end() && FindProfileValue(file->second, section, key, value);
}

}  // namespace

namespace fake {

void Reset() {
  world() = World();
}
void SetModulePath(const std::string& path) {
  world().modulePath = path;
  world().moduleFails = false;
}
void FailModulePath() {
  world().moduleFails = true;
}
void SetLeadBytes(const std::string& bytes) {
  world().leadBytes = bytes;
}
void SetProfileFile(const std::string& path, const std::string& text) {
  world().profileFiles[path] = text;
}
int ProfileReads() {
  return world().profileReads;
}
std::string LastProfilePath() {
  return world().lastProfilePath;
}

void AddKey(HKEY root, const std::string& path) {
  std::string upper = Upper(path);
  for (size_t slash = upper.find('\\'); slash != std::string::npos;
       slash = upper.find('\\', slash + 1)) {
    world().registry[root].insert(upper.substr(0, slash));
  }
  world().registry[root].insert(upper);
}

bool KeyExists(HKEY root, const std::string& path) {
  return world().registry[root].count(Upper(path)) != 0;
}

const std::vector<Removal>& Removals() {
  return world().removals;
}
void SetRemovalStatus(HKEY root, const std::string& path, LONG status) {
  world().forcedStatus[{root, Upper(path)}] = status;
}
const std::vector<std::string>& DebugWrites() {
  return world().debugWrites;
}

std::string Upper(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) c = static_cast<char>(UpperByte(static_cast<unsigned char>(c)));
  return upper;
}

}  // namespace fake

DWORD GetModuleFileNameA(HINSTANCE /*module*/, LPSTR fileName, DWORD size) {
  const World& w = world();
  if (w.moduleFails || size == 0) return 0;
  // Windows copies what fits, ends it with a zero and yields the buffer size when cut.
  const DWORD length = static_cast<DWORD>(w.modulePath.size());
  const DWORD copied = length < size ? length : size - 1;
  std::memcpy(fileName, w.modulePath.data(), copied);
  fileName[copied] = '\0';
  return length < size ? length : size;
}

BOOL IsDBCSLeadByte(BYTE testChar) {
  return world().leadBytes.find(static_cast<char>(testChar)) != std::string::npos;
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int defaultValue, LPCSTR fileName) {
  std::string value;
  if (!ReadProfileValue(section, key, fileName, &value) || value.empty()) {
    return static_cast<UINT>(defaultValue);
  }
  // Decimal unless a 0x, 0o or 0b prefix says otherwise, so "08" is eight;
  // the digits end at the first character that is none.
  const char* p = value.c_str();
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  unsigned base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) base = 16;
  if (p[0] == '0' && (p[1] == 'o' || p[1] == 'O')) base = 8;
  if (p[0] == '0' && (p[1] == 'b' || p[1] == 'B')) base = 2;
  if (base != 10) p += 2;
  UINT result = 0;
  for (;; ++p) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    const unsigned digit = c >= '0' && c <= '9'   ? c - '0'
                           : c >= 'a' && c <= 'z' ? c - 'a' + 10
                                                  : 99;
    if (digit >= base) break;
    result = result * base + digit;
  }
  return negative ? 0u - result : result;
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR returned,
                               DWORD size, LPCSTR fileName) {
  std::string value;
  if (!ReadProfileValue(section, key, fileName, &value)) value = defaultValue;
  if (size == 0) return 0;
  const DWORD copied = value.size() < size ? static_cast<DWORD>(value.size()) : size - 1;
  std::memcpy(returned, value.data(), copied);
  returned[copied] = '\0';
  return copied;
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  World& w = world();
  LONG status = ERROR_SUCCESS;
  const std::string path = fake::Upper(subKey);
  const auto forced = w.forcedStatus.find({key, path});
  if (!IsKnownRoot(key)) {
    status = ERROR_INVALID_HANDLE;
  } else if (forced != w.forcedStatus.end()) {
    status = forced->second;
  } else {
    std::set<std::string>& keys = w.registry[key];
    const auto found = keys.find(path);
    if (found == keys.end()) {
      status = ERROR_FILE_NOT_FOUND;
    } else {
      const auto child = keys.lower_bound(path + "\\");
      if (child != keys.end() && child->compare(0, path.size() + 1, path + "\\") == 0) {
        status = ERROR_ACCESS_DENIED;
      } else {
        keys.erase(found);
      }
    }
  }
  w.removals.push_back({key, subKey, status});
  return status;
}

void OutputDebugStringA(LPCSTR text) {
  world().debugWrites.push_back(text);
}

LPSTR CharUpperA(LPSTR text) {
  for (char* p = text; *p != '\0'; ++p) {
    *p = static_cast<char>(UpperByte(static_cast<unsigned char>(*p)));
  }
  return text;
}

int lstrcmpiA(LPCSTR left, LPCSTR right) {
  return fake::Upper(left).compare(fake::Upper(right));
}

int lstrlenA(LPCSTR text) {
  return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

LPSTR lstrcpyA(LPSTR destination, LPCSTR source) {
  return std::strcpy(destination, source);
}

LPSTR lstrcatA(LPSTR destination, LPCSTR source) {
  return std::strcat(destination, source);
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  // A Windows long is 32 bits, so "%lX" takes a LONG; host longs are wider, and
  // the host formatter would read past the argument. Drop the 'l' size.
  std::string hostFormat;
  bool inConversion = false;
  for (LPCSTR p = format; *p != '\0'; ++p) {
    if (inConversion && *p == 'l') continue;
    hostFormat += *p;
    if (*p == '%') {
      inConversion = !inConversion;  // "%%" closes itself
    } else if (inConversion && std::isalpha(static_cast<unsigned char>(*p))) {
      inConversion = false;
    }
  }
  // wsprintfA writes at most 1024 characters and the terminating zero.
  va_list args;
  va_start(args, format);
  const int written = std::vsnprintf(buffer, 1025, hostFormat.c_str(), args);
  va_end(args);
  return written;
}
