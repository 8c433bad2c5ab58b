# Checks the installed layout; see CMakeLists.txt beside this file.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${STAGE}")

function(staged out path)
  if(IS_ABSOLUTE "${path}")
    set(${out} "${STAGE}${path}" PARENT_SCOPE)
  else()
    set(${out} "${STAGE}${PREFIX}/${path}" PARENT_SCOPE)
  endif()
endfunction()

function(require path)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endfunction()

function(require_line file line)
  file(STRINGS "${file}" lines)
  if(NOT "${line}" IN_LIST lines)
    message(FATAL_ERROR "${file} has no line \"${line}\"")
  endif()
endfunction()

execute_process(COMMAND ${CMAKE_COMMAND} -E env "DESTDIR=${STAGE}" ${CMAKE_COMMAND} --install "${BUILD_DIR}"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(rc)
  message(FATAL_ERROR "cmake --install failed (${rc}): ${err}")
endif()

staged(bin "${BINDIR}")
staged(tools "${TOOLSDIR}")
staged(data "${DATADIR}")
staged(autostart "${AUTOSTART}")
foreach(program datacenter1 datacenter2 datacenter-setup)
  require("${bin}/${program}")
endforeach()
foreach(tool KOVA_BackUp.exe KOVA_GeneraXML.exe KOVA_EnviaXML.exe)
  require("${tools}/${tool}")
endforeach()

# The menu and autostart entries start datacenter2 and show its icon.
foreach(entry "${data}/applications/kova-datacenter2.desktop" "${autostart}/kova-datacenter2.desktop")
  require("${entry}")
  file(STRINGS "${entry}" first LIMIT_COUNT 1)
  if(NOT first STREQUAL "[Desktop Entry]")
    message(FATAL_ERROR "${entry} does not start with [Desktop Entry]")
  endif()
  require_line("${entry}" "Type=Application")
  require_line("${entry}" "Exec=datacenter2")
  require_line("${entry}" "Icon=kova-datacenter")
endforeach()
require("${data}/icons/hicolor/64x64/apps/kova-datacenter.png")

# The installed datacenter-setup finds the installed tools without --tools.
set(root "${STAGE}/root")
execute_process(COMMAND "${bin}/datacenter-setup" --root "${root}" --demo
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc)
  message(FATAL_ERROR "datacenter-setup failed (${rc}): ${out}${err}")
endif()
foreach(tool KOVA_BackUp.exe KOVA_GeneraXML.exe KOVA_EnviaXML.exe)
  require("${root}/KOVA_VazivoZeRurov_2/${tool}")
endforeach()

# And the generate tool works there, started in the outbox.
set(outbox "${root}/KOVA_VazivoZeRurov_2/Bandeja_De_Salida")
execute_process(COMMAND "${root}/KOVA_VazivoZeRurov_2/KOVA_GeneraXML.exe" WORKING_DIRECTORY "${outbox}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc OR NOT out MATCHES "3 archivo\\(s\\) generado\\(s\\)")
  message(FATAL_ERROR "the installed generate tool failed (${rc}): ${out}${err}")
endif()
file(REMOVE_RECURSE "${STAGE}")
