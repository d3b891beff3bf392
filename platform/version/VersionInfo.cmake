# platform_version_info(<target>
#     [VERSION <a.b.c.d>] [PRODUCT_VERSION <a.b.c.d>]
#     [FLAGS <flag>...] [TRANSLATION <text>]
#     [STRINGS <name> <value> [<name> <value>...]])
#
# Stamps a version block into a program or shared library, where
# GetFileVersionInfo and VerQueryValue (platform/version/version.h) read it
# back by the file's name. Call it once per target, from any directory,
# after the target is defined:
#
#   platform_version_info(VornEngineHost
#     FLAGS PreRelease
#     STRINGS CompanyName "Corvanth" FileDescription "Module-graph engine")
#
# VERSION is the file version (default: the target's VERSION property, else
# the project's version), PRODUCT_VERSION the product's (default: the
# project's version); missing parts are 0, each part is 0 to 65535.
# FLAGS are any of Debug PreRelease Patched PrivateBuild InfoInferred
# SpecialBuild; Debug is added by itself in a Debug build. TRANSLATION is
# the language and code page of the strings (default 040904E4, US English
# in the Western code page). STRINGS are the string fields: Comments,
# CompanyName, FileDescription, FileVersion, InternalName, LegalCopyright,
# LegalTrademarks, OriginalFilename, PrivateBuild, ProductName,
# ProductVersion, SpecialBuild, or others. FileVersion and ProductVersion
# default to the versions as text, InternalName to the target's name,
# OriginalFilename to the file's name and ProductName to the project's
# name. The file type is taken from the target (program, shared library);
# the operating system field is VOS_UNKNOWN.
include_guard(GLOBAL)

set(PLATFORM_VERSION_NOTE_HEADER "${CMAKE_CURRENT_LIST_DIR}/versionnote.h")

