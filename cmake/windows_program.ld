/* Section layout of the runtime-free Windows program, for both the i686 and
   the x86_64 linker. Every section costs the file a header entry and a block
   padded to 512 bytes, so the program has four, each with the tightest page
   protection its contents allow:
     .text   code, constant data and the import tables: read and execute.
             The loader makes the import address table writable only while
             it binds the imports, as it does for any read-only IAT.
     .bss    the process-wide buffers: read and write, no room in the file.
     .rsrc   the version record and the icons.
     .reloc  base relocations, so the image can still be moved (ASLR).
   .data and the x86_64 unwind sections appear only if the code ever needs
   them. Constructor lists, TLS and runtime relocations stay out: with no
   runtime nothing would run them, so the link fails instead of dropping
   them. */

SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text __image_base__ + (__section_alignment__ < 0x1000 ? . : __section_alignment__) :
  {
    *(.text)
    *(SORT(.text$*))
    *(.text.*)
    . = ALIGN(8);
    *(.rdata)
    *(SORT(.rdata$*))
    . = ALIGN(8);
    /* The import directory, its five-word terminator, the lookup tables, the
       import address table and the names, in the order the loader expects.
       With no .idata section to find them by, the linker takes the import
       and IAT directory entries from these four symbols, as image-relative
       addresses. */
    ".idata$2" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$2))
    KEEP (SORT(*)(.idata$3))
    LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);
    . = ALIGN(8);
    ".idata$4" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$4))
    ".idata$5" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$5))
    ".idata$6" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$6))
    KEEP (SORT(*)(.idata$7))
  }
  .data BLOCK(__section_alignment__) :
  {
    *(.data)
    *(SORT(.data$*))
  }
  .bss BLOCK(__section_alignment__) :
  {
    *(.bss)
    *(SORT(.bss$*))
    *(COMMON)
  }
  /* x86_64 unwind data, when the compiler emits it. */
  .pdata BLOCK(__section_alignment__) : { KEEP (*(.pdata*)) }
  .xdata BLOCK(__section_alignment__) : { KEEP (*(.xdata*)) }
  .rsrc BLOCK(__section_alignment__) : SUBALIGN(4)
  {
    KEEP (*(.rsrc))
    KEEP (*(.rsrc$*))
  }
  .reloc BLOCK(__section_alignment__) :
  {
    *(.reloc)
  }

  /* Collected only to be refused below. */
  .unrun BLOCK(__section_alignment__) :
  {
    __unrun_start = .;
    KEEP (*(.ctors)) KEEP (*(.ctors.*)) KEEP (*(.ctor))
    KEEP (*(.dtors)) KEEP (*(.dtors.*)) KEEP (*(.dtor))
    KEEP (*(.init)) KEEP (*(.fini))
    KEEP (*(.CRT$*))
    KEEP (*(.tls)) KEEP (*(.tls$*))
    KEEP (*(.rdata_runtime_pseudo_reloc))
    KEEP (*(.eh_frame*)) KEEP (*(.gcc_except_table))
    __unrun_end = .;
  }
  ASSERT (__unrun_end == __unrun_start,
          "constructors, TLS, runtime relocations or unwind tables found: no runtime runs them")

  /DISCARD/ :
  {
    *(.drectve)
    *(.note.GNU-stack)
    *(.gnu.lto_*)
    *(.debug$S) *(.debug$T) *(.debug$F)
  }
}
