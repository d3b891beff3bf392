# platform_add_type_library(<name> DESCRIPTION <file> [USED_BY <target>...])
#
# Compiles the description of a type library (see typelibc.cpp) into
# <build>/typelibs/<name>.tlb, which the server embeds as its TYPELIB 1
# (platform_add_resources(... TYPELIB 1 ${<name>_TYPELIB})), and into the
# dispatch tables of its interfaces, <name>.dispatch.h, which the
# interfaces' header includes. Every target in USED_BY is built after both.
# Sets <name>_TYPELIB in the caller's scope.
include_guard(GLOBAL)

function(platform_add_type_library name)
  cmake_parse_arguments(T "" "DESCRIPTION" "USED_BY" ${ARGN})
  if(NOT T_DESCRIPTION)
    message(FATAL_ERROR "platform_add_type_library(${name}): DESCRIPTION is missing")
  endif()
  get_property(standard GLOBAL PROPERTY PLATFORM_STANDARD_TYPES)
  get_filename_component(description "${T_DESCRIPTION}" ABSOLUTE)
  set(directory "${PROJECT_BINARY_DIR}/typelibs")
  set(library "${directory}/${name}.tlb")
  set(tables "${directory}/${name}.dispatch.h")
  add_custom_command(OUTPUT "${library}" "${tables}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${directory}"
    COMMAND typelibc --import "${standard}" "${description}" "${library}" "${tables}"
    DEPENDS typelibc "${description}" "${standard}" platform_standard_types
    COMMENT "Compiling the type library ${name}"
    VERBATIM)
  add_custom_target(${name}_typelib DEPENDS "${library}" "${tables}")
  foreach(user IN LISTS T_USED_BY)
    add_dependencies(${user} ${name}_typelib)
  endforeach()
  set(${name}_TYPELIB "${library}" PARENT_SCOPE)
endfunction()
