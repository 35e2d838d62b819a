// The timing harness, run inside Wine so that the figures hold the Windows
// processes alone, without the Linux-side launcher. Started as
//   bench_timer ROUNDS KEYS "COMMAND" ["COMMAND" ...]
// it runs every COMMAND once untimed, then ROUNDS rounds that each time every
// COMMAND in turn, so that a change in the machine's load falls on all of them
// alike. Before every run it makes the keys K1 ... K<KEYS> below the
// benchmark's key, outside the timed part. A run is one process of COMMAND;
// a COMMAND starting with '*' is instead a format with %d for a key's number,
// run as one process per key. It first prints "frequency <counter ticks per
// second>", then for each timed run
// "run <command index> <microseconds> <keys left afterwards> <exit status>"
// (of the last process, for a run of one process per key).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bench_keys.h"
#include "platform.h"

namespace {

char g_command[1024];
HANDLE g_nul;

// Takes a count; replaces the benchmark's key by one holding K1 ... K<count>.
// Yields false when a key could not be made.
bool PrepareKeys(int count) {
  RegDeleteTreeA(HKEY_CURRENT_USER, kBenchKey);
  HKEY parent;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kBenchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool made = true;
  char name[16];
  for (int number = 1; number <= count && made; ++number) {
    snprintf(name, sizeof name, "K%d", number);
    HKEY key;
    made = RegCreateKeyExA(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
           ERROR_SUCCESS;
    if (made) RegCloseKey(key);
  }
  RegCloseKey(parent);
  return made;
}

// Yields how many subkeys the benchmark's key still holds; 0 when it is gone.
DWORD CountKeysLeft() {
  HKEY parent;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kBenchKey, 0, KEY_READ, &parent) != ERROR_SUCCESS) return 0;
  DWORD count = 0;
  RegQueryInfoKeyA(parent, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr, nullptr);
  RegCloseKey(parent);
  return count;
}

DWORD g_exitStatus;

// Takes a command line; runs it as a process with its standard handles on the
// null device, waits for its end and keeps its exit status. Yields false when
// it could not start.
bool RunProcess(LPSTR commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = g_nul;
  startup.hStdOutput = g_nul;
  startup.hStdError = g_nul;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &g_exitStatus);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// Takes a command and the number of keys; runs it as the harness's usage
// says. Yields false when a process could not start, or when a command to run
// per key has no "%d".
bool RunCommand(LPCSTR command, int keys) {
  if (*command != '*') {
    snprintf(g_command, sizeof g_command, "%s", command);
    return RunProcess(g_command);
  }
  // The key's number goes where "%d" stands; the command is never used as a format.
  const char* slot = strstr(command + 1, "%d");
  if (slot == nullptr) return false;
  const int headLength = static_cast<int>(slot - (command + 1));
  for (int number = 1; number <= keys; ++number) {
    snprintf(g_command, sizeof g_command, "%.*s%d%s", headLength, command + 1, number, slot + 2);
    if (!RunProcess(g_command)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || atoi(argv[1]) < 1 || atoi(argv[2]) < 0) {
    fprintf(stderr, "usage: bench_timer ROUNDS KEYS COMMAND...\n");
    return 2;
  }
  const int rounds = atoi(argv[1]);
  const int keys = atoi(argv[2]);
  char** commands = argv + 3;
  const int commandCount = argc - 3;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  g_nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      &inherit, OPEN_EXISTING, 0, nullptr);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  printf("frequency %lld\n", frequency.QuadPart);

  // The untimed first runs warm the file cache and the server; one process
  // is enough for that when a command runs once per key.
  for (int i = 0; i < commandCount; ++i) {
    if (!PrepareKeys(keys) || !RunCommand(commands[i], 1)) {
      fprintf(stderr, "bench_timer: could not prepare or start: %s\n", commands[i]);
      return 1;
    }
  }
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < commandCount; ++i) {
      if (!PrepareKeys(keys)) return 1;
      LARGE_INTEGER start, stop;
      QueryPerformanceCounter(&start);
      const bool ran = RunCommand(commands[i], keys);
      QueryPerformanceCounter(&stop);
      if (!ran) return 1;
      const long long micros = (stop.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
      printf("run %d %lld %lu %lu\n", i, micros, CountKeysLeft(), g_exitStatus);
      fflush(stdout);
    }
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, kBenchKey);
  return 0;
}
