#include "travix/emitters/tqcppschemasrcwriter.h"

#include <fstream>
#include <iostream>
#include <memory>

#include "travix/emitters/cppliterals.h"
#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix {

using xercesc::DOMElement;
namespace Elem = Vocabulary::Elem;
namespace Attr = Vocabulary::Attr;

TqCppSchemaSrcWriter::TqCppSchemaSrcWriter() = default;
TqCppSchemaSrcWriter::~TqCppSchemaSrcWriter() = default;

bool TqCppSchemaSrcWriter::Emit() {
  if (!GetDocument()) TRAVIX_THROW("Error: No schema has been interpreted.");
  PrepareEmit();
  // What a failed earlier run left behind must not reach this one.
  ClearClassSections();
  m_registrations.str("");
  // A file that cannot be written throws; the source is not attempted then.
  EmitHeaderFile();
  EmitCppFile();
  return true;
}

void TqCppSchemaSrcWriter::EmitHeaderFile() {
  const std::string path = OutputPath(GetOutputFileName() + GetHeaderSuffix());
  OpenCurrentOutputFile(path, "Error: Unable to open header file '" + path + "' for output.");
  AddGeneratedFile(path);
  try {
    HeaderEmitNode(GetDocument());
  } catch (...) {
    // Closing keeps what was written, as far as it got.
    SetCurrentOutputStream(nullptr);
    throw;
  }
  CloseCurrentOutputFile("Error: Unable to write header file '" + path + "'.");
}

void TqCppSchemaSrcWriter::EmitCppFile() {
  const std::string path = OutputPath(GetOutputFileName() + GetCppSuffix());
  OpenCurrentOutputFile(path, "Error: Unable to open source file '" + path + "' for output.");
  AddGeneratedFile(path);
  try {
    CppEmitNode(GetDocument());
  } catch (...) {
    SetCurrentOutputStream(nullptr);
    throw;
  }
  CloseCurrentOutputFile("Error: Unable to write source file '" + path + "'.");
}

void TqCppSchemaSrcWriter::ClearClassSections() {
  for (std::ostringstream* section :
       {&m_headerAccessors, &m_headerMembers, &m_memberInitialisers, &m_constructorBody,
        &m_destructorBody, &m_copyInitialisers, &m_copyBody, &m_assignmentBody,
        &m_accessorDefinitions, &m_validityChecks, &m_emitChildren, &m_hasElementBody,
        &m_removeElementBody}) {
    section->str("");
  }
  m_choiceTags.clear();
  m_memberOwners.clear();
}

bool TqCppSchemaSrcWriter::ChildrenAreMembers(CONTENT_MODEL content, ORDER order) {
  return content != mixed && content != any && order != choice;
}

bool TqCppSchemaSrcWriter::HasChoiceMember(CLASS_TYPE classType, CONTENT_MODEL content,
                                           ORDER order) {
  return classType != datatype && order == choice && content != mixed && content != any &&
         content != textOnly;
}

std::optional<TqSchemaSrcWriter::CLASS_TYPE> TqCppSchemaSrcWriter::ClassTypeOrNote(
    const DOMElement* element, std::string_view noteEnd) {
  const auto classType = ClassTypeOf(element);
  if (!classType && !Dom::IsElement(element, Elem::Element)) {
    *GetCurrentOutputStream() << "// ** Unknown item '" << wstringTostring(element->getNodeName())
                              << "'" << noteEnd;
  }
  return classType;
}

void TqCppSchemaSrcWriter::ReportUnrecognizedNode(const xercesc::DOMNode* node) {
  switch (node->getNodeType()) {
    case xercesc::DOMNode::TEXT_NODE:
    case xercesc::DOMNode::CDATA_SECTION_NODE:
    case xercesc::DOMNode::ENTITY_REFERENCE_NODE:
    case xercesc::DOMNode::PROCESSING_INSTRUCTION_NODE:
    case xercesc::DOMNode::COMMENT_NODE:
      return;
    default:
      std::cerr << "Unrecognized node type = " << node->getNodeType()
                << " Tag = " << wstringTostring(node->getNodeName()) << std::endl;
  }
}

