// The importer class of TqXMLParserSrcWriter: a subclass of
// XMLImporterBase whose Import() runs the generated scanner and grammar.
#include <cctype>
#include <fstream>
#include <memory>

#include "travix/emitters/importertemplates.h"
#include "travix/emitters/textsplice.h"
#include "travix/emitters/tqxmlparsersrcwriter.h"
#include "travix/schema/outputfile.h"
#include "travixexcept.h"

namespace Travix {

namespace {

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

void TqXMLParserSrcWriter::EmitXMLImporterHeaderFile() {
  SetCurrentOutputStream(nullptr);
  const std::string& ns = GetNamespace();
  const std::string nsUpper = UpperCase(ns);
  std::string fileName = GetOutputFileName() + "_xmlimporter" + GetHeaderSuffix();
  const std::string path = OutputPath(fileName);
  auto stream = std::make_unique<OutputFile>(
      path, "Error: Unable to open header file '" + path + "' for output.");
  AddGeneratedFile(path);
  EmitFileHeader(stream.get(), fileName, LINE_COMMENT);
  const bool namespaces = !GetNamespaceDisabled();
  const std::string exportBlock =
      GetDLLExportUsage() ? Splice(ImporterTemplates::kExportBlock, {{"NSUPPER", nsUpper}}) : "";
  *stream << Splice(ImporterTemplates::kHeader,
                    {{"NSUPPER", nsUpper},
                     {"EXPORT_BLOCK", exportBlock},
                     {"RUNTIME_HEADER", namespaces ? "travix.h" : "travix_n.h"},
                     {"NAMESPACE_OPEN", namespaces ? "namespace " + ns + "\n{\n\n" : ""},
                     {"NAMESPACE_CLOSE", namespaces ? "} // end of namespace " + ns + "\n\n" : ""},
                     {"EXPORT", GetDLLExportUsage() ? nsUpper + "_XMLIMPORTER_API " : ""},
                     {"CLASS", ClassName("XMLImporter")},
                     {"XMLIMPORTERBASE", RuntimeName("XMLImporterBase")}});
  stream->Close();
}

void TqXMLParserSrcWriter::EmitXMLImporterCppFile() {
  SetCurrentOutputStream(nullptr);
  const std::string& ns = GetNamespace();
  std::string fileName = GetOutputFileName() + "_xmlimporter" + GetCppSuffix();
  const std::string path = OutputPath(fileName);
  auto stream = std::make_unique<OutputFile>(
      path, "Error: Unable to open XMLImporter cpp file '" + path + "' for output.");
  AddGeneratedFile(path);
  EmitFileHeader(stream.get(), fileName, LINE_COMMENT);
  const bool namespaces = !GetNamespaceDisabled();
  const std::string entities =
      m_dtdMode ? "extern " + RuntimeName("TextEntity") + " " + ns + "_entities[];\n\n" : "";
  const std::string classComment =
      namespaces ? "// Functions for class '" + ns + "::XMLImporter'\n// Default constructor\n" : "";
  *stream << Splice(ImporterTemplates::kSource,
                    {{"BASE", GetOutputFileName()},
                     {"NS", ns},
                     {"XOBJECT", RuntimeName("XObject")},
                     {"XEXCEPTION", RuntimeName("XException")},
                     {"XMLIMPORTERBASE", RuntimeName("XMLImporterBase")},
                     {"ENTITIES_DECLARATION", entities},
                     {"CLASS_COMMENT", classComment},
                     {"CLASS", ClassName("XMLImporter")},
                     {"QCLASS", QualifiedName("XMLImporter")},
                     {"INIT_SYMBOL_TABLE",
                      m_dtdMode ? "InitSymbolTable(" + ns + "_entities);" : "InitSymbolTable();"}});
  stream->Close();
}

}  // namespace Travix
