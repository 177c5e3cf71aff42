# NOTICES.txt: every part that the MinGW-w64 build links statically into
# QMRRebuilder.exe and qmr.exe, with its licence, taken from the Debian
# packages the programs were built with, so that the notices name the very
# versions inside the programs.

# The installed version of a Debian package, or "" when it is not there.
function(qmr_debian_version package out)
  execute_process(COMMAND dpkg-query -W -f=\${Version} ${package} OUTPUT_VARIABLE version ERROR_QUIET
                  RESULT_VARIABLE failed)
  if(failed)
    set(version "")
  endif()
  set(${out} "${version}" PARENT_SCOPE)
endfunction()

# The text of `file` from the line holding `first` up to and including the
# line holding `last`.
function(qmr_text_between file first last out)
  file(READ ${file} text)
  string(FIND "${text}" "${first}" start)
  string(FIND "${text}" "${last}" end)
  if(start LESS 0 OR end LESS start)
    message(FATAL_ERROR "${file} no longer holds \"${first}\" ... \"${last}\": update WindowsNotices.cmake")
  endif()
  string(LENGTH "${last}" last_length)
  math(EXPR length "${end} + ${last_length} - ${start}")
  string(SUBSTRING "${text}" ${start} ${length} part)
  set(${out} "${part}" PARENT_SCOPE)
endfunction()

function(qmr_write_windows_notices output)
  set(mingw_copyright /usr/share/doc/mingw-w64-x86-64-dev/copyright)
  set(gcc_copyright /usr/share/doc/gcc-mingw-w64-base/copyright)
  set(json_copyright /usr/share/doc/nlohmann-json3-dev/copyright)
  foreach(file IN ITEMS ${mingw_copyright} ${gcc_copyright} ${json_copyright})
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "The Windows notices need ${file}: apt-get install mingw-w64-x86-64-dev "
                          "gcc-mingw-w64-base nlohmann-json3-dev")
    endif()
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${mingw_copyright} ${gcc_copyright}
                                                                  ${json_copyright})

  qmr_debian_version(mingw-w64-x86-64-dev QMR_MINGW_VERSION)
  qmr_debian_version(g++-mingw-w64-x86-64-posix QMR_GCC_VERSION)
  qmr_debian_version(nlohmann-json3-dev QMR_JSON_VERSION)
  file(READ ${mingw_copyright} QMR_MINGW_LICENCE)
  qmr_text_between(${gcc_copyright} "The following runtime libraries are licensed" "- libvtv" gcc_libraries)
  qmr_text_between(${gcc_copyright} "GCC RUNTIME LIBRARY EXCEPTION" "requirements of the license of GCC." gcc_exception)
  set(QMR_GCC_LICENCE "${gcc_libraries}\n\n${gcc_exception}")
  file(READ ${json_copyright} QMR_JSON_LICENCE)
  # configure_file gives the template's own lines Windows line endings, not
  # the lines of the texts it puts in.
  foreach(text QMR_MINGW_LICENCE QMR_GCC_LICENCE QMR_JSON_LICENCE)
    string(STRIP "${${text}}" ${text})
    string(REPLACE "\r\n" "\n" ${text} "${${text}}")
    string(REPLACE "\n" "\r\n" ${text} "${${text}}")
  endforeach()
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/NOTICES.txt.in ${output} @ONLY NEWLINE_STYLE CRLF)
endfunction()
