// The Windows names the program uses, declared for the Linux test build only.
// Written from the documented behaviour; the test double in tests/double
// implements them against in-memory state that each test controls.
#pragma once

#include <cstdint>

#define WINAPI

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned int UINT;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef char* LPSTR;
typedef const char* LPCSTR;

// Distinct opaque handle types, so an instance is never passed as a key.
struct HostInstance;
typedef HostInstance* HINSTANCE;
struct HostKey;
typedef HostKey* HKEY;

#define HKEY_CLASSES_ROOT ((HKEY)(std::uintptr_t)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(std::uintptr_t)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(std::uintptr_t)0x80000002u)
#define HKEY_USERS ((HKEY)(std::uintptr_t)0x80000003u)

// Status codes as LONG, the type the registry calls give them on Windows
// (a host long is wider).
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;

DWORD GetModuleFileNameA(HINSTANCE module, LPSTR fileName, DWORD size);
BOOL IsDBCSLeadByte(BYTE testChar);

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int defaultValue, LPCSTR fileName);
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR returned,
                               DWORD size, LPCSTR fileName);

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);

void OutputDebugStringA(LPCSTR text);

LPSTR CharUpperA(LPSTR text);
int lstrcmpiA(LPCSTR left, LPCSTR right);
int lstrlenA(LPCSTR text);
LPSTR lstrcpyA(LPSTR destination, LPCSTR source);
LPSTR lstrcatA(LPSTR destination, LPCSTR source);
int wsprintfA(LPSTR buffer, LPCSTR format, ...);
