# The one version of Vantro: project(... VERSION ...) feeds a generated header that the
# console's banner and --version, the engine's banner and the Windows version resource
# include, and the package file names (cmake/VantroPackage.cmake). The interface target
# vantro_version puts the header's folder on a target's include path.
set(VANTRO_VERSION ${PROJECT_VERSION})
foreach(part MAJOR MINOR PATCH TWEAK)
  set(VANTRO_VERSION_${part} ${PROJECT_VERSION_${part}})
  if(VANTRO_VERSION_${part} STREQUAL "")
    set(VANTRO_VERSION_${part} 0)
  endif()
endforeach()
set(VANTRO_VERSION_FIVE
    "${VANTRO_VERSION_MAJOR}.${VANTRO_VERSION_MINOR}.${VANTRO_VERSION_PATCH}.${VANTRO_VERSION_TWEAK}.0")

set(VANTRO_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/vantro_version.h.in ${VANTRO_GENERATED_DIR}/vantro_version.h @ONLY)
add_library(vantro_version INTERFACE)
target_include_directories(vantro_version INTERFACE ${VANTRO_GENERATED_DIR})
