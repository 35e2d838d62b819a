// The process entry point of the Windows program, in place of a C runtime's
// start-up: it derives the command tail by our own rules, runs WinMain and
// ends the process with its result. Windows builds only.
#include "settings_location.h"

// Uses nothing the loader passes and never returns, so the loader's calling
// convention does not matter. The tail goes on as found; WinMain only reads it.
extern "C" void SkelvaneStart() {
  LPSTR tail = const_cast<LPSTR>(FindCommandTail(GetCommandLineA()));
  ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(nullptr), nullptr, tail, SW_SHOWDEFAULT)));
}
