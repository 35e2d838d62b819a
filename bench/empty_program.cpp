// An empty program for the start-up floors: it starts at the program's entry
// name and exits 0 at once. Built importing KERNEL32 alone, with
// BENCH_IMPORT_ADVAPI32 importing ADVAPI32 too, and with BENCH_IMPORT_USER32 as
// well importing the same three DLLs as the program.
#include "platform.h"

// The linker keeps a DLL in the import table only when something refers to it;
// storing one address from each makes the loader map it, and nothing is called.
void* volatile g_keptImport;

// Takes nothing; ends the process with status 0.
extern "C" void SkelvaneStart() {
#ifdef BENCH_IMPORT_ADVAPI32
  g_keptImport = reinterpret_cast<void*>(&RegDeleteKeyA);
#endif
#ifdef BENCH_IMPORT_USER32
  g_keptImport = reinterpret_cast<void*>(&CharUpperA);
#endif
  ExitProcess(0);
}
