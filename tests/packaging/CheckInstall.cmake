# cmake -DBUILD_DIR=... -DSTAGE=... -DEXPECT_SIM=ON|OFF -P CheckInstall.cmake
# Fails (FATAL_ERROR) on the first missing or wrong piece of the installed tree.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGE}
  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}): ${err}")
endif()

set(programs VL_Tool velarim-cli)
if(EXPECT_SIM)
  list(APPEND programs velarim-sim)
endif()
foreach(p IN LISTS programs)
  if(NOT EXISTS ${STAGE}/bin/${p} OR IS_DIRECTORY ${STAGE}/bin/${p})
    message(FATAL_ERROR "program missing: bin/${p}")
  endif()
endforeach()

# The window finds xyz.bmp in the package's data folder (nothing but programs in bin).
if(EXISTS ${STAGE}/bin/xyz.bmp)
  message(FATAL_ERROR "bin/xyz.bmp: data belongs in share/vl-tool, not beside the programs")
endif()
set(files
  share/vl-tool/xyz.bmp
  share/doc/vl-tool/copyright
  share/doc/vl-tool/changelog.gz
  share/applications/vl_tool.desktop
  share/mime/packages/vl_tool-mime.xml
  share/icons/hicolor/scalable/apps/vl_tool.svg
  share/icons/hicolor/scalable/mimetypes/application-x-vltd.svg
  lib/udev/rules.d/60-velarim.rules)
foreach(f IN LISTS files)
  if(NOT EXISTS ${STAGE}/${f})
    message(FATAL_ERROR "file missing: ${f}")
  endif()
endforeach()

# xyz.bmp is a real picture: a BMP header, not an empty or stray file.
file(READ ${STAGE}/share/vl-tool/xyz.bmp magic LIMIT 2 HEX)
file(SIZE ${STAGE}/share/vl-tool/xyz.bmp bmp_size)
if(NOT magic STREQUAL "424d" OR bmp_size LESS 1000)
  message(FATAL_ERROR "share/vl-tool/xyz.bmp is not a BMP picture (${bmp_size} bytes)")
endif()

# The udev rule: each identity on a tty, for the seat's user (uaccess) and for dialout.
file(STRINGS ${STAGE}/lib/udev/rules.d/60-velarim.rules rule_lines REGEX "^[^#]")
foreach(id 3d7e:0825 1a86:7523 3d7e:0b20)
  string(REPLACE ":" ";" parts ${id})
  list(GET parts 0 vid)
  list(GET parts 1 pid)
  set(found OFF)
  foreach(line IN LISTS rule_lines)
    if(line MATCHES "ATTRS\\{idVendor\\}==\"${vid}\", ATTRS\\{idProduct\\}==\"${pid}\"")
      if(NOT line MATCHES "TAG\\+=\"uaccess\"" OR NOT line MATCHES "GROUP=\"dialout\""
         OR NOT line MATCHES "MODE=\"0660\"")
        message(FATAL_ERROR "udev rule for ${id} lacks uaccess, MODE or GROUP: ${line}")
      endif()
      set(found ON)
    endif()
  endforeach()
  if(NOT found)
    message(FATAL_ERROR "udev rule does not name ${id}")
  endif()
endforeach()
file(STRINGS ${STAGE}/lib/udev/rules.d/60-velarim.rules tty_lines REGEX "SUBSYSTEM!=\"tty\"")
if(NOT tty_lines)
  message(FATAL_ERROR "udev rule is not limited to tty devices")
endif()

# The launcher starts the installed window and claims the document type the MIME file declares.
file(READ ${STAGE}/share/applications/vl_tool.desktop desktop)
file(READ ${STAGE}/share/mime/packages/vl_tool-mime.xml mime)
if(NOT desktop MATCHES "\nExec=VL_Tool( |\n)" OR NOT desktop MATCHES "\nIcon=vl_tool\n")
  message(FATAL_ERROR "desktop file does not start VL_Tool with the vl_tool icon")
endif()
if(NOT desktop MATCHES "MimeType=application/x-vltd;" OR NOT mime MATCHES "type=\"application/x-vltd\""
   OR NOT mime MATCHES "pattern=\"\\*\\.vltd\"")
  message(FATAL_ERROR "desktop file and MIME type disagree on application/x-vltd / *.vltd")
endif()

# The installed command-line program runs on its own (no build-tree paths needed).
execute_process(COMMAND ${STAGE}/bin/velarim-cli list --simulate vis --settle-ms 0
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 20)
if(NOT rc EQUAL 0 OR out STREQUAL "")
  message(FATAL_ERROR "installed velarim-cli list failed (${rc}): ${out}${err}")
endif()

# The package settings the .deb is made with.
file(READ ${BUILD_DIR}/CPackConfig.cmake cpack)
foreach(setting
    "CPACK_PACKAGE_NAME \"vl-tool\""
    "CPACK_PACKAGING_INSTALL_PREFIX \"/usr\""
    "CPACK_DEBIAN_PACKAGE_SECTION \"science\""
    "CPACK_DEBIAN_PACKAGE_SHLIBDEPS \"ON\"")
  string(FIND "${cpack}" "set(${setting})" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "CPackConfig.cmake lacks ${setting}")
  endif()
endforeach()
if(NOT cpack MATCHES "CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA \"[^\"]*postinst;[^\"]*postrm\"")
  message(FATAL_ERROR "postinst/postrm are not part of the package")
endif()
file(REMOVE_RECURSE ${STAGE})