std::string TqCppSchemaSrcWriter::TypeReference(const DOMElement* definition,
                                                const std::u16string& typeName) {
  if (definition) return QualifiedName(ClassIdentifier(typeName));
  return XMLTypeToTravixType(typeName);
}

std::string TqCppSchemaSrcWriter::Literal(std::u16string_view text) {
  std::string literal = wstringTostring(text);
  XMLStringToCppString(literal);
  return literal;
}

std::string TqCppSchemaSrcWriter::MacroStem() const { return MacroStemOf(GetOutputFileName()); }

std::optional<TqCppSchemaSrcWriter::ChildDescription> TqCppSchemaSrcWriter::DescribeChild(
    const DOMElement* child) {
  ChildDescription description;
  description.attribute = Dom::IsElement(child, Elem::Attribute);
  description.groupReference = Dom::IsElement(child, Elem::Group);
  auto sourceName = Dom::GetAttribute(child, description.groupReference ? Attr::Ref : Attr::Name);
  if (!sourceName) return std::nullopt;
  description.sourceName = *sourceName;
  description.memberName = XMLTagToCppIdentifier(
      Dom::GetAttributeOr(child, Attr::MemberName, description.sourceName), true);

  if (description.groupReference) {
    description.typeName = description.sourceName;
  } else if (auto type = Dom::GetAttribute(child, Attr::Type)) {
    description.typeName = *type;
  } else {
    description.typeName = u"string";
    description.untyped = true;
  }
  description.typeDefinition = FindChildType(child, description.typeName);
  description.type = TypeReference(description.typeDefinition, description.typeName);

  description.occurrences = ChildOccurrences(child);
  // An attribute stands at most once on an element, whatever its counts say.
  description.list = !description.attribute && description.occurrences.IsRepeated();
  if (description.list) {
    description.type = RuntimeName("XList") + "<" + description.type + " *>";
    description.memberName += "List";
  }
  description.fixed = Dom::GetAttribute(child, Attr::Fixed).has_value();
  description.value = Dom::GetAttribute(child, Attr::Fixed);
  if (!description.value) description.value = Dom::GetAttribute(child, Attr::Default);
  return description;
}

std::string TqCppSchemaSrcWriter::ValueText(const ChildDescription& child,
                                            const std::string& classIdentifier) {
  if (!IsNumericValue(child.typeDefinition, child.typeName)) {
    const std::string text = "\"" + Literal(*child.value) + "\"";
    if (!child.typeDefinition) return text;
    // A datatype is assigned its basetype's value; a token list has no
    // conversion from text, only an assignment, so one is read first.
    const std::u16string basetype = GetBasetype(wstringTostring(child.typeName), child.typeDefinition);
    if (basetype != u"NMTOKENS" && basetype != u"IDREFS") return text;
    return "(" + XMLTypeToTravixType(basetype) + "() = " + text + ")";
  }
  const std::u16string builtIn =
      child.typeDefinition ? GetBasetype(wstringTostring(child.typeName), child.typeDefinition)
                           : child.typeName;
  auto literal = NumericLiteral(builtIn, wstringTostring(*child.value));
  if (!literal) {
    TRAVIX_THROW("Error: The value '" + wstringTostring(*child.value) + "' of '" +
                 wstringTostring(child.sourceName) + "' in '" + classIdentifier +
                 "' is not a value of type '" + wstringTostring(builtIn) + "'");
  }
  return *literal;
}

void TqCppSchemaSrcWriter::ClaimMemberName(const std::string& name, const std::string& owner,
                                           const std::string& classIdentifier) {
  auto [claimed, inserted] = m_memberOwners.emplace(name, owner);
  if (!inserted) {
    TRAVIX_THROW("Error: " + claimed->second + " and " + owner + " of '" + classIdentifier +
                 "' both become '" + name + "'");
  }
}

}  // namespace Travix
