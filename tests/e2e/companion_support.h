// Pieces the cases of the companions and of the user guide share: the built
// files' paths, text replacement, and console programs run with their output
// collected.
#pragma once

#include <windows.h>

#include <string>

#include "e2e_support.h"

namespace e2e {

struct ConsoleRun {
  bool started = false;
  bool timedOut = false;
  DWORD exitCode = 0;
  std::string output;  // standard output and error as written, CRLF made LF
};

// Takes the program file, its whole command line (program name included) and
// a working directory (empty: ours). Yields the run; the program is ended
// after timeoutMs. Standard output and standard error go to one temporary
// file, read once the program has ended: a pipe could be held open by helper
// processes that inherit it. Started without a console, so none lingers.
inline ConsoleRun RunConsole(const std::string& program, const std::string& commandLine,
                             const std::string& workingDirectory, DWORD timeoutMs = 60000) {
  ConsoleRun run;
  char directory[MAX_PATH];
  char outputPath[MAX_PATH];
  if (GetTempPathA(MAX_PATH, directory) == 0 ||
      GetTempFileNameA(directory, "con", 0, outputPath) == 0) {
    return run;
  }
  SECURITY_ATTRIBUTES inherited = {sizeof(inherited), nullptr, TRUE};
  const HANDLE output = CreateFileA(outputPath, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  const HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherited, OPEN_EXISTING, 0, nullptr);
  if (output == INVALID_HANDLE_VALUE || input == INVALID_HANDLE_VALUE) {
    if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
    return run;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION process = {};
  std::string line = commandLine;  // CreateProcessA may write into it
  run.started =
      CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                     workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup,
                     &process) != 0;
  CloseHandle(input);
  if (run.started) {
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
      run.timedOut = true;
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, INFINITE);
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // The program wrote through a copy of our handle, so the shared file
    // position stands at the end: read from the start.
    SetFilePointer(output, 0, nullptr, FILE_BEGIN);
    std::string raw;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(output, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
      raw.append(buffer, read);
    }
    for (std::string::size_type i = 0; i < raw.size(); ++i) {
      if (raw[i] != '\r' || i + 1 == raw.size() || raw[i + 1] != '\n') run.output += raw[i];
    }
  }
  CloseHandle(output);
  return run;
}

}  // namespace e2e
