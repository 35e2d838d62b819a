// The floor for a removal run: the platform calls the program makes for a list
// of N entries and nothing else, so that the program's time can be set against
// it. Started as "bench_platform_calls MODE N SETTINGS-PATH", where MODE is
//   a  the "debug" read, then per entry a profile read, a case change and a
//      removal, up to the read that finds the list's end, as the program does;
//   t  the same with the trace writes the program makes when "debug" is on.
// For the breakdown of the time per entry, one kind of call alone, in a loop
// whose length in performance-counter ticks becomes the exit status:
//   r  the profile reads of the list;
//   u  N case changes of one typical entry;
//   d  N removals of the keys K1 ... KN;
//   w  the trace writes of N entries.
// The key names and the subkey are found by plain code, not by platform calls.
#include "bench_keys.h"
#include "key_removal.h"
#include "settings_location.h"

namespace {

const char kSection[] = "skelvane";
const char kTypicalEntry[] = "hkey_current_user\\software\\skelvanebench\\k5000";
const char kTypicalRoot[] = "HKEY_CURRENT_USER";
const char kTypicalSubkey[] = "SOFTWARE\\SKELVANEBENCH\\K5000";

char g_entry[kEntryBufferSize];
char g_keyName[16];
char g_subkey[64];

// Takes a buffer with room for 11 more characters; writes a number of 0 or
// more in decimal and the terminating zero there.
void WriteDecimal(LPSTR at, int number) {
  char digits[12];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number != 0);
  while (count != 0) *at++ = digits[--count];
  *at = '\0';
}

// Takes a buffer and a prefix that fits in it with a number; fills the buffer
// with both.
void FormatNumberedName(LPSTR buffer, LPCSTR prefix, int number) {
  while (*prefix != '\0') *buffer++ = *prefix++;
  WriteDecimal(buffer, number);
}

// Takes an entry; yields what follows its first backslash, or an empty text.
// The benchmark's lists hold only well-formed keys of one root.
LPSTR SubkeyOf(LPSTR entry) {
  while (*entry != '\0' && *entry != '\\') ++entry;
  return *entry == '\\' ? entry + 1 : entry;
}

// Takes the settings path and an entry number; reads that entry into g_entry
// and yields false when it is empty, which ends the list.
bool ReadEntry(LPCSTR settingsPath, int number) {
  FormatNumberedName(g_keyName, "del", number);
  GetPrivateProfileStringA(kSection, g_keyName, "", g_entry, kEntryBufferSize, settingsPath);
  return g_entry[0] != '\0';
}

// Takes the settings path; the trace's header writes.
void TraceHeader(LPCSTR settingsPath) {
  OutputDebugStringA("Skelvane - ini name is: ");
  OutputDebugStringA(settingsPath);
  OutputDebugStringA("\n");
}

// Takes an entry's root name, subkey and removal status; the trace's five
// writes for it. The status line reuses the entry buffer, as the program does.
void TraceEntry(LPCSTR rootName, LPCSTR subkey, LONG status) {
  OutputDebugStringA(rootName);
  OutputDebugStringA("\n");
  OutputDebugStringA(subkey);
  OutputDebugStringA("\n");
  wsprintfA(g_entry, "retval = %lX\n", status);
  OutputDebugStringA(g_entry);
}

// Takes the settings path; runs the program's calls, with its trace writes
// when asked.
void RunList(LPCSTR settingsPath, bool trace) {
  GetPrivateProfileIntA(kSection, "debug", 0, settingsPath);
  if (trace) TraceHeader(settingsPath);
  for (int number = 1; ReadEntry(settingsPath, number); ++number) {
    CharUpperA(g_entry);
    LPSTR subkey = SubkeyOf(g_entry);
    // The root name ends at the first backslash, as the program cuts it.
    subkey[-1] = '\0';
    const LONG status = RegDeleteKeyA(HKEY_CURRENT_USER, subkey);
    if (trace) TraceEntry(g_entry, subkey, status);
  }
}

// Takes the settings path; the profile reads of a run and nothing more.
void ReadList(LPCSTR settingsPath) {
  GetPrivateProfileIntA(kSection, "debug", 0, settingsPath);
  for (int number = 1; ReadEntry(settingsPath, number); ++number) {
  }
}

// Takes a count; changes the case of one typical entry that many times. The
// work does not depend on the letters' case, so the text is not restored.
void ChangeCase(int count) {
  LPSTR to = g_entry;
  for (LPCSTR from = kTypicalEntry; *from != '\0'; ++from) *to++ = *from;
  *to = '\0';
  for (int i = 0; i < count; ++i) CharUpperA(g_entry);
}

// Takes a count; removes the keys K1 ... K<count> below the benchmark's key.
void RemoveKeys(int count) {
  for (int number = 1; number <= count; ++number) {
    FormatNumberedName(g_subkey, kBenchKeyPrefix, number);
    RegDeleteKeyA(HKEY_CURRENT_USER, g_subkey);
  }
}

// Takes the settings path and a count; the trace writes of that many entries
// of typical length, each reporting a removed key.
void WriteTrace(LPCSTR settingsPath, int count) {
  TraceHeader(settingsPath);
  for (int i = 0; i < count; ++i) TraceEntry(kTypicalRoot, kTypicalSubkey, ERROR_SUCCESS);
}

// Takes a text; yields the number its leading digits spell, and moves the text
// past them and the blanks that follow. Does not guard against overflow.
int TakeNumber(LPCSTR* text) {
  int number = 0;
  LPCSTR p = *text;
  for (; *p >= '0' && *p <= '9'; ++p) number = number * 10 + (*p - '0');
  while (*p == ' ') ++p;
  *text = p;
  return number;
}

// Takes the counter's reading at a loop's start; yields the ticks since, cut
// to 32 bits, which at the usual 10 MHz holds over seven minutes.
UINT TicksSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<UINT>(now.QuadPart - start.QuadPart);
}

}  // namespace

// Takes nothing; runs the calls the command tail asks for and exits, with
// status 0 or a timed loop's ticks.
extern "C" void SkelvaneStart() {
  LPCSTR tail = FindCommandTail(GetCommandLineA());
  const char mode = *tail;
  if (mode != '\0') ++tail;
  while (*tail == ' ') ++tail;
  const int count = TakeNumber(&tail);
  if (mode == 'a' || mode == 't') {
    RunList(tail, mode == 't');
    ExitProcess(0);
  }
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  switch (mode) {
    case 'r':
      ReadList(tail);
      break;
    case 'u':
      ChangeCase(count);
      break;
    case 'd':
      RemoveKeys(count);
      break;
    case 'w':
      WriteTrace(tail, count);
      break;
  }
  ExitProcess(TicksSince(start));
}
