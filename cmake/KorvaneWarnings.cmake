# Warnings and sanitizers for every target of the project.
add_library(korvane_options INTERFACE)
target_compile_options(korvane_options INTERFACE -Wall -Wextra -Wpedantic)
# GCC 12 reports -Wrestrict falsely inside libstdc++'s own string code once
# -O3 inlines it ("x" + std::to_string(n), s = "/"; its bugs 105329 and 105651).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(korvane_options INTERFACE -Wno-restrict)
endif()
if(KORVANE_WERROR)
  target_compile_options(korvane_options INTERFACE -Werror)
endif()

if(KORVANE_SANITIZER STREQUAL "address")
  set(_korvane_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
elseif(KORVANE_SANITIZER STREQUAL "thread")
  set(_korvane_san -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT KORVANE_SANITIZER STREQUAL "")
  message(FATAL_ERROR "KORVANE_SANITIZER must be '', 'address' or 'thread'")
endif()
if(_korvane_san)
  # Applied globally so GoogleTest's own objects agree with ours.
  add_compile_options(${_korvane_san})
  add_link_options(${_korvane_san})
endif()
