# The empty working file is made from one schema file, workingdatabase.sql,
# compiled into the engine as text. The automation object's template is made
# from the same file: VORN_WORKING_FILE_SCHEMA names it.
set(VORN_WORKING_FILE_SCHEMA "${CMAKE_CURRENT_SOURCE_DIR}/workingdatabase.sql"
    CACHE INTERNAL "The statements that make an empty working file")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${VORN_WORKING_FILE_SCHEMA}")
file(READ "${VORN_WORKING_FILE_SCHEMA}" VORN_WORKING_FILE_SCHEMA_TEXT)
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/generated/workingfileschema.h"
  CONTENT "// Made from workingdatabase.sql when the build is configured.\n#pragma once\ninline constexpr char kWorkingFileSchema[] = R\"schema(@VORN_WORKING_FILE_SCHEMA_TEXT@)schema\";\n"
  @ONLY)
target_include_directories(vornengine_core PRIVATE "${CMAKE_CURRENT_BINARY_DIR}/generated")
