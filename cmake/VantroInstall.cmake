# Install rules. A POSIX install keeps the console in bin/, the embedded engine in lib/
# (the console looks for it beside itself, then in ../lib beside its bin folder) and the
# demo script, README and licence in share/vantro/ (the console looks there for the demo
# script). A Windows install keeps everything in one folder, as a user unpacks it: the
# console, the engine DLL, the demo script, README and the licence texts. The Windows
# build links the MinGW runtime statically (cmake/VantroCompiler.cmake), so no runtime
# DLL goes with it. Test programs have no install rules.
if(WIN32)
  set(VANTRO_INSTALL_BINDIR .)
  set(VANTRO_INSTALL_LIBDIR .)
  set(VANTRO_INSTALL_DATADIR .)
else()
  set(VANTRO_INSTALL_BINDIR bin)
  set(VANTRO_INSTALL_LIBDIR lib)
  set(VANTRO_INSTALL_DATADIR share/vantro)
endif()

# The build folder holds the demo script where an install does (share/vantro/ beside
# bin/), so that a console started from the build folder finds it the same way.
configure_file(${PROJECT_SOURCE_DIR}/demo/demo.sql ${PROJECT_BINARY_DIR}/share/vantro/demo.sql COPYONLY)

if(TARGET vantro)
  install(TARGETS vantro RUNTIME DESTINATION ${VANTRO_INSTALL_BINDIR} COMPONENT console)
endif()
# The engine is loaded by path at run time, never linked: only the library itself goes,
# not the Windows import library.
install(TARGETS vantro_oci
  RUNTIME DESTINATION ${VANTRO_INSTALL_LIBDIR} COMPONENT console
  LIBRARY DESTINATION ${VANTRO_INSTALL_LIBDIR} COMPONENT console)
install(FILES demo/demo.sql README.md DESTINATION ${VANTRO_INSTALL_DATADIR} COMPONENT console)
install(FILES LICENSE DESTINATION ${VANTRO_INSTALL_DATADIR} RENAME LICENSE.txt COMPONENT console)
# SQLite is built into the Windows engine; natively it is the system's library, which
# brings its own notice.
if(WIN32)
  install(FILES licenses/SQLite.txt DESTINATION ${VANTRO_INSTALL_DATADIR} RENAME SQLITE-LICENSE.txt
          COMPONENT console)
endif()
