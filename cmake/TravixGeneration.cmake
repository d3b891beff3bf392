# Source generated at build time by the toolkit, and programs built from it.
#
# travix_generate() runs a generator (the binding writer's test driver, the
# travix program, flex, bison, ...) as a build step; travix_generated_program()
# builds a program from generated and hand-written sources in one flag
# combination of the generator, against the runtime library that combination
# needs. Generated sources are compiled with warnings but not -Werror.
#
# The same file serves this tree and the installed package (find_package(
# Travix CONFIG)): the generator and the runtime go by their package names,
# Travix::travix and Travix::travixbase..., in both.
include_guard(GLOBAL)

# travix_generate(<out-var>
#     COMMAND <generator> [<argument>...]
#     OUTPUT_DIR <directory>
#     OUTPUTS <file name>...
#     [DEPENDS <file or target>...])
# Runs COMMAND in OUTPUT_DIR (created first) whenever an output is missing
# or older than a dependency. An executable target named in COMMAND is
# replaced by its path and built first. Sets <out-var> to the full paths of
# the outputs.
function(travix_generate out_var)
  cmake_parse_arguments(G "" "OUTPUT_DIR" "COMMAND;OUTPUTS;DEPENDS" ${ARGN})
  if(NOT G_COMMAND OR NOT G_OUTPUT_DIR OR NOT G_OUTPUTS)
    message(FATAL_ERROR "travix_generate: COMMAND, OUTPUT_DIR and OUTPUTS are required")
  endif()
  set(paths "")
  foreach(name IN LISTS G_OUTPUTS)
    list(APPEND paths "${G_OUTPUT_DIR}/${name}")
  endforeach()
  list(GET G_COMMAND 0 generator)
  set(generator_dependency "")
  if(TARGET ${generator})
    set(generator_dependency ${generator})
    # A generator is not relinked when a shared library of ours changes,
    # yet what it writes does: depend on the libraries' files as well.
    travix_linked_library_files(library_files ${generator})
    list(APPEND generator_dependency ${library_files})
  endif()
  add_custom_command(
    OUTPUT ${paths}
    COMMAND ${CMAKE_COMMAND} -E make_directory "${G_OUTPUT_DIR}"
    COMMAND ${G_COMMAND}
    WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
    DEPENDS ${G_DEPENDS} ${generator_dependency}
    COMMENT "Generating ${G_OUTPUTS}"
    VERBATIM)
  set(${out_var} ${paths} PARENT_SCOPE)
endfunction()

# travix_linked_library_files(<out-var> <target>)
# The files of the project's libraries <target> links, directly or through
# other libraries of the project.
function(travix_linked_library_files out_var target)
  set(files "")
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending current)
    get_target_property(links ${current} LINK_LIBRARIES)
    if(NOT links)
      continue()
    endif()
    foreach(library IN LISTS links)
      if(TARGET ${library} AND NOT library IN_LIST seen)
        list(APPEND seen ${library})
        get_target_property(type ${library} TYPE)
        if(type MATCHES "^(SHARED|STATIC|MODULE)_LIBRARY$")
          list(APPEND files "$<TARGET_FILE:${library}>")
          list(APPEND pending ${library})
        endif()
      endif()
    endforeach()
  endwhile()
  set(${out_var} ${files} PARENT_SCOPE)
endfunction()

# travix_flags_runtime(<out-var> <flags>)
# The runtime library a generated project links for the generator flags
# (letters such as "DMN"): the prefix form with N, else the namespace form.
function(travix_flags_runtime out_var flags)
  if(flags MATCHES "N")
    set(${out_var} Travix::travixbase_n PARENT_SCOPE)
  else()
    set(${out_var} Travix::travixbase PARENT_SCOPE)
  endif()
endfunction()

# travix_flag_set(<letters-var> <arguments-var> <set>)
# A flag set of the generator as the build-time tests name it: "none" or
# letters such as "DN". Sets <letters-var> to the letters ("" for none) and
# <arguments-var> to them as separate options (-D -N), as the test drivers
# take them.
function(travix_flag_set letters_var arguments_var set)
  set(letters "")
  set(arguments "")
  if(NOT set STREQUAL "none")
    set(letters ${set})
    string(REGEX MATCHALL "." each "${set}")
    foreach(letter IN LISTS each)
      list(APPEND arguments -${letter})
    endforeach()
  endif()
  set(${letters_var} "${letters}" PARENT_SCOPE)
  set(${arguments_var} ${arguments} PARENT_SCOPE)
endfunction()

