# fendrix_windows_resources(TARGET DESCRIPTION [MANIFEST]): the program's
# Windows resources from res/fendrix.rc.in: the icon (made from the committed
# PNGs of packaging/icons by res/make_ico.py), the version information from
# the project's version and, with MANIFEST, res/fendrix.manifest.in embedded
# as the program's manifest (common controls 6, per-monitor DPI awareness,
# run as invoker). Qt's windows platform takes the icon named IDI_ICON1 for
# every window of the program.
set(_fendrix_res ${CMAKE_SOURCE_DIR}/res)
set(_fendrix_gen ${PROJECT_BINARY_DIR}/generated)
set(_fendrix_icon_sizes 16 24 32 48 64 128 256)
set(_fendrix_pngs)
foreach(_size ${_fendrix_icon_sizes})
  list(APPEND _fendrix_pngs
    ${CMAKE_SOURCE_DIR}/packaging/icons/hicolor/${_size}x${_size}/apps/fendrix.png)
endforeach()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(OUTPUT ${_fendrix_gen}/fendrix.ico
  COMMAND Python3::Interpreter ${_fendrix_res}/make_ico.py ${_fendrix_gen}/fendrix.ico ${_fendrix_pngs}
  DEPENDS ${_fendrix_res}/make_ico.py ${_fendrix_pngs}
  COMMENT "Making fendrix.ico")
add_custom_target(fendrix_icon DEPENDS ${_fendrix_gen}/fendrix.ico)
configure_file(${_fendrix_res}/fendrix.manifest.in ${_fendrix_gen}/fendrix.manifest @ONLY)

function(fendrix_windows_resources target description)
  cmake_parse_arguments(PARSE_ARGV 2 arg "MANIFEST" "" "")
  set(FENDRIX_RC_NAME ${target})
  set(FENDRIX_RC_DESCRIPTION ${description})
  set(FENDRIX_RC_COPYRIGHT "Licensed under the Apache License, Version 2.0")
  set(FENDRIX_RC_ICON "IDI_ICON1 ICON \"${_fendrix_gen}/fendrix.ico\"")
  set(FENDRIX_RC_MANIFEST "")
  set(depends ${_fendrix_gen}/fendrix.ico)
  if(arg_MANIFEST)
    # 1 and 24: the manifest that the loader reads when it creates the process.
    set(FENDRIX_RC_MANIFEST "1 24 \"${_fendrix_gen}/fendrix.manifest\"")
    list(APPEND depends ${_fendrix_gen}/fendrix.manifest)
  endif()
  set(rc ${_fendrix_gen}/${target}.rc)
  configure_file(${_fendrix_res}/fendrix.rc.in ${rc} @ONLY)
  # windres reads the icon and the manifest; the build sees them as inputs.
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${depends}")
  target_sources(${target} PRIVATE ${rc})
  add_dependencies(${target} fendrix_icon)
endfunction()
