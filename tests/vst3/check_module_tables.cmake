# Checks the VST3 module's export and import tables with objdump: the three names a host looks up, and
# only Windows' own DLLs imported (no compiler runtime to ship beside it).
#   cmake -DOBJDUMP=<objdump> -DMODULE=<module> -P check_module_tables.cmake
execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${MODULE}")
endif()

set(allowed kernel32.dll user32.dll gdi32.dll opengl32.dll gdiplus.dll ole32.dll comctl32.dll shell32.dll
  msvcrt.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
set(failures "")
foreach(line ${imports})
  string(REGEX REPLACE "DLL Name: " "" name "${line}")
  string(STRIP "${name}" name)
  string(TOLOWER "${name}" lower)
  list(FIND allowed "${lower}" found)
  if(found EQUAL -1)
    string(APPEND failures "imports ${name}, which is not a Windows system DLL\n")
  endif()
endforeach()

string(FIND "${dump}" "[Ordinal/Name Pointer] Table" start)
if(start EQUAL -1)
  string(APPEND failures "no export table found\n")
else()
  string(SUBSTRING "${dump}" ${start} -1 exports)
  # Undecorated: a 32-bit stdcall name would carry an @ suffix the host never asks for.
  foreach(name GetPluginFactory InitDll ExitDll)
    if(NOT exports MATCHES "\\] ${name}\n")
      string(APPEND failures "does not export ${name}\n")
    endif()
  endforeach()
endif()

if(failures)
  message(FATAL_ERROR "${MODULE}:\n${failures}")
endif()
message(STATUS "${MODULE}: exports and imports as expected")