# travix_generated_program(<target>
#     GENERATED <source>...        sources made by travix_generate
#     [SOURCES <source>...]        hand-written sources
#     FLAGS <letters>              the generator flags used ("" for none)
#     STANDARD 17|20
#     [INCLUDE_DIRS <dir>...] [LIBS <library>...]
#     [TEST [LABELS <label>...] [TEST_PREFIX <prefix>]])
# An executable of generated code as a user's project builds it: the
# runtime of the flag combination, the C++ standard asked for, -Wall. With
# TEST it is a GoogleTest program registered with CTest (add_project_test
# in this tree; gtest_discover_tests elsewhere).
function(travix_generated_program target)
  cmake_parse_arguments(P "TEST" "FLAGS;STANDARD;TEST_PREFIX"
                        "GENERATED;SOURCES;INCLUDE_DIRS;LIBS;LABELS" ${ARGN})
  if(NOT P_STANDARD)
    message(FATAL_ERROR "travix_generated_program: STANDARD is required")
  endif()
  travix_flags_runtime(runtime "${P_FLAGS}")
  # This tree's conventions where they are defined, else a plain project's.
  set(in_tree FALSE)
  if(COMMAND add_project_test AND COMMAND project_warnings AND COMMAND project_generated_sources)
    set(in_tree TRUE)
  endif()
  if(P_TEST)
    set(labels ${P_LABELS})
    if(NOT labels)
      set(labels unit)
    endif()
    if(in_tree)
      add_project_test(${target} SOURCES ${P_SOURCES} ${P_GENERATED}
                       LIBS ${runtime} ${P_LIBS} LABELS ${labels} TEST_PREFIX "${P_TEST_PREFIX}")
    else()
      find_package(GTest REQUIRED)
      include(GoogleTest)
      add_executable(${target} ${P_SOURCES} ${P_GENERATED})
      target_compile_options(${target} PRIVATE -Wall)
      target_link_libraries(${target} PRIVATE ${runtime} ${P_LIBS} GTest::gtest GTest::gtest_main)
      gtest_discover_tests(${target} TEST_PREFIX "${P_TEST_PREFIX}" PROPERTIES LABELS "${labels}")
    endif()
  else()
    add_executable(${target} ${P_SOURCES} ${P_GENERATED})
    if(in_tree)
      project_warnings(${target})
    else()
      target_compile_options(${target} PRIVATE -Wall)
    endif()
    target_link_libraries(${target} PRIVATE ${runtime} ${P_LIBS})
  endif()
  if(in_tree)
    project_generated_sources(${P_GENERATED})
  endif()
  # Generated member functions keep one signature whether or not a class
  # has anything for them to do.
  set_property(SOURCE ${P_GENERATED} APPEND PROPERTY COMPILE_OPTIONS -Wno-unused-parameter)
  target_include_directories(${target} PRIVATE ${P_INCLUDE_DIRS})
  set_target_properties(${target} PROPERTIES CXX_STANDARD ${P_STANDARD} CXX_STANDARD_REQUIRED ON
                                             CXX_EXTENSIONS OFF)
endfunction()

# travix_parser_sources(<out-var>
#     NAMESPACE <ns>              prefix of the scanner's and grammar's symbols
#     DIRECTORY <directory>       where the generated <base>_lexer.l and
#                                 <base>_parser.y are; the outputs go there too
#     [BASE <base>]               their base name (default: the namespace)
#     [DEPENDS <file or target>...])  what writes the two inputs
# Runs flex and bison on a generated scanner and grammar as a generated
# project does, with the namespace and "_" as the symbol prefix:
#   flex -o <base>_lexer.c -P<ns>_ <base>_lexer.l
#   bison -d -v -Werror=conflicts-sr -Werror=conflicts-rr -p <ns>_ -o <base>_parser.tab.cpp
#         --defines=<base>_parser.tab.h <base>_parser.y
# A grammar conflict fails the build: bison would resolve it silently and
# the importer would read some valid documents wrong.
# Sets <out-var> to the scanner (C), the grammar (C++) and the grammar's
# header; bison's report <base>_parser.output lands beside them. Compile the
# scanner with <directory> on the include path (it includes the header).
function(travix_parser_sources out_var)
  cmake_parse_arguments(S "" "NAMESPACE;DIRECTORY;BASE" "DEPENDS" ${ARGN})
  if(NOT S_NAMESPACE OR NOT S_DIRECTORY)
    message(FATAL_ERROR "travix_parser_sources: NAMESPACE and DIRECTORY are required")
  endif()
  set(base ${S_BASE})
  if(NOT base)
    set(base ${S_NAMESPACE})
  endif()
  set(d "${S_DIRECTORY}")
  travix_generate(scanner
    COMMAND ${FLEX_EXECUTABLE} -o ${d}/${base}_lexer.c -P${S_NAMESPACE}_ ${d}/${base}_lexer.l
    OUTPUT_DIR "${S_DIRECTORY}"
    OUTPUTS ${base}_lexer.c
    DEPENDS "${S_DIRECTORY}/${base}_lexer.l" ${S_DEPENDS})
  travix_generate(grammar
    COMMAND ${BISON_EXECUTABLE} -d -v -Werror=conflicts-sr -Werror=conflicts-rr
            -p ${S_NAMESPACE}_ -o ${d}/${base}_parser.tab.cpp
            --defines=${d}/${base}_parser.tab.h ${d}/${base}_parser.y
    OUTPUT_DIR "${S_DIRECTORY}"
    OUTPUTS ${base}_parser.tab.cpp ${base}_parser.tab.h ${base}_parser.output
    DEPENDS "${S_DIRECTORY}/${base}_parser.y" ${S_DEPENDS})
  list(REMOVE_ITEM grammar "${S_DIRECTORY}/${base}_parser.output")
  set(${out_var} ${scanner} ${grammar} PARENT_SCOPE)
