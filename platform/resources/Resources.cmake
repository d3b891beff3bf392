# platform_add_resources(<target>
#     [BITMAP <id> <file.bmp>]...
#     [ICON <id> <file.ico>]...
#     [HTML <id> <file>]...
#     [TYPELIB 1 <file.tlb>]
#     [DIALOG <id> <dialog script>]...
#     [RESOURCE <type> <id> <file>]...
#     [STRINGS <file>]...)
#
# Builds resources into a program or shared library, where FindResource,
# LoadBitmap, LoadString and the dialogs find them by the module's handle
# (platform/resources/resources.h). An id or a type is a number or a name
# (RESOURCE DATAFILES 201 template.db). An icon is the .ico file as it is
# (LoadIcon picks its images). The type library (platform_add_type_library)
# goes into a section of its own, .platform_typelib, where LoadTypeLib
# reads it from the file without loading the library. DIALOG compiles the dialog of that
# number from a dialog script. A strings file holds one string a line,
#   <id> "<text>"
# written as a C string literal (\" \\ \n \t), in UTF-8; blank lines and
# lines starting with // are skipped. Call it once per target.
include_guard(GLOBAL)

function(_platform_resource_key value out_name out_id)
  if(value MATCHES "^[0-9]+$")
    if(value GREATER 65535)
      message(FATAL_ERROR "platform_add_resources: id ${value} is above 65535")
    endif()
    set(${out_name} "nullptr" PARENT_SCOPE)
    set(${out_id} "${value}" PARENT_SCOPE)
  elseif(value MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
    set(${out_name} "\"${value}\"" PARENT_SCOPE)
    set(${out_id} "0" PARENT_SCOPE)
  else()
    message(FATAL_ERROR "platform_add_resources: '${value}' is neither a number nor a name")
  endif()
endfunction()

function(platform_add_resources target)
  string(MAKE_C_IDENTIFIER "${target}" tag)
  set(asm "")
  set(declarations "")
  set(entries "")
  set(depends "")
  set(index 0)
  set(args ${ARGN})

  set(typelibs 0)
  # One embedded file: its bytes in the module's read-only data (in the
  # section of its own that section names, when it names one).
  macro(_platform_embed type id file)
    get_filename_component(path "${file}" ABSOLUTE)
    _platform_resource_key("${type}" type_name type_id)
    _platform_resource_key("${id}" name name_id)
    set(symbol "platform_resource_${tag}_${index}")
    string(REPLACE "\\" "\\\\\\\\" escaped "${path}")
    string(REPLACE "\"" "\\\\\\\"" escaped "${escaped}")
    if(section)
      string(APPEND asm "    \".pushsection ${section},\\\"a\\\",@progbits\\n\"\n")
    endif()
    string(APPEND asm "    \".globl ${symbol}\\n.hidden ${symbol}\\n${symbol}:\\n.incbin \\\"${escaped}\\\"\\n\"\n")
    if(section)
      string(APPEND asm "    \".globl ${symbol}_end\\n.hidden ${symbol}_end\\n${symbol}_end:\\n.popsection\\n\"\n")
    else()
      string(APPEND asm "    \".globl ${symbol}_end\\n.hidden ${symbol}_end\\n${symbol}_end:\\n.byte 0\\n.balign 16\\n\"\n")
    endif()
    string(APPEND declarations "extern \"C\" __attribute__((visibility(\"hidden\"))) const BYTE ${symbol}[], ${symbol}_end[];\n")
    string(APPEND entries "    {${type_name}, ${type_id}, ${name}, ${name_id}, ${symbol}, ${symbol}_end},\n")
    list(APPEND depends "${path}")
    math(EXPR index "${index} + 1")
  endmacro()

  list(LENGTH args count)
  set(i 0)
  while(i LESS count)
    list(GET args ${i} kind)
    set(section "")
    if(kind STREQUAL "BITMAP" OR kind STREQUAL "ICON" OR kind STREQUAL "HTML" OR kind STREQUAL "DIALOG"
       OR kind STREQUAL "TYPELIB")
      math(EXPR last "${i} + 2")
      if(last GREATER_EQUAL count)
        message(FATAL_ERROR "platform_add_resources(${target}): ${kind} needs an id and a file")
      endif()
      math(EXPR a "${i} + 1")
      list(GET args ${a} id)
      list(GET args ${last} file)
      if(kind STREQUAL "BITMAP")
        _platform_embed(2 "${id}" "${file}")
      elseif(kind STREQUAL "ICON")
        _platform_embed(14 "${id}" "${file}")
      elseif(kind STREQUAL "TYPELIB")
        math(EXPR typelibs "${typelibs} + 1")
        if(NOT id STREQUAL "1" OR typelibs GREATER 1)
          message(FATAL_ERROR "platform_add_resources(${target}): a module carries one TYPELIB, number 1")
        endif()
        set(section ".platform_typelib")
        _platform_embed(TYPELIB 1 "${file}")
      elseif(kind STREQUAL "HTML")
        _platform_embed(23 "${id}" "${file}")
      else()
        get_filename_component(script "${file}" ABSOLUTE)
        set(compiled "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources/dialog_${id}.dlgt")
        add_custom_command(OUTPUT "${compiled}"
          COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources"
          COMMAND dlgc --dialog ${id} "${script}" "${compiled}"
          DEPENDS dlgc "${script}"
          COMMENT "Compiling dialog ${id} of ${file}"
          VERBATIM)
        _platform_embed(5 "${id}" "${compiled}")
      endif()
      math(EXPR i "${i} + 3")
    elseif(kind STREQUAL "RESOURCE")
      math(EXPR last "${i} + 3")
      if(last GREATER_EQUAL count)
        message(FATAL_ERROR "platform_add_resources(${target}): RESOURCE needs a type, an id and a file")
      endif()
      math(EXPR a "${i} + 1")
      math(EXPR b "${i} + 2")
      list(GET args ${a} type)
      list(GET args ${b} id)
      list(GET args ${last} file)
      _platform_embed("${type}" "${id}" "${file}")
      math(EXPR i "${i} + 4")
    elseif(kind STREQUAL "STRINGS")
      math(EXPR a "${i} + 1")
      if(a GREATER_EQUAL count)
        message(FATAL_ERROR "platform_add_resources(${target}): STRINGS needs a file")
      endif()
      list(GET args ${a} file)
      get_filename_component(path "${file}" ABSOLUTE)
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${path}")
      # Lines split by hand: a semicolon in a text must not split a line
      # as a list would.
      file(READ "${path}" content)
      string(ASCII 1 semicolon)
      string(REPLACE ";" "${semicolon}" content "${content}")
      string(REPLACE "\r" "" content "${content}")
      string(REPLACE "\n" ";" lines "${content}")
      set(line_number 0)
      foreach(line IN LISTS lines)
        string(REPLACE "${semicolon}" ";" line "${line}")
        math(EXPR line_number "${line_number} + 1")
        if(line MATCHES "^[ \t]*$" OR line MATCHES "^[ \t]*//")
          continue()
        endif()
        if(NOT line MATCHES "^[ \t]*([0-9]+)[ \t]+\"(([^\"\\\\]|\\\\.)*)\"[ \t]*$")
          message(FATAL_ERROR "${path}:${line_number}: expected <id> \"<text>\"")
        endif()
        set(id "${CMAKE_MATCH_1}")
        set(text "${CMAKE_MATCH_2}")
        if(id GREATER 65535)
          message(FATAL_ERROR "${path}:${line_number}: id ${id} is above 65535")
        endif()
        set(symbol "platform_string_${tag}_${index}")
        string(APPEND declarations "static const char ${symbol}[] = \"${text}\";\n")
        string(APPEND entries "    {nullptr, 6, nullptr, ${id}, reinterpret_cast<const BYTE*>(${symbol}), reinterpret_cast<const BYTE*>(${symbol}) + sizeof ${symbol} - 1},\n")
        math(EXPR index "${index} + 1")
      endforeach()
      math(EXPR i "${i} + 2")
    else()
      message(FATAL_ERROR "platform_add_resources(${target}): unknown kind '${kind}'")
    endif()
  endwhile()

  if(index EQUAL 0)
    message(FATAL_ERROR "platform_add_resources(${target}): no resources")
  endif()
  set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp")
  file(CONFIGURE OUTPUT "${source}" @ONLY CONTENT [=[
// Written by platform_add_resources for @target@ when the build is configured.
#include "platform/resources/module.h"
#include "platform/resources/resources.h"

__asm__(
    ".pushsection .rodata.platform_resources,\"a\",@progbits\n.balign 16\n"
@asm@    ".popsection\n");

@declarations@
namespace {

const ::Platform::ResourceEntry kResources[] = {
@entries@};

// Added before any other static initializer of the module runs, so that
// they find the module's resources too.
struct Registration {
  Registration() {
    ::Platform::AddModuleResources(::Platform::ThisModule(), kResources, sizeof kResources / sizeof kResources[0]);
  }
  ~Registration() { ::Platform::RemoveModuleResources(kResources); }
};
__attribute__((init_priority(101))) Registration registration;

} // namespace
]=])
  target_sources(${target} PRIVATE "${source}")
  set_source_files_properties("${source}" PROPERTIES OBJECT_DEPENDS "${depends}")
endfunction()