function(_platform_version_words text out_ms out_ls)
  string(REPLACE "." ";" parts "${text}")
  list(LENGTH parts count)
  if(count GREATER 4 OR NOT text MATCHES "^[0-9]+(\\.[0-9]+)*$")
    message(FATAL_ERROR "platform_version_info: '${text}' is not a version of up to four numbers")
  endif()
  while(count LESS 4)
    list(APPEND parts 0)
    math(EXPR count "${count} + 1")
  endwhile()
  foreach(part IN LISTS parts)
    if(part GREATER 65535)
      message(FATAL_ERROR "platform_version_info: part ${part} of '${text}' is above 65535")
    endif()
  endforeach()
  list(GET parts 0 a)
  list(GET parts 1 b)
  list(GET parts 2 c)
  list(GET parts 3 d)
  math(EXPR ms "(${a} << 16) | ${b}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR ls "(${c} << 16) | ${d}" OUTPUT_FORMAT HEXADECIMAL)
  set(${out_ms} ${ms} PARENT_SCOPE)
  set(${out_ls} ${ls} PARENT_SCOPE)
endfunction()

# A C string literal of text (which may hold generator expressions).
function(_platform_version_literal text out)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  string(REPLACE "\n" "\\n" text "${text}")
  string(REPLACE "\r" "\\r" text "${text}")
  string(REPLACE "\t" "\\t" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

function(platform_version_info target)
  cmake_parse_arguments(V "" "VERSION;PRODUCT_VERSION;TRANSLATION" "FLAGS;STRINGS" ${ARGN})
  if(V_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "platform_version_info: unknown arguments ${V_UNPARSED_ARGUMENTS}")
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(file_type 0x1)
  elseif(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
    set(file_type 0x2)
  else()
    message(FATAL_ERROR "platform_version_info: ${target} is neither a program nor a shared library")
  endif()

  if(NOT V_VERSION)
    get_target_property(V_VERSION ${target} VERSION)
    if(NOT V_VERSION)
      set(V_VERSION "${PROJECT_VERSION}")
    endif()
  endif()
  if(NOT V_PRODUCT_VERSION)
    set(V_PRODUCT_VERSION "${PROJECT_VERSION}")
  endif()
  if(NOT V_TRANSLATION)
    set(V_TRANSLATION 040904E4)
  endif()
  if(NOT V_TRANSLATION MATCHES "^[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f]$")
    message(FATAL_ERROR "platform_version_info: TRANSLATION '${V_TRANSLATION}' is not eight hexadecimal digits")
  endif()
  string(SUBSTRING "${V_TRANSLATION}" 0 4 language)
  string(SUBSTRING "${V_TRANSLATION}" 4 4 code_page)
  _platform_version_words("${V_VERSION}" file_ms file_ls)
  _platform_version_words("${V_PRODUCT_VERSION}" product_ms product_ls)

  set(flags 0)
  set(known Debug PreRelease Patched PrivateBuild InfoInferred SpecialBuild)
  if(CMAKE_BUILD_TYPE STREQUAL "Debug")
    list(APPEND V_FLAGS Debug)
  endif()
  list(REMOVE_DUPLICATES V_FLAGS)
  foreach(flag IN LISTS V_FLAGS)
    list(FIND known ${flag} bit)
    if(bit LESS 0)
      message(FATAL_ERROR "platform_version_info: unknown flag ${flag}; known are ${known}")
    endif()
    math(EXPR flags "${flags} | (1 << ${bit})")
  endforeach()

  # The defaults first; a STRINGS entry of the same name replaces one.
  set(names FileVersion ProductVersion InternalName OriginalFilename ProductName)
  set(values "${V_VERSION}" "${V_PRODUCT_VERSION}" "${target}" "$<TARGET_FILE_NAME:${target}>" "${PROJECT_NAME}")
  list(LENGTH V_STRINGS count)
  math(EXPR odd "${count} % 2")
  if(odd)
    message(FATAL_ERROR "platform_version_info: STRINGS takes pairs of a name and a value")
  endif()
  set(at 0)
  while(at LESS count)
    list(GET V_STRINGS ${at} name)
    math(EXPR next "${at} + 1")
    list(GET V_STRINGS ${next} value)
    list(FIND names ${name} known_at)
    if(known_at GREATER_EQUAL 0)
      list(REMOVE_AT names ${known_at})
      list(REMOVE_AT values ${known_at})
    endif()
    list(APPEND names ${name})
    list(APPEND values "${value}")
    math(EXPR at "${at} + 2")
  endwhile()
  set(strings "")
  list(LENGTH names count)
  math(EXPR last "${count} - 1")
  foreach(index RANGE ${last})
    list(GET names ${index} name)
    list(GET values ${index} value)
    _platform_version_literal("${name}" name_literal)
    _platform_version_literal("${value}" value_literal)
    string(APPEND strings "  ${name_literal} \"\\0\" ${value_literal} \"\\0\" \\\n")
  endforeach()

  set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.c")
  file(GENERATE OUTPUT "${source}" CONTENT "/* The version block of ${target}, written by platform_version_info(). */
#include \"${PLATFORM_VERSION_NOTE_HEADER}\"

/* Name, value, ..., then the empty name that ends the list. */
#define STRINGS \\
${strings}  \"\"

struct platform_version_note {
  uint32_t namesz, descsz, type;
  char name[(sizeof PLATFORM_VERSION_NOTE_NAME + 3) / 4 * 4];
  struct {
    PlatformVersionHeader header;
    VS_FIXEDFILEINFO fixed;
    char strings[sizeof STRINGS];
  } desc;
};

#define DESC_SIZE sizeof(((struct platform_version_note*)0)->desc)

__attribute__((used, section(PLATFORM_VERSION_NOTE_SECTION), aligned(4)))
static const struct platform_version_note platform_version_note = {
  sizeof PLATFORM_VERSION_NOTE_NAME, DESC_SIZE, PLATFORM_VERSION_NOTE_TYPE, PLATFORM_VERSION_NOTE_NAME,
  {{PLATFORM_VERSION_MAGIC, DESC_SIZE, 0x${language}, 0x${code_page}},
   {0xFEEF04BDu, 0x00010000u, ${file_ms}, ${file_ls}, ${product_ms}, ${product_ls}, 0x3Fu, ${flags}u, 0u, ${file_type}u, 0u, 0u, 0u},
   STRINGS}};
")
  target_sources(${target} PRIVATE "${source}")
  set_source_files_properties("${source}" TARGET_DIRECTORY ${target} PROPERTIES GENERATED TRUE)
endfunction()
