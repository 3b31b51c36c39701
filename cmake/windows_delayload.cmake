# fendrix_delay_load_system_dlls(TARGET): the system DLLs that the window
# needs through Qt but that are not known DLLs (which Windows always maps
# from System32) are delay-imported: the loader does not look for them before
# main runs, when a file of the same name beside the program would be taken
# first; they are loaded at their first use, from System32 by their full
# paths (the delay-load hook in src/transport/system_library_win.cpp). GNU ld has
# no delay-load switch, so each DLL gets a delay-import library, made with
# dlltool from the names that mingw-w64's import library exports, in a folder
# searched before the toolchain's own: Qt's -luxtheme then finds it.
# Unused names cost nothing: the linker keeps only what is called.
set(FENDRIX_DELAY_LOADED_DLLS
  authz:authz.dll d3d9:d3d9.dll d3d11:d3d11.dll dxgi:dxgi.dll dwmapi:dwmapi.dll mpr:mpr.dll
  netapi32:netapi32.dll userenv:userenv.dll uxtheme:uxtheme.dll version:version.dll
  winmm:winmm.dll winspool:winspool.drv wtsapi32:wtsapi32.dll)

function(fendrix_delay_load_system_dlls target)
  set(dir ${PROJECT_BINARY_DIR}/delayload)
  file(MAKE_DIRECTORY ${dir})
  foreach(pair ${FENDRIX_DELAY_LOADED_DLLS})
    string(REPLACE ":" ";" pair ${pair})
    list(GET pair 0 name)
    list(GET pair 1 dll)
    find_file(import_${name} lib${name}.a PATHS /usr/${FENDRIX_MINGW_TRIPLE}/lib NO_DEFAULT_PATH
      NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    if(EXISTS ${dir}/lib${name}.a AND NOT ${import_${name}} IS_NEWER_THAN ${dir}/lib${name}.a)
      continue()
    endif()
    execute_process(COMMAND ${CMAKE_NM} -g ${import_${name}} OUTPUT_VARIABLE symbols
      COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL " I __imp_[A-Za-z0-9_@]+" symbols "${symbols}")
    list(TRANSFORM symbols REPLACE " I __imp_" "")
    list(REMOVE_DUPLICATES symbols)
    list(JOIN symbols "\n  " exports)
    file(WRITE ${dir}/${name}.def "LIBRARY ${dll}\nEXPORTS\n  ${exports}\n")
    execute_process(COMMAND ${FENDRIX_MINGW_TRIPLE}-dlltool --input-def ${dir}/${name}.def
        --dllname ${dll} --output-delaylib ${dir}/lib${name}.a
      COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  target_link_directories(${target} BEFORE PRIVATE ${dir})
endfunction()
