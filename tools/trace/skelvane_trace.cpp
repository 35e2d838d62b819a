// skelvane-trace: runs a program under the debugger and prints its debug
// output as it arrives, then its exit status: the program's trace without a
// separate debug viewer. It captures with the same code as the end-to-end
// tests.
#include <windows.h>

#include <cstdio>
#include <string>

#include "companion_tail.h"
#include "debug_capture.h"
#include "settings_location.h"
#include "shown_write.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitTimedOut = 3;
constexpr DWORD kQuietLimitMs = 60000;

const char kUsage[] =
    "usage: skelvane-trace [--pieces] PROGRAM [COMMAND TAIL]\n"
    "Runs PROGRAM with the command tail as given and prints each of its debug-output\n"
    "writes as it arrives, then its exit status.\n"
    "  --pieces  one write per line, in double quotes, with C escapes\n"
    "Exit status: the program's own; 2 when it could not be started (or on a usage\n"
    "error), 3 when it was ended after 60 s without a debug event.\n";

// Takes what was wrong with the command line (or nothing); says it and the
// usage on standard error and yields the usage exit status.
int UsageError(const std::string& message) {
  if (!message.empty()) std::fprintf(stderr, "skelvane-trace: %s\n", message.c_str());
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

// Takes why the program could not be started; says it on standard error and
// yields the exit status for a program not run.
int StartError(const std::string& message) {
  std::fprintf(stderr, "skelvane-trace: %s\n", message.c_str());
  return kExitUsage;
}

// Takes the program as named; yields its full path, searched like a command
// (with ".exe" added when it has no extension), or empty when it is not found.
std::string FindProgram(const std::string& name) {
  char path[MAX_PATH];
  const DWORD length = SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, path, nullptr);
  return length != 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

// A debugger follows only programs of its own width here: a 32-bit program
// needs the 32-bit build of this tool, a 64-bit one the 64-bit build.
bool SameWidthAsUs(const std::string& program) {
  DWORD type = 0;
  if (!GetBinaryTypeA(program.c_str(), &type)) return false;
  return type == (sizeof(void*) == 8 ? SCS_64BIT_BINARY : SCS_32BIT_BINARY);
}

}  // namespace

int main() {
  LPCSTR tail = FindCommandTail(GetCommandLineA());
  bool pieces = false;
  for (std::string option = TakeOption(&tail); !option.empty(); option = TakeOption(&tail)) {
    if (IsHelpOption(option)) {
      std::fputs(kUsage, stdout);
      return kExitUsage;
    }
    if (option != "--pieces") return UsageError("unknown option " + option);
    pieces = true;
  }
  // The program is named the way a command line names it; what follows is its
  // command tail, passed on untouched.
  LPCSTR programTail = FindCommandTail(tail);
  std::string name(tail, programTail);
  while (!name.empty() && static_cast<unsigned char>(name.back()) <= 0x20) name.pop_back();
  if (name.size() >= 2 && name.front() == '"') name = name.substr(1, name.find('"', 1) - 1);
  if (name.empty()) return UsageError("no program given");

  const std::string program = FindProgram(name);
  if (program.empty()) return StartError("cannot find " + name);
  if (!SameWidthAsUs(program)) {
    return StartError(program + " is not a " + (sizeof(void*) == 8 ? "64" : "32") +
                      "-bit Windows program; trace it with the " +
                      (sizeof(void*) == 8 ? "32" : "64") + "-bit skelvane-trace.exe");
  }

  std::string commandLine = "\"" + program + "\"";
  if (*programTail != '\0') commandLine += std::string(" ") + programTail;
  bool lineOpen = false;  // the joined text so far does not end a line
  const CapturedRun run = RunUnderDebugger(
      program, commandLine, "",
      [&](const std::string& text) {
        if (pieces) {
          std::printf("%s\n", ShownWrite(text).c_str());
        } else if (!text.empty()) {
          std::fwrite(text.data(), 1, text.size(), stdout);
          lineOpen = text.back() != '\n';
        }
        std::fflush(stdout);
      },
      kQuietLimitMs);
  if (!run.started) return StartError("cannot start " + program + ": " + run.error);
  if (lineOpen) std::printf("\n");
  const size_t writes = run.writes.size();
  const std::string counted =
      std::to_string(writes) + (writes == 1 ? " debug write" : " debug writes");
  if (run.timedOut) {
    std::printf("ended after %lu s without a debug event (%s)\n", kQuietLimitMs / 1000,
                counted.c_str());
    return kExitTimedOut;
  }
  if (run.exitCode > 0xFFFF) {
    std::printf("exit status: %lu (0x%08lX, %s)\n", run.exitCode, run.exitCode, counted.c_str());
  } else {
    std::printf("exit status: %lu (%s)\n", run.exitCode, counted.c_str());
  }
  return static_cast<int>(run.exitCode);
}
