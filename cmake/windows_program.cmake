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

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(SKELVANE_ENTRY_SYMBOL _SkelvaneStart)
else()
  set(SKELVANE_ENTRY_SYMBOL SkelvaneStart)
endif()
# The runtime-free setup, also given to the benchmark's helper programs, which
# start at an entry of the same name. --gc-sections drops what the entry never
# reaches; -s strips symbols; the .rsrc and .reloc sections stay.
function(skelvane_runtime_free target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions;-fno-rtti;-fno-asynchronous-unwind-tables;-fno-unwind-tables;-fno-stack-protector>)
  target_link_options(${target} PRIVATE
    -nostdlib -nostartfiles
    -Wl,--entry,${SKELVANE_ENTRY_SYMBOL}
    -Wl,--subsystem,windows
    -Wl,--gc-sections
    -s)
endfunction()
skelvane_runtime_free(skelvane)
# Our own section layout for GNU ld: four sections, each protected as tightly
# as its contents allow, and a link that fails on constructors or TLS.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(SKELVANE_LINKER_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/windows_program.ld)
  target_link_options(skelvane PRIVATE -Wl,-T,${SKELVANE_LINKER_SCRIPT})
  set_property(TARGET skelvane APPEND PROPERTY LINK_DEPENDS ${SKELVANE_LINKER_SCRIPT})
endif()
target_link_libraries(skelvane PRIVATE kernel32 user32 advapi32)
