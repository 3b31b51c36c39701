# Dependencies of the Windows build, all header-only here:
#  - libpcap's upstream headers (they support _WIN32); the functions come
#    from Npcap's wpcap.dll, loaded at run time (src/transport/pcap_runtime_win.cpp),
#    so nothing links against a capture library;
#  - CLI11 and nlohmann-json.
# Each folder is copied alone into the build tree: pointing a cross compiler
# at the build machine's whole /usr/include would pull in glibc's headers.
# The defaults are Debian's packages; a native Windows build names the Npcap
# SDK's Include folder and its own CLI11 and nlohmann-json instead.
# The same target names as the native build keep the other CMake files alike.
set(FENDRIX_PCAP_INCLUDE /usr/include CACHE PATH "Folder that holds pcap/")
set(FENDRIX_CLI11_INCLUDE /usr/include CACHE PATH "Folder that holds CLI/")
set(FENDRIX_JSON_INCLUDE /usr/include CACHE PATH "Folder that holds nlohmann/")

set(_staged ${CMAKE_BINARY_DIR}/third_party/include)
foreach(_pair PCAP:pcap CLI11:CLI JSON:nlohmann)
  string(REPLACE ":" ";" _pair ${_pair})
  list(GET _pair 0 _var)
  list(GET _pair 1 _folder)
  set(_from ${FENDRIX_${_var}_INCLUDE}/${_folder})
  if(NOT EXISTS ${_from})
    message(FATAL_ERROR "${_from} is missing (set FENDRIX_${_var}_INCLUDE; scripts/setup installs Debian's)")
  endif()
  file(COPY ${_from} DESTINATION ${_staged})
endforeach()

foreach(_target PkgConfig::PCAP CLI11::CLI11 nlohmann_json::nlohmann_json)
  add_library(${_target} INTERFACE IMPORTED)
  target_include_directories(${_target} SYSTEM INTERFACE ${_staged})
endforeach()
