#include "travix/wizard/dictionary.h"

#include <vector>

namespace Travix::Wizard {

std::string ExpandMacros(std::string_view text, const Dictionary& dictionary) {
  std::string out;
  std::size_t at = 0;
  while (true) {
    const std::size_t open = text.find("$$", at);
    const std::size_t close = open == std::string_view::npos ? open : text.find("$$", open + 2);
    if (close == std::string_view::npos) {
      out.append(text.substr(at));
      return out;
    }
    out.append(text.substr(at, open - at));
    out += dictionary.Value(text.substr(open + 2, close - open - 2));
    at = close + 2;
  }
}

std::string ConfirmationText(const Dictionary& d) {
  std::vector<std::string_view> lines;
  if (d.Has(Key::ProjTypeLib)) lines.push_back("   + Create a static library project.");
  if (d.Has(Key::ProjTypeDll)) {
    lines.push_back("   + Create a DLL project with import/export declarations.");
    if (d.Has(Key::BaseTypeLib)) lines.push_back("   + Link to Travix Base as a static library.");
    if (d.Has(Key::BaseTypeDll)) lines.push_back("   + Link to Travix Base as a DLL.");
  }
  if (d.Has(Key::AddToProject)) lines.push_back("   + Copy and add $$Travix_INPUT_FILE$$ to project.");
  if (d.Has(Key::ExportSchema)) lines.push_back("   + Store Schema translation of DTD in the project directory.");
  if (d.Has(Key::DisableRead)) lines.push_back("   + Generate XML write only classes.");
  const bool named = d.Has(Key::Namespace);
  if (d.Has(Key::NoNamespace)) {
    lines.push_back(named ? "   + Assign class names with prefix \"$$Travix_Namespace$$_\".  (Do not use C++ namespaces.)"
                          : "   + Assign class names prefixed with the DTD/Schema file name. (Do not use C++ namespaces.)");
  } else {
    lines.push_back(named ? "   + Assign classes to namespace \"$$Travix_Namespace$$\"."
                          : "   + Assign classes to namespace based on the DTD/Schema file name.");
  }
  lines.push_back(d.Has(Key::Mfc) ? "   + Build on MFC data classes. (CString, CList, ...)"
                                  : "   + Build on STL data classes. (std::string, std::list, ...)");

  std::string text = "Travix will now create classes to implement XML in accordance with $$Travix_INPUT_FILE$$.\n\n\nFeatures:\n";
  for (std::string_view line : lines) {
    text += line;
    text += '\n';
  }
  return ExpandMacros(text, d);
}

}  // namespace Travix::Wizard
