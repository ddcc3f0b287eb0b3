# Compiler settings shared by every target: warnings, sanitizers, ccache.

find_program(VANTRO_CCACHE ccache)
if(VANTRO_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${VANTRO_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${VANTRO_CCACHE})
endif()

# vantro_warnings(target): the project's warning set, errors in CI builds.
function(vantro_warnings target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
      -Wcast-align -Wformat=2 -Wimplicit-fallthrough>)
  if(VANTRO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
option(VANTRO_WERROR "Treat warnings as errors" OFF)

if(VANTRO_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(VANTRO_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT VANTRO_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VANTRO_SANITIZE must be empty, 'address' or 'thread'")
endif()

# Fuzzing: every target is compiled with libFuzzer's coverage and the address and
# undefined-behaviour checks; the fuzz targets under tests/fuzz link libFuzzer itself.
option(VANTRO_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
if(VANTRO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VANTRO_FUZZ needs clang (the fuzz preset sets it)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # One self-contained executable: no MinGW runtime DLLs beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00)
endif()
