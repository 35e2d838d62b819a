# The Windows program: GUI subsystem, our own process entry, no C or C++
# runtime, importing only KERNEL32, USER32 and ADVAPI32.
enable_language(RC)

target_compile_options(skelvane_core PRIVATE -fno-stack-protector -fno-stack-check)

add_executable(skelvane
  src/process_start.cpp
  src/freestanding.cpp
  res/skelvane.rc)
target_link_libraries(skelvane PRIVATE skelvane_core)
set_source_files_properties(src/freestanding.cpp PROPERTIES
  COMPILE_OPTIONS "-ffreestanding;-fno-tree-loop-distribute-patterns")
target_compile_options(skelvane PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions;-fno-rtti;-fno-asynchronous-unwind-tables;-fno-unwind-tables;-fno-stack-protector>)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(SKELVANE_ENTRY_SYMBOL _SkelvaneStart)
else()
  set(SKELVANE_ENTRY_SYMBOL SkelvaneStart)
endif()
# --gc-sections drops what the entry never reaches; -s strips symbols; the
# .rsrc and .reloc sections stay.
target_link_options(skelvane PRIVATE
  -nostdlib -nostartfiles
  -Wl,--entry,${SKELVANE_ENTRY_SYMBOL}
  -Wl,--subsystem,windows
  -Wl,--gc-sections
  -s)
target_link_libraries(skelvane PRIVATE kernel32 user32 advapi32)
