# The DLLs of the toolchain prefix that Windows programs and plugins need, as
# CMake's own dependency walk finds them (the PE imports, followed through
# every DLL found); Windows's own DLLs are not shipped.
#   cmake -DPREFIX=<toolchain prefix> -DOBJDUMP=<triple>-objdump
#         -DFILES="<a.exe>;<b.dll>;..." -DOUT=<list file> -P scripts/windows-runtime-dlls.cmake
# Writes the DLLs' paths to OUT, one a line.
foreach(v PREFIX OBJDUMP FILES OUT)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "windows-runtime-dlls: ${v} is not given")
  endif()
endforeach()
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${OBJDUMP}")
# CMake looks for a DLL by its name in lower case, as Windows's file names
# are; this file system is case-sensitive: a folder of lower-case links.
set(lower "${OUT}.search")
file(REMOVE_RECURSE "${lower}")
file(MAKE_DIRECTORY "${lower}")
file(GLOB dlls "${PREFIX}/bin/*.dll")
foreach(dll IN LISTS dlls)
  get_filename_component(name "${dll}" NAME)
  string(TOLOWER "${name}" name)
  file(CREATE_LINK "${dll}" "${lower}/${name}" SYMBOLIC)
endforeach()
set(executables)
set(modules)
foreach(f IN LISTS FILES)
  if(f MATCHES "\\.exe$")
    list(APPEND executables "${f}")
  else()
    list(APPEND modules "${f}")
  endif()
endforeach()
file(GET_RUNTIME_DEPENDENCIES
  EXECUTABLES ${executables}
  MODULES ${modules}
  RESOLVED_DEPENDENCIES_VAR found
  UNRESOLVED_DEPENDENCIES_VAR windows
  DIRECTORIES "${lower}"
  PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-")
set(list "")
foreach(dll IN LISTS found)
  file(REAL_PATH "${dll}" real)
  string(APPEND list "${real}\n")
endforeach()
file(WRITE "${OUT}" "${list}")
file(REMOVE_RECURSE "${lower}")
list(LENGTH found n)
string(REPLACE ";" " " windows "${windows}")
message(STATUS "windows-runtime-dlls: ${n} DLLs to ship; Windows's own: ${windows}")
