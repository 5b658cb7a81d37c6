# Installs the build in BUILD_DIR under a temporary DESTDIR with the prefix /usr and checks the
# layout a desktop needs; then runs the installed program from another folder on the installed
# demo. Run by CTest as `install_tree`.
if(NOT BUILD_DIR)
  message(FATAL_ERROR "usage: cmake -DBUILD_DIR=<build folder> -P check-install-tree.cmake")
endif()
set(dest "${BUILD_DIR}/install-tree-test")
file(REMOVE_RECURSE "${dest}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "DESTDIR=${dest}" ${CMAKE_COMMAND} --install "${BUILD_DIR}"
          --prefix /usr
  RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}): ${errors}")
endif()

set(root "${dest}/usr")
foreach(file
    bin/quillwork
    share/applications/quillwork.desktop
    share/icons/hicolor/scalable/apps/quillwork.svg
    share/mime/packages/quillwork.xml
    share/quillwork/demo/autorun.txt
    share/quillwork/demo/qwk.cfg
    share/doc/quillwork/README.md)
  if(NOT EXISTS "${root}/${file}")
    message(FATAL_ERROR "not installed: /usr/${file}")
  endif()
endforeach()
if(NOT IS_DIRECTORY "${root}/share/quillwork/demo/cg")
  message(FATAL_ERROR "the demo's pictures were not installed")
endif()

# The desktop entry starts the program by name with the opened file, shows the installed icon,
# and opens the type the MIME file defines.
file(READ "${root}/share/applications/quillwork.desktop" desktop)
file(READ "${root}/share/mime/packages/quillwork.xml" mime)
foreach(line "Exec=quillwork %f" "Icon=quillwork" "Type=Application"
    "MimeType=application/x-quillwork-scenario;")
  string(FIND "${desktop}" "\n${line}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks the line ${line}")
  endif()
endforeach()
string(FIND "${mime}" "type=\"application/x-quillwork-scenario\"" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the MIME file does not define application/x-quillwork-scenario")
endif()

# The installed program needs nothing from the build tree: run it from an unrelated folder.
set(work "${dest}/elsewhere")
file(MAKE_DIRECTORY "${work}")
execute_process(COMMAND "${root}/bin/quillwork" --help WORKING_DIRECTORY "${work}"
  RESULT_VARIABLE result OUTPUT_VARIABLE usage)
if(NOT result EQUAL 0 OR NOT usage MATCHES "quillwork lint DIR")
  message(FATAL_ERROR "the installed program does not answer --help (${result})")
endif()
execute_process(
  COMMAND "${root}/bin/quillwork" run --headless --time-limit-ms 2000 --report report.json
          "${root}/share/quillwork/demo"
  WORKING_DIRECTORY "${work}" RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT EXISTS "${work}/report.json")
  message(FATAL_ERROR "the installed program did not play the installed demo (${result}): ${errors}")
endif()
file(REMOVE_RECURSE "${dest}")
