#include "debug_capture.h"

namespace {

// Reads one ANSI debug string out of the debuggee; the reported length
// counts the terminating zero, which is not kept.
std::string ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  std::string text(info.nDebugStringLength, '\0');
  SIZE_T read = 0;
  if (info.nDebugStringLength == 0 ||
      !ReadProcessMemory(process, info.lpDebugStringData, &text[0], text.size(), &read)) {
    return std::string();
  }
  text.resize(read);
  const std::string::size_type end = text.find('\0');
  if (end != std::string::npos) text.resize(end);
  return text;
}

// The initial breakpoint the loader raises for a debugger; a 32-bit program
// under a 64-bit debugger raises the emulation layer's own kind of it.
bool IsLoaderBreakpoint(DWORD code) {
  const DWORD kWx86Breakpoint = 0x4000001F;
  return code == EXCEPTION_BREAKPOINT || code == kWx86Breakpoint;
}

}  // namespace

CapturedRun RunUnderDebugger(const std::string& program, const std::string& commandLine,
                             const std::string& workingDirectory, const DebugWriteHandler& onWrite,
                             DWORD timeoutMs) {
  CapturedRun run;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::string line = commandLine;  // CreateProcessA may write into it
  if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                      nullptr, workingDirectory.empty() ? nullptr : workingDirectory.c_str(),
                      &startup, &process)) {
    run.error = "CreateProcess failed with error " + std::to_string(GetLastError());
    return run;
  }
  run.started = true;

  for (bool running = true; running;) {
    DEBUG_EVENT event = {};
    if (!WaitForDebugEvent(&event, timeoutMs)) {
      run.timedOut = true;
      TerminateProcess(process.hProcess, 1);
      timeoutMs = INFINITE;  // collect the exit event of the ended program
      continue;
    }
    DWORD continueStatus = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case OUTPUT_DEBUG_STRING_EVENT: {
        const std::string text = ReadDebugString(process.hProcess, event.u.DebugString);
        run.writes.push_back(text);
        if (onWrite) onWrite(text);
        break;
      }
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
        break;
      case EXCEPTION_DEBUG_EVENT:
        // The loader's first breakpoint is ours to swallow; any other exception
        // goes back to the program, so a crash ends it as it would undebugged.
        if (!IsLoaderBreakpoint(event.u.Exception.ExceptionRecord.ExceptionCode)) {
          continueStatus = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        run.exitCode = event.u.ExitProcess.dwExitCode;
        running = false;
        break;
      default:
        break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}
