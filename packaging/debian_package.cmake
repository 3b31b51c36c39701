# The Debian package, fendrix_<version>_amd64.deb, made by CPack's DEB
# generator from the install rules (scripts/package). Library dependencies are
# computed from the binaries by dpkg-shlibdeps; only what the binaries cannot
# show is named here: adduser and libcap2-bin for the maintainer scripts, and
# the Qt platform plug-ins that the window loads at run time.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fendrix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGE_CONTACT "${FENDRIX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${FENDRIX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${FENDRIX_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find and set up Kestrel door-access controllers")
# CPack writes the summary as the synopsis line, then this text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Fendrix finds every Kestrel door-access controller on the Ethernet segment
of one of the PC's adapters, whatever IP configuration the controller has,
lists them, and changes a controller's network settings, resets it to its
factory defaults or opens its web interface. A factory mode writes an OEM
brand and a MAC address into controllers at production time.
.
The package holds the window (fendrix), the command-line tool for scripts
and production lines (fendrix-cli) and the capture helper, the only program
that holds the raw-capture capability; members of the group fendrix may run
it.")

set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(extra_depends adduser libcap2-bin)
if(TARGET fendrix)
  list(APPEND extra_depends qt6-qpa-plugins)
endif()
string(REPLACE ";" ", " CPACK_DEBIAN_PACKAGE_DEPENDS "${extra_depends}")

# Maintainer scripts: the group, the helper's owner, mode and capability.
set(FENDRIX_HELPER_PATH "")
if(TARGET fendrix-capture)
  set(FENDRIX_HELPER_PATH
      ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/fendrix/fendrix-capture)
endif()
foreach(script postinst postrm)
  configure_file(debian/${script}.in ${CMAKE_CURRENT_BINARY_DIR}/debian/${script} @ONLY)
  list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/${script})
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
