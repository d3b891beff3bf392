// dlgc: compiles one dialog of a dialog script into its template bytes.
//   dlgc [--dialog ID] SCRIPT OUTPUT     (ID may be left out for a script of one dialog)
//   dlgc --list SCRIPT                   (prints the script's dialog numbers)
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/dialogs/dialogscript.h"

namespace {

int Usage() {
  std::cerr << "usage: dlgc [--dialog ID] SCRIPT OUTPUT | dlgc --list SCRIPT\n";
  return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<std::string> args(argv + 1, argv + argc);
  bool list = false;
  long wanted = -1;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--list") {
      list = true;
    } else if (args[i] == "--dialog" && i + 1 < args.size()) {
      const std::string& text = args[++i];
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), wanted);
      if (error != std::errc() || end != text.data() + text.size()) return Usage();
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != (list ? 1u : 2u)) return Usage();
  std::ifstream in(files[0], std::ios::binary);
  if (!in) {
    std::cerr << "dlgc: cannot read " << files[0] << '\n';
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const Platform::DialogScriptResult result = Platform::CompileDialogScript(text.str(), files[0]);
  for (const std::string& error : result.errors) std::cerr << error << '\n';
  if (!result.errors.empty()) return 1;
  if (list) {
    for (const auto& dialog : result.dialogs) std::cout << dialog.id << '\n';
    return 0;
  }
  const Platform::CompiledDialog* chosen = nullptr;
  for (const auto& dialog : result.dialogs) {
    if (wanted == -1 ? result.dialogs.size() == 1 : dialog.id == wanted) chosen = &dialog;
  }
  if (!chosen) {
    std::cerr << files[0] << ": "
              << (wanted == -1 ? "holds more than one dialog; name one with --dialog"
                               : "has no dialog " + std::to_string(wanted))
              << '\n';
    return 1;
  }
  const std::vector<BYTE> bytes = Platform::WriteDialogTemplate(chosen->dialogTemplate);
  const std::string temporary = files[1] + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
      std::cerr << "dlgc: cannot write " << files[1] << '\n';
      return 1;
    }
  }
  if (std::rename(temporary.c_str(), files[1].c_str()) != 0) {
    std::cerr << "dlgc: cannot write " << files[1] << '\n';
    return 1;
  }
  return 0;
}
