# The libraries' one-way dependencies, checked on the includes of every source file:
#   device -> data -> export -> session -> viewlogic -> display -> dialogs -> app
# The automation API (api) sits on session, beside viewlogic; the window and
# velarim-cli serve it.
# A folder may include its own headers and those of the folders below it. The
# simulated devices use the protocol definitions only; setup (the programs'
# options and port providers) sits on device and sim; nothing below dialogs
# includes a Qt Widgets header. The command-line tools sit on setup and view
# logic, without widgets; vl-screenshots (pictures of the window) sits on app.
#   cmake -DSOURCE_DIR=<checkout> -DWIDGETS_DIR=<QtWidgets include dir> -P CheckLayers.cmake
cmake_minimum_required(VERSION 3.25)

set(below_device "")
set(below_data device)
set(below_export data device)
set(below_session export data device)
set(below_viewlogic session export data device)
set(below_display viewlogic session export data device)
set(below_dialogs display viewlogic session export data device)
set(below_app dialogs display viewlogic api session export data device setup sim)
set(below_api session export data device)
set(below_setup device sim)
set(below_sim "")
set(below_velarim-cli setup viewlogic api session export data device sim)
set(below_velarim-sim setup sim device)
set(below_vl-screenshots app dialogs display viewlogic api session export data device setup sim)
set(below_xyzgen display viewlogic session export data device)
set(protocol_headers device/CommandWord.h device/CommandTable.h device/FixedLimits.h device/Clock.h)
set(widget_folders dialogs app vl-screenshots)
set(known device data export session api viewlogic display dialogs app setup sim)

file(GLOB widget_headers RELATIVE ${WIDGETS_DIR} ${WIDGETS_DIR}/*)

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/tools/*.h ${SOURCE_DIR}/tools/*.cpp)
set(faults "")
foreach(file ${files})
  string(REGEX MATCH "^(src|tools)/([^/]+)/" _ ${file})
  set(folder ${CMAKE_MATCH_2})
  if(NOT DEFINED below_${folder})
    continue()  # a folder the table does not know (checked nowhere)
  endif()
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" header "${line}")
    string(REGEX REPLACE "^QtWidgets/" "" bare "${header}")
    if((bare IN_LIST widget_headers OR header MATCHES "^QtWidgets") AND
       NOT folder IN_LIST widget_folders)
      list(APPEND faults "${file}: includes the widget header ${header}")
      continue()
    endif()
    if(NOT header MATCHES "^([a-z]+)/")
      continue()
    endif()
    set(to ${CMAKE_MATCH_1})
    if(NOT to IN_LIST known OR to STREQUAL folder)
      continue()
    endif()
    if(folder STREQUAL "sim" AND header IN_LIST protocol_headers)
      continue()
    endif()
    if(NOT to IN_LIST below_${folder})
      list(APPEND faults "${file}: ${folder} includes ${header} of ${to}")
    endif()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "includes against the layers:\n  ${text}")
endif()
list(LENGTH files count)
message(STATUS "layers kept by ${count} files")
