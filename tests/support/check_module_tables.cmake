# SPDX-License-Identifier: GPL-3.0-or-later
# Checks a plug-in DLL's export and import tables with objdump: the names a host looks up, exported
# undecorated (a 32-bit stdcall name would carry an @ suffix the host never asks for), and only Windows'
# own DLLs imported (no compiler runtime to ship beside it).
#   cmake -DOBJDUMP=<objdump> -DMODULE=<dll> -DEXPORTS=<name,name,...> -P check_module_tables.cmake
if(NOT EXPORTS)
  message(FATAL_ERROR "EXPORTS is not set")
endif()
string(REPLACE "," ";" expected_exports "${EXPORTS}")
execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${MODULE}")
endif()

# Imports: Windows' own DLLs only. The C runtime msvcrt.dll ships with every Windows.
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
list(LENGTH imports count)
if(count EQUAL 0)
  string(APPEND failures "no import table found\n")
endif()

# Exports: every name asked for.
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" start)
if(start EQUAL -1)
  string(APPEND failures "no export table found\n")
else()
  string(SUBSTRING "${dump}" ${start} -1 exports)
  foreach(name ${expected_exports})
    if(NOT exports MATCHES "\\] ${name}\n")
      string(APPEND failures "does not export ${name}\n")
    endif()
  endforeach()
endif()

if(failures)
  message(FATAL_ERROR "${MODULE}:\n${failures}")
endif()
message(STATUS "${MODULE}: exports and imports as expected (${count} system DLLs imported)")
