# The Qt that the window links on Windows: a static Qt for mingw-w64 that
# scripts/build-qt-windows builds from Debian's qt6-base source into a cache
# (scripts/build-windows passes its prefix). The toolchain searches only the
# cross compiler's own folder; the prefix joins the search here. Qt's tools
# (moc, rcc, uic) are the build machine's, of the same version
# (qt6-base-dev), which the cross-built Qt names as its host Qt.
set(FENDRIX_QT_PREFIX "" CACHE PATH "Qt for Windows (the last line of scripts/build-qt-windows)")
if(NOT EXISTS "${FENDRIX_QT_PREFIX}/lib/cmake/Qt6/Qt6Config.cmake")
  message(FATAL_ERROR "FENDRIX_QT_PREFIX='${FENDRIX_QT_PREFIX}' holds no Qt for Windows: "
    "scripts/build-windows builds one (scripts/build-qt-windows), or configure with FENDRIX_GUI=OFF")
endif()
# The prefix as a root and its lib/cmake as a prefix path, as Qt's own
# toolchain file does, so that CMake does not join the two into one path.
list(PREPEND CMAKE_FIND_ROOT_PATH "${FENDRIX_QT_PREFIX}")
list(PREPEND CMAKE_PREFIX_PATH "${FENDRIX_QT_PREFIX}/lib/cmake")
