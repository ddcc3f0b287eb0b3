# Packages built by `cmake --build <build folder> --target package`: a zip for Windows
# (vantro-<version>-win64.zip, unpacked anywhere and run from its folder) and, natively, a
# tarball and a Debian package whose dependencies dpkg-shlibdeps reads from the binaries
# (libsqlite3 among them). The version is the project's (cmake/VantroVersion.cmake).
set(CPACK_PACKAGE_NAME vantro)
set(CPACK_PACKAGE_VENDOR "Vantro")
set(CPACK_PACKAGE_VERSION ${VANTRO_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Interactive console for Oracle databases, with an embedded engine")
set(CPACK_PACKAGE_DESCRIPTION
    "Vantro runs SQL statements, PL/SQL blocks and client commands on one database session\n\
through the Oracle Call Interface and prints the results as formatted columns. Without an\n\
Oracle client it uses its embedded OCI-compatible engine over SQLite, with a demo database\n\
created on first use.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_PACKAGE_FILE_NAME vantro-${VANTRO_VERSION}-win64)
  # The zip unpacks into one folder named as the zip.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_PACKAGE_FILE_NAME vantro-${VANTRO_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
  # The tarball is a prefix of its own (bin/, lib/, share/vantro/) to unpack anywhere;
  # the Debian package installs under /usr.
  set(CPACK_ARCHIVE_TGZ_FILE_NAME ${CPACK_PACKAGE_FILE_NAME})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vantro developers")
  set(CPACK_DEBIAN_PACKAGE_SECTION database)
  find_program(VANTRO_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(VANTRO_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    message(STATUS "dpkg-shlibdeps not found (Debian's dpkg-dev): the .deb names its dependencies by hand")
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsqlite3-0, libstdc++6, libc6, libgcc-s1")
  endif()
endif()

include(CPack)
