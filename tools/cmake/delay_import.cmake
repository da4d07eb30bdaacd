# Delay-import libraries for the Windows targets. mingw's linker has no
# /DELAYLOAD, but dlltool makes an import library whose functions load their
# DLL on first call, through the C runtime's __delayLoadHelper2 and its notify
# hook (src/app/delay_load_hook.cpp), instead of when the program starts.
# Each library is made at configure time from mingw's ordinary import library
# of the same DLL: every function it names, with the same decorated symbols.

find_program(KALTO_DLLTOOL NAMES ${KALTO_TRIPLE}-dlltool REQUIRED)
find_program(KALTO_NM NAMES ${KALTO_TRIPLE}-nm REQUIRED)

# Sets `out_var` to the delay-import library of `dll` (a name such as "version").
function(kalto_delay_import_library out_var dll)
  set(library ${CMAKE_BINARY_DIR}/delay-import/lib${dll}_delay.a)
  set(${out_var} ${library} PARENT_SCOPE)
  find_library(KALTO_IMPORT_LIB_${dll} NAMES lib${dll}.a REQUIRED NO_CACHE)
  if(EXISTS ${library} AND NOT ${KALTO_IMPORT_LIB_${dll}} IS_NEWER_THAN ${library})
    return()
  endif()
  execute_process(COMMAND ${KALTO_NM} -g --defined-only ${KALTO_IMPORT_LIB_${dll}}
                  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  # Each function has a thunk and an "__imp_" pointer; 32-bit symbols carry a
  # leading underscore and their stdcall "@n", which dlltool's --kill-at
  # leaves out of the imported name.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(prefix "__imp__")
    set(machine i386)
    set(kill_at --kill-at)
  else()
    set(prefix "__imp_")
    set(machine i386:x86-64)
    set(kill_at)
  endif()
  string(REGEX MATCHALL " I ${prefix}[^\n]+" entries "${symbols}")
  list(TRANSFORM entries REPLACE " I ${prefix}" "")
  # Interface identifiers are data, which a 64-bit import library may list
  # as imports too (oleacc's); libuuid gives them.
  list(FILTER entries EXCLUDE REGEX "^_?(IID|CLSID|LIBID|DIID|GUID)_")
  list(JOIN entries "\n" exports)
  set(def ${CMAKE_BINARY_DIR}/delay-import/${dll}.def)
  file(WRITE ${def} "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
  execute_process(COMMAND ${KALTO_DLLTOOL} -m ${machine} ${kill_at} --input-def ${def} --dllname ${dll}.dll
                          --output-delaylib ${library}
                  COMMAND_ERROR_IS_FATAL ANY)
endfunction()
