// A program with a static constructor, linked like the release program to
// show that such a link fails: with no runtime, nothing would run it.
#include <windows.h>

static DWORD StartTick() {
  return GetTickCount();
}

static DWORD g_startTick = StartTick();

extern "C" void SkelvaneStart() {
  ExitProcess(g_startTick != 0 ? 0 : 1);
}
