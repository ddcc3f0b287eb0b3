# The SQLite amalgamation for builds that cannot use the system library (Windows): taken
# at configure time from the npm package better-sqlite3, which ships
# deps/sqlite3/sqlite3.c and sqlite3.h. The package lands in .deps/ (git-ignored) once;
# later configures reuse it. Defines the static library target vantro_sqlite3.
set(VANTRO_SQLITE_OPTIMIZE "" CACHE STRING "Optimisation option for the SQLite amalgamation (empty: the build type's)")
set(VANTRO_SQLITE_PACKAGE better-sqlite3)
set(VANTRO_SQLITE_PACKAGE_VERSION 12.11.1)
set(VANTRO_DEPS_DIR ${PROJECT_SOURCE_DIR}/.deps)
set(VANTRO_SQLITE_TARBALL ${VANTRO_DEPS_DIR}/${VANTRO_SQLITE_PACKAGE}-${VANTRO_SQLITE_PACKAGE_VERSION}.tgz)
set(VANTRO_SQLITE_DIR ${VANTRO_DEPS_DIR}/${VANTRO_SQLITE_PACKAGE}-${VANTRO_SQLITE_PACKAGE_VERSION})

if(NOT EXISTS ${VANTRO_SQLITE_DIR}/deps/sqlite3/sqlite3.c)
  file(MAKE_DIRECTORY ${VANTRO_DEPS_DIR})
  if(NOT EXISTS ${VANTRO_SQLITE_TARBALL})
    find_program(VANTRO_NPM npm REQUIRED)
    message(STATUS "Fetching the SQLite amalgamation: npm pack ${VANTRO_SQLITE_PACKAGE}@${VANTRO_SQLITE_PACKAGE_VERSION}")
    execute_process(
      COMMAND ${VANTRO_NPM} pack ${VANTRO_SQLITE_PACKAGE}@${VANTRO_SQLITE_PACKAGE_VERSION}
      WORKING_DIRECTORY ${VANTRO_DEPS_DIR}
      RESULT_VARIABLE npm_result
      OUTPUT_QUIET
      ERROR_VARIABLE npm_errors)
    if(NOT npm_result EQUAL 0 OR NOT EXISTS ${VANTRO_SQLITE_TARBALL})
      message(FATAL_ERROR "npm pack ${VANTRO_SQLITE_PACKAGE}@${VANTRO_SQLITE_PACKAGE_VERSION} failed:\n${npm_errors}")
    endif()
  endif()
  file(MAKE_DIRECTORY ${VANTRO_SQLITE_DIR})
  file(ARCHIVE_EXTRACT INPUT ${VANTRO_SQLITE_TARBALL} DESTINATION ${VANTRO_SQLITE_DIR}.tmp
       PATTERNS package/deps/sqlite3/*)
  file(COPY ${VANTRO_SQLITE_DIR}.tmp/package/deps DESTINATION ${VANTRO_SQLITE_DIR})
  file(REMOVE_RECURSE ${VANTRO_SQLITE_DIR}.tmp)
  if(NOT EXISTS ${VANTRO_SQLITE_DIR}/deps/sqlite3/sqlite3.c)
    message(FATAL_ERROR "${VANTRO_SQLITE_TARBALL} holds no deps/sqlite3/sqlite3.c")
  endif()
endif()

if(NOT TARGET vantro_sqlite3)
  add_library(vantro_sqlite3 STATIC ${VANTRO_SQLITE_DIR}/deps/sqlite3/sqlite3.c)
  target_include_directories(vantro_sqlite3 SYSTEM PUBLIC ${VANTRO_SQLITE_DIR}/deps/sqlite3)
  target_compile_definitions(vantro_sqlite3 PRIVATE
    SQLITE_THREADSAFE=1 SQLITE_DEFAULT_FOREIGN_KEYS=0 SQLITE_ENABLE_COLUMN_METADATA
    SQLITE_OMIT_LOAD_EXTENSION SQLITE_DQS=0 SQLITE_ENABLE_PREUPDATE_HOOK)
  target_compile_options(vantro_sqlite3 PRIVATE -w)
  # The amalgamation is the longest single compile of the Windows build; the CI, which
  # runs its tests but ships nothing, builds it with less optimisation.
  if(VANTRO_SQLITE_OPTIMIZE)
    target_compile_options(vantro_sqlite3 PRIVATE ${VANTRO_SQLITE_OPTIMIZE})
  endif()
endif()