endfunction()

# travix_schema_sources(<out-var>
#     SCHEMA <file>               the schema, DTD or XDR schema
#     NAMESPACE <ns>              travix -n: namespace and base name of the files
#     DIRECTORY <directory>       travix -d: where the files go
#     [FLAGS <letters>]           further travix flags, e.g. "DN" or "R"
#     [LIST_FILE <file>]          travix -l: the list of generated files
#     [DEPENDS <file or target>...])
# Runs the travix program at build time, as a user's project does:
#   travix -<flags> -d <directory> [-l <file>] -n <ns> <schema>
# then, unless the flags hold R (no read capability), flex and bison on the
# scanner and grammar it wrote (travix_parser_sources). Sets <out-var> to
# what is compiled: the binding source, and with read capability the
# scanner (C), the grammar, the importer source and, for a DTD, the text
# entities source. Compile them with <directory> on the include path.
function(travix_schema_sources out_var)
  cmake_parse_arguments(S "" "SCHEMA;NAMESPACE;DIRECTORY;FLAGS;LIST_FILE" "DEPENDS" ${ARGN})
  if(NOT S_SCHEMA OR NOT S_NAMESPACE OR NOT S_DIRECTORY)
    message(FATAL_ERROR "travix_schema_sources: SCHEMA, NAMESPACE and DIRECTORY are required")
  endif()
  set(ns ${S_NAMESPACE})
  set(flag_arguments "")
  if(NOT "${S_FLAGS}" STREQUAL "")  # not if(S_FLAGS): "N" is false to CMake
    set(flag_arguments "-${S_FLAGS}")
  endif()
  set(outputs ${ns}.h ${ns}.cpp)
  set(list_arguments "")
  if(S_LIST_FILE)
    set(list_arguments -l "${S_LIST_FILE}")
  endif()
  set(read_capability TRUE)
  if(S_FLAGS MATCHES "R")
    set(read_capability FALSE)
  endif()
  string(TOLOWER "${S_SCHEMA}" lower_schema)
  get_filename_component(schema_name "${lower_schema}" NAME)
  if(read_capability)
    list(APPEND outputs ${ns}_lexer.l ${ns}_parser.y ${ns}_xmlimporter.h ${ns}_xmlimporter.cpp)
    # The reader is chosen by the name, as travix chooses it.
    if(schema_name MATCHES "\\.dtd")
      list(APPEND outputs ${ns}_entities.cpp)
    endif()
  endif()
  travix_generate(files
    COMMAND Travix::travix ${flag_arguments} -d "${S_DIRECTORY}" ${list_arguments} -n ${ns} "${S_SCHEMA}"
    OUTPUT_DIR "${S_DIRECTORY}"
    OUTPUTS ${outputs}
    DEPENDS "${S_SCHEMA}" ${S_DEPENDS})
  set(sources "${S_DIRECTORY}/${ns}.cpp")
  if(read_capability)
    travix_parser_sources(parser NAMESPACE ${ns} DIRECTORY "${S_DIRECTORY}" DEPENDS ${files})
    list(APPEND sources ${parser} "${S_DIRECTORY}/${ns}_xmlimporter.cpp")
    if(schema_name MATCHES "\\.dtd")
      list(APPEND sources "${S_DIRECTORY}/${ns}_entities.cpp")
    endif()
  endif()
  set(${out_var} ${sources} PARENT_SCOPE)
endfunction()
