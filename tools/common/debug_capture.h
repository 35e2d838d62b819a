// Runs a Windows program under the debugging API and hands over each of its
// debug-output writes as it arrives. Shared by the trace companion and the
// end-to-end tests, so both see the program's trace the same way.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct CapturedRun {
  bool started = false;             // CreateProcess succeeded
  bool timedOut = false;            // the program was ended after the deadline
  DWORD exitCode = 0;               // from the exit-process event
  std::vector<std::string> writes;  // one element per OutputDebugStringA write
  std::string error;                // why it did not start, when it did not
};

using DebugWriteHandler = std::function<void(const std::string&)>;

// Takes the program file, its whole command line (program name included, as
// the program will see it from GetCommandLineA) and a working directory
// (empty: ours). Yields the run; calls onWrite for each write as it arrives
// when given. The program is ended after timeoutMs without a debug event.
CapturedRun RunUnderDebugger(const std::string& program, const std::string& commandLine,
                             const std::string& workingDirectory,
                             const DebugWriteHandler& onWrite = nullptr, DWORD timeoutMs = 60000);
