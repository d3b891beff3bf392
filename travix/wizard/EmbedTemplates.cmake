# Run as a build step: cmake -DOUTPUT=<file.cpp> -DTEMPLATES=<a.dlgt;b.dlgt> -P EmbedTemplates.cmake
# Writes the compiled dialog templates into a C++ source as byte arrays,
# each found by the number its file is named after, so the program carries
# its dialogs and needs no files beside it.
set(arrays "")
set(cases "")
foreach(file IN LISTS TEMPLATES)
  get_filename_component(id "${file}" NAME_WE)
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const BYTE kTemplate${id}[] = {${bytes}};\n")
  string(APPEND cases "  case ${id}: return kTemplate${id};\n")
endforeach()
file(WRITE "${OUTPUT}.new" "// Written by EmbedTemplates.cmake from the compiled dialog script.
#include \"travix/wizard/templates.h\"

namespace Travix::Wizard {

namespace {
${arrays}}  // namespace

std::span<const BYTE> DialogTemplateBytes(UINT id) {
  switch (id) {
${cases}  default: return {};
  }
}

}  // namespace Travix::Wizard
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
