#include "travix/readers/dtd/includefiles.h"

#include <string_view>

#include "travix/readers/dtd/dtdreport.h"
#include "travix/readers/dtd/dtdtext.h"
#include "travix/schema/pathutil.h"

namespace Travix::Dtd {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsUrl(std::string_view literal) {
  return StartsWith(literal, "http") && literal.find('/') != std::string_view::npos;
}

}  // namespace

std::string LocalFileFor(const std::string& inputDirectory, const std::string& systemLiteral) {
  std::string_view literal(systemLiteral);
  if (IsUrl(literal)) return JoinPath(inputDirectory, literal.substr(literal.rfind('/') + 1));
  if (StartsWith(literal, "file://")) literal.remove_prefix(std::string_view("file://").size());
  if (StartsWith(literal, "/")) return std::string(literal);
  return JoinPath(inputDirectory, literal);
}

bool LoadExternalEntity(const std::string& inputDirectory, const std::string& systemLiteral,
                        std::string& path, std::string& text) {
  path = LocalFileFor(inputDirectory, systemLiteral);
  TextRead read = ReadTextFile(path, text);
  if (read.ok) return true;
  if (!read.problem.empty()) {
    ReportFatalError("Unable to read include file " + path + ": " + read.problem);
  } else if (IsUrl(systemLiteral)) {
    SetPendingHint("This version of Travix is unable to resolve external entity URL references "
                   "such as \"" + systemLiteral +
                   "\".  Please place the information from the given URL into the file \"" +
                   path + "\".");
    ReportFatalError("External entity reference to URL");
  } else {
    ReportFatalError("Failed to open include file " + path + " (errno=" + std::to_string(read.error) +
                     ")");
  }
  return false;
}

}  // namespace Travix::Dtd
