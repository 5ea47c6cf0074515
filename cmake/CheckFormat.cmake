# Fails when a C++ source of the project differs from clang-format's output.
file(GLOB_RECURSE sources
     ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h
     ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h
     ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/bench/*.h
     ${SOURCE_DIR}/fuzz/*.cpp ${SOURCE_DIR}/fuzz/*.h)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
                RESULT_VARIABLE rc ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "Run clang-format -i on these files:\n${out}")
endif()
