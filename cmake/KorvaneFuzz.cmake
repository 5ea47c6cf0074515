# The fuzz build: coverage for libFuzzer plus AddressSanitizer and
# UndefinedBehaviorSanitizer on every object; the fuzz programs link libFuzzer.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "KORVANE_FUZZ needs clang (e.g. -DCMAKE_CXX_COMPILER=clang++)")
endif()
if(NOT KORVANE_SANITIZER STREQUAL "")
  message(FATAL_ERROR "KORVANE_FUZZ brings its own sanitizers: leave KORVANE_SANITIZER empty")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
