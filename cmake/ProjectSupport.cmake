# Build conventions shared by every target of the project.
include_guard(GLOBAL)
include(GoogleTest)

# Source file names in __FILE__ (and so in XException locations) are written
# relative to the source or build tree, never as absolute build paths.
add_compile_options(
  "-fmacro-prefix-map=${CMAKE_SOURCE_DIR}/="
  "-fmacro-prefix-map=${CMAKE_BINARY_DIR}/=")

if(SANITIZE)
  add_compile_options(-fsanitize=${SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${SANITIZE})
endif()

# Fuzzing instruments every library the fuzz targets reach; only the
# targets themselves link libFuzzer's main.
if(FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Warnings for the project's own code: on, and fatal. Generated code gets
# warnings but they do not fail the build (see project_generated_sources).
function(project_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    if(SANITIZE)
      # GCC 12 reports false maybe-uninitialized warnings in libstdc++ code
      # once sanitizer instrumentation changes inlining. Clang has no such
      # warning and would refuse the flag under -Werror.
      target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
    endif()
    if(CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12 AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
      # GCC 12 at -O3 inlines std::string's operator+ and append far enough
      # to report an overlapping memcpy in char_traits that cannot happen (a
      # known fault of that release). Only -Wrestrict, and only in Release,
      # where it misfires: the other builds keep it.
      target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-Wno-restrict>)
    endif()
  endif()
endfunction()

# Marks sources produced at build time (flex, bison, travix output) so the
# project's -Werror does not apply to them.
function(project_generated_sources)
  set_source_files_properties(${ARGN} PROPERTIES COMPILE_OPTIONS "-Wno-error")
endfunction()

# add_project_test(<name> SOURCES ... [LIBS ...] [LABELS unit|e2e|slow ...]
#                  [WORKING_DIRECTORY dir] [ENVIRONMENT VAR=value ...]
#                  [TEST_PREFIX prefix])
# One GoogleTest executable; every test in it is registered with CTest, its
# name preceded by TEST_PREFIX when one source is built into several
# executables.
function(add_project_test name)
  cmake_parse_arguments(T "" "WORKING_DIRECTORY;TEST_PREFIX" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  if(NOT T_WORKING_DIRECTORY)
    set(T_WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")
  endif()
  add_executable(${name} ${T_SOURCES})
  project_warnings(${name})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # Tests assign objects to themselves on purpose, to check operator=.
    target_compile_options(${name} PRIVATE -Wno-self-assign-overloaded)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY "${T_WORKING_DIRECTORY}"
    TEST_PREFIX "${T_TEST_PREFIX}"
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}")
  if(T_ENVIRONMENT)
    # Discovery splits a list-valued property into separate arguments, so
    # only the first variable would survive; set the whole list afterwards,
    # on the test names discovery leaves in <name>_TESTS.
    set(environment_file "${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake")
    file(WRITE "${environment_file}"
      "if(${name}_TESTS)\n"
      "  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT \"${T_ENVIRONMENT}\")\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${environment_file}")
  endif()
endfunction()
