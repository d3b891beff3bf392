#include "travix/emitters/tqschemasrcwriter.h"

#include <fstream>

#include <xercesc/util/PlatformUtils.hpp>

#include "travix/schema/domerrorreporter.h"
#include "travix/schema/domutil.h"
#include "travix/schema/emitschema.h"
#include "travix/schema/outputfile.h"
#include "travix/schema/pathutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/secureparser.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix {

using xercesc::DOMElement;
using xercesc::DOMNode;
namespace Elem = Vocabulary::Elem;
namespace Attr = Vocabulary::Attr;
namespace Value = Vocabulary::Value;

namespace {

// The file name of path without its last extension; a name whose only dot
// leads it is taken whole. Both "/" and "\\" separate directories.
std::string BaseNameOfSchemaPath(const std::string& path) {
  std::string name = FileNamePart(path);
  const auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace

TqSchemaSrcWriter::TqSchemaSrcWriter() = default;

TqSchemaSrcWriter::~TqSchemaSrcWriter() {
  ForgetDocument();
  // The parser still points at its error handler while it is torn down.
  m_parser.reset();
  m_errorReporter.reset();
}

void TqSchemaSrcWriter::ForgetDocument() {
  m_typesMap.clear();
  m_referableMap.clear();
  m_document = nullptr;
  m_schemaNode = nullptr;
}

bool TqSchemaSrcWriter::Emit(const std::string& name) {
  SetOutputFileName(name);
  return Emit();
}

bool TqSchemaSrcWriter::Emit(const char* name) { return Emit(std::string(name ? name : "")); }

bool TqSchemaSrcWriter::Interpret(const char* path) {
  return Interpret(std::string(path ? path : ""));
}

bool TqSchemaSrcWriter::Interpret(const std::string& path) {
  ForgetDocument();
  ClearGeneratedFiles();
  SetCurrentOutputStream(nullptr);
  if (GetOutputFileName().empty()) SetOutputFileName(BaseNameOfSchemaPath(path));

  if (!m_parser) {
    // Constructing a parser before the platform is initialised would crash.
    if (!xercesc::XMLPlatformUtils::fgMemoryManager) {
      TRAVIX_THROW("Error: Unable create XML4C DOM Parser.");
    }
    m_parser = std::make_unique<SecureDOMParser>();
  }
  if (!m_errorReporter) {
    m_errorReporter = std::make_unique<DOMErrorReporter>();
    m_parser->setErrorHandler(m_errorReporter.get());
  }
  try {
    m_parser->parse(path.c_str());
  } catch (XException& e) {
    // A file that cannot be opened has no location of its own.
    if (e.GetSourceFile().empty()) e.SetSourceFile(path);
    throw;
  }
  Dom::RefuseDeepNesting(m_parser->getDocument(), path);
  return Interpret(m_parser->getDocument());
}

bool TqSchemaSrcWriter::Interpret(xercesc::DOMDocument* doc) {
  // Nothing of an earlier document may survive: its nodes may be gone.
  ForgetDocument();
  Dom::RefuseDeepNesting(doc);
  m_document = doc;
  SchemaNormaliser(m_typesMap, m_referableMap, m_schemaNode).Normalise(doc);
  return true;
}

DOMElement* TqSchemaSrcWriter::FindType(std::u16string_view name) const {
  auto found = m_typesMap.find(name);
  return found == m_typesMap.end() ? nullptr : found->second;
}

std::u16string TqSchemaSrcWriter::GetBasetype(const std::string& datatypeName,
                                              const DOMNode* datatype) const {
  return Travix::GetBasetype(datatypeName, datatype);
}

bool TqSchemaSrcWriter::IsNumericType(const std::string& typeName) const {
  return Travix::IsNumericType(m_typesMap, ToUtf16(typeName));
}

bool TqSchemaSrcWriter::IsNumericType(std::u16string_view typeName) const {
  return Travix::IsNumericType(m_typesMap, typeName);
}

std::optional<TqSchemaSrcWriter::CLASS_TYPE> TqSchemaSrcWriter::ClassTypeOf(const DOMNode* node) {
  if (Dom::IsElement(node, Elem::Archetype)) return archetype;
  if (Dom::IsElement(node, Elem::Datatype)) return datatype;
  if (Dom::IsElement(node, Elem::Group)) return group;
  return std::nullopt;
}

TqSchemaSrcWriter::CONTENT_MODEL TqSchemaSrcWriter::ContentModelOf(
    const DOMElement* classElement, const std::string& classIdentifier) {
  auto content = Dom::GetAttribute(classElement, Attr::Content);
  if (!content || *content == Value::ElemOnly) return elemOnly;
  if (*content == Value::TextOnly) return textOnly;
  if (*content == Value::Mixed) return mixed;
  if (*content == Value::Empty) return empty;
  if (*content == Value::Any) return any;
  TRAVIX_THROW("Error: Unknown content model found in '" + classIdentifier + "'");
}

TqSchemaSrcWriter::ORDER TqSchemaSrcWriter::OrderOf(const DOMElement* classElement,
                                                    const std::string& classIdentifier) {
  auto order = Dom::GetAttribute(classElement, Attr::Order);
  if (!order || *order == Value::Seq) return seq;
  if (*order == Value::Choice) return choice;
  if (*order == Value::All) return all;
  TRAVIX_THROW("Error: Unknown order found in '" + classIdentifier + "'");
}

void TqSchemaSrcWriter::EmitSchema() {
  const std::string path = OutputPath("Travix_" + GetOutputFileName() + ".xsd");
  OutputFile file(path, "Error: Unable to open file '" + path + "' for schema output.");
  EmitDOMNode(file, GetDocument());
  file.Close("Error: Unable to write file '" + path + "' for schema output.");
}

}  // namespace Travix
