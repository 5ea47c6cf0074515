# Warnings and sanitizers for every target of the project.
add_library(korvane_options INTERFACE)
if(MSVC)
  # The sources are UTF-8 and hold Chinese texts.
  target_compile_options(korvane_options INTERFACE /W4 /utf-8 /permissive-)
else()
  target_compile_options(korvane_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow
                         -Wold-style-cast -Woverloaded-virtual -Wnon-virtual-dtor -Wsign-conversion)
endif()
# Qt's silent conversions between byte strings and QString would read GBK
# bytes as UTF-8 or Latin-1 without a word: every conversion is spelled out.
# Harmless for the targets without Qt.
target_compile_definitions(korvane_options INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
                           QT_NO_CAST_FROM_BYTEARRAY QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
if(WIN32)
  # Windows 10 and later (WSAPoll, inet_ntop); no min/max macros from windows.h.
  add_compile_definitions(_WIN32_WINNT=0x0A00 WIN32_LEAN_AND_MEAN NOMINMAX)
endif()
# GCC 12 reports -Wrestrict falsely inside libstdc++'s own string code once
# -O3 inlines it ("x" + std::to_string(n), s = "/"; its bugs 105329 and 105651).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(korvane_options INTERFACE -Wno-restrict)
endif()
if(KORVANE_WERROR)
  if(MSVC)
    target_compile_options(korvane_options INTERFACE /WX)
  else()
    target_compile_options(korvane_options INTERFACE -Werror)
  endif()
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
