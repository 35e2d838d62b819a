// Control side of the test double: what each test sets up and reads back.
// The Windows names themselves are declared by src/platform_host.h and
// implemented in platform_double.cpp.
#pragma once

#include <string>
#include <vector>

#include "platform.h"

namespace fake {

struct Removal {
  HKEY root;
  std::string subkey;
  LONG status;
};

// Back to an empty world: no files, no keys, no writes, a short module path,
// no lead bytes.
void Reset();

// The module path GetModuleFileNameA reports, copied and cut as Windows does:
// at most size - 1 characters, the result being size when cut.
void SetModulePath(const std::string& path);
// GetModuleFileNameA fails outright (yields 0).
void FailModulePath();

// The byte values IsDBCSLeadByte reports as lead bytes.
void SetLeadBytes(const std::string& bytes);

// A profile file at the given path, with the given text; profile reads of any
// other path find nothing.
void SetProfileFile(const std::string& path, const std::string& text);
// How many times GetPrivateProfileStringA / GetPrivateProfileIntA were called,
// and the path the last one was given.
int ProfileReads();
std::string LastProfilePath();

// The in-memory registry. Keys are kept case-blind; adding a key adds its
// parents.
void AddKey(HKEY root, const std::string& path);
bool KeyExists(HKEY root, const std::string& path);
const std::vector<Removal>& Removals();
// Removing this key yields the given status and leaves the registry as it is,
// as when Windows refuses a removal for a reason of its own.
void SetRemovalStatus(HKEY root, const std::string& path, LONG status);

// Every OutputDebugStringA write, one element a write.
const std::vector<std::string>& DebugWrites();

// The code page 1252 upper case of a text, as CharUpperA gives it.
std::string Upper(const std::string& text);

}  // namespace fake
