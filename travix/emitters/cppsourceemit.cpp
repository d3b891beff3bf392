// The binding source: schema functions, the member functions of every
// class declared in the header, and Initialize() registering the classes.
#include "travix/emitters/cppbindingtemplates.h"
#include "travix/emitters/textsplice.h"
#include "travix/emitters/tqcppschemasrcwriter.h"
#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix {

using xercesc::DOMElement;
using xercesc::DOMNode;
namespace Elem = Vocabulary::Elem;
namespace Attr = Vocabulary::Attr;
namespace T = CppBindingTemplates;

namespace {

struct SchemaAttributeFunction {
  const XMLCh* attribute;
  const char* name;
};
constexpr SchemaAttributeFunction kSchemaAttributeFunctions[] = {
    {Attr::TargetNS, "targetNS"}, {Attr::Xmlns, "xmlns"}, {Attr::Version, "version"},
    {Attr::Model, "model"}};


// The alternatives of a choice as the condition that none of them is held:
// one tag test per line, joined by &&.
std::string NoAlternativeHeld(const std::vector<std::string>& tagTests) {
  std::string condition;
  for (const std::string& test : tagTests) {
    if (!condition.empty()) condition += " &&\n";
    condition += test;
  }
  // The first test stands behind "if (", not on a line of its own.
  return condition.substr(condition.find_first_not_of(' '));
}

}  // namespace

void TqCppSchemaSrcWriter::CppEmitNode(DOMNode* node) {
  if (!node) return;
  std::ostream& out = *GetCurrentOutputStream();
  if (node->getNodeType() == DOMNode::DOCUMENT_NODE) {
    std::string fileName = GetOutputFileName() + GetCppSuffix();
    EmitFileHeader(&out, fileName, LINE_COMMENT);
    out << Splice(T::kSourceOpening, {{"HEADER", GetOutputFileName() + GetHeaderSuffix()}});
    for (DOMNode* child = node->getFirstChild(); child; child = child->getNextSibling()) {
      CppEmitNode(child);
    }
    return;
  }
  if (node->getNodeType() == DOMNode::ELEMENT_NODE) {
    if (!Dom::IsElement(node, Elem::Schema)) {
      out << "// Expected schema and found: '" << wstringTostring(node->getNodeName()) << "'\n";
      return;
    }
    auto* schema = static_cast<DOMElement*>(node);
    const std::string prefix = QualifiedName("");
    for (const SchemaAttributeFunction& function : kSchemaAttributeFunctions) {
      const auto value = Dom::GetAttribute(schema, function.attribute);
      const bool model = function.attribute == Attr::Model;
      out << Splice(T::kSchemaAttributeFunction,
                    {{"PREFIX", prefix},
                     {"ATTRIBUTE", function.name},
                     {"VALUE", value ? Literal(*value) : std::string()},
                     {"AFTER_RETURN", model && value ? "\n" : ""}});
    }
    for (DOMNode* child = node->getFirstChild(); child; child = child->getNextSibling()) {
      CppEmitSchemaElems(child);
    }
    out << Splice(T::kInitializeDefinition, {{"XOBJECTFACTORY", RuntimeName("XObjectFactory")},
                                             {"PREFIX", prefix},
                                             {"REGISTRATIONS", m_registrations.str()}});
    m_registrations.str("");
    return;
  }
  ReportUnrecognizedNode(node);
}

void TqCppSchemaSrcWriter::CppEmitSchemaElems(DOMNode* node) {
  if (!Dom::IsElement(node)) return;
  std::ostream& out = *GetCurrentOutputStream();
  auto* element = static_cast<DOMElement*>(node);
  const auto classType = ClassTypeOrNote(element, "\n");
  if (!classType) return;
  const auto name = Dom::GetAttribute(element, Attr::Name);
  if (!name) return;

  const std::string identifier = ClassIdentifier(*name);
  const std::string className = ClassName(identifier);
  const std::string qualified = QualifiedName(identifier);
  const std::string schemaName = Literal(*name);
  const CONTENT_MODEL content = ContentModelOf(element, identifier);
  const ORDER order = OrderOf(element, identifier);
  const bool isDatatype = *classType == datatype;
  const bool hasChoice = HasChoiceMember(*classType, content, order);
  ClearClassSections();

  out << Splice(T::kClassFunctionsComment, {{"Q", qualified}});
  m_registrations << Splice(T::kRegistration,
                            {{"XOBJECTFACTORY", RuntimeName("XObjectFactory")}, {"Q", qualified}});

  std::u16string basetype;
  std::string base = RuntimeName("XObject");
  std::string valueClass, plainType;
  bool numeric = false;
  if (isDatatype) {
    basetype = GetBasetype(wstringTostring(*name), element);
    valueClass = XMLTypeToTravixType(basetype);
    plainType = XMLTypeToCppType(basetype);
    numeric = IsNumericBuiltInType(basetype);
    base = RuntimeName("XDatatype") + "< " + valueClass + (numeric ? ", true >" : ", false >");
  }

  std::string contentInitialiser, contentCopy, contentAssignment;
  if (isDatatype) {
    contentAssignment = "  m_value = other.m_value;\n";
  } else if (content == mixed) {
    contentInitialiser = ",\n  m_mixed()";
    contentCopy = contentAssignment = "  m_mixed = other.m_mixed;\n";
  } else if (content == any) {
    contentInitialiser = ",\n  m_anyContent()";
    contentCopy = contentAssignment = "  m_anyContent = other.m_anyContent;\n";
  } else if (content == textOnly) {
    contentCopy = contentAssignment = "  mContent = other.mContent;\n";
  } else if (hasChoice) {
    contentInitialiser = ",\n  m_choice(0)";
    contentCopy = T::kChoiceCopy;
    contentAssignment = T::kChoiceAssignment;
  }

  bool choiceMayBeEmpty = false;
  for (DOMNode* child = element->getFirstChild(); child; child = child->getNextSibling()) {
    if (isDatatype) {
      CppEmitDatatypeElems(child, identifier, basetype);
    } else {
      CppEmitArchElems(child, identifier, choiceMayBeEmpty, *classType, content, order);
    }
  }

  const std::string constructorBody = m_constructorBody.str();
  out << Splice(T::kDefaultConstructor, {{"Q", qualified},
                                         {"N", className},
                                         {"BASE", base},
                                         {"SCHEMA_NAME", schemaName},
                                         {"CONTENT_INITIALISER", contentInitialiser},
                                         {"MEMBER_INITIALISERS", m_memberInitialisers.str()},
                                         {"BODY", constructorBody}});
  out << Splice(T::kCopyConstructor, {{"Q", qualified},
                                      {"N", className},
                                      {"BASE", base},
                                      {"CONTENT_INITIALISER", contentInitialiser},
                                      {"MEMBER_INITIALISERS", m_copyInitialisers.str()},
                                      {"CONTENT_COPY", contentCopy},
                                      {"BODY", m_copyBody.str()}});
  if (isDatatype) {
    out << Splice(T::kConversionConstructor, {{"Q", qualified},
                                              {"N", className},
                                              {"T", valueClass},
                                              {"BASE", base},
                                              {"SCHEMA_NAME", schemaName},
                                              {"BODY", constructorBody}});
    if (numeric) {
      out << Splice(T::kNumericConversionConstructor, {{"Q", qualified},
                                                       {"N", className},
                                                       {"C", plainType},
                                                       {"T", valueClass},
                                                       {"BASE", base},
                                                       {"SCHEMA_NAME", schemaName},
                                                       {"BODY", constructorBody}});
    }
  }
  out << Splice(T::kDestructor, {{"Q", qualified},
                                 {"N", className},
                                 {"CHOICE_DELETE", hasChoice ? T::kChoiceDelete : ""},
                                 {"BODY", m_destructorBody.str()}});
  out << Splice(T::kAssignment, {{"Q", qualified},
                                 {"N", className},
                                 {"CONTENT_ASSIGNMENT", contentAssignment},
                                 {"BODY", m_assignmentBody.str()}});
  out << m_accessorDefinitions.str() << "\n";

  // Datatypes take their remaining operations from the runtime.
  if (!isDatatype) {
    out << Splice(T::kHasElement, {{"Q", qualified}, {"BODY", m_hasElementBody.str()}});
    out << Splice(T::kRemoveElement, {{"Q", qualified}, {"BODY", m_removeElementBody.str()}});

    const std::string la = RuntimeName("LEFT_ANGLE"), ra = RuntimeName("RIGHT_ANGLE"),
                      sl = RuntimeName("SLASH"), el = GetEndL();
    const std::string children =
        hasChoice ? Splice(T::kEmitChoice, {{"INDENT", *classType == group ? "indentLevel"
                                                                           : "indentLevel+1"}})
                  : m_emitChildren.str();
    std::string emit;
    if (*classType == group) {
      if (content == mixed) emit = Splice(T::kEmitGroupList, {{"LIST", "m_mixed"}});
      if (content == any) emit = Splice(T::kEmitGroupList, {{"LIST", "m_anyContent"}});
      if (content == textOnly) emit = Splice(T::kEmitGroupList, {{"LIST", "mContent"}});
      emit += children;
    } else {
      emit = Splice(T::kEmitOpening, {{"LA", la}});
      switch (content) {
        case empty:
          emit += Splice(T::kEmitEmpty, {{"SL", sl}, {"RA", ra}, {"EL", el}});
          break;
        case mixed:
        case any:
          emit += Splice(T::kEmitList, {{"WHAT", content == mixed ? "mixed" : "'any'"},
                                        {"LIST", content == mixed ? "m_mixed" : "m_anyContent"},
                                        {"SIZE", GetListSizeFunc()},
                                        {"LA", la},
                                        {"SL", sl},
                                        {"RA", ra},
                                        {"EL", el}});
          break;
        case textOnly:
          emit += Splice(T::kEmitTextOnly, {{"LA", la}, {"SL", sl}, {"RA", ra}, {"EL", el}});
          break;
        case elemOnly:
          emit += Splice(T::kEmitElementContent,
                         {{"CHILDREN", children}, {"LA", la}, {"SL", sl}, {"RA", ra}, {"EL", el}});
          break;
      }
    }
    out << Splice(T::kEmitXML, {{"Q", qualified}, {"BODY", emit}});

    const std::string exception = RuntimeName("XException");
    std::string checks = m_validityChecks.str();
    if (content == mixed) {
      checks += Splice(T::kValidList, {{"LIST", "m_mixed"}});
    } else if (content == any) {
      checks += Splice(T::kValidList, {{"LIST", "m_anyContent"}});
    } else if (hasChoice && m_choiceTags.empty()) {
      checks += T::kChoiceOptional;
      checks += Splice(T::kChoiceNothingAllowed, {{"XEXCEPTION", exception}, {"Q", qualified}});
    } else if (hasChoice) {
      checks += choiceMayBeEmpty
                    ? std::string(T::kChoiceOptional)
                    : Splice(T::kChoiceRequired, {{"XEXCEPTION", exception}, {"Q", qualified}});
      checks += Splice(T::kChoiceTagCheck, {{"TAGS", NoAlternativeHeld(m_choiceTags)},
                                            {"XEXCEPTION", exception},
                                            {"Q", qualified}});
    } else {
      checks += T::kValidReturn;
    }
    out << Splice(T::kIsValid, {{"Q", qualified}, {"XEXCEPTION", exception}, {"BODY", checks}});
  }
  ClearClassSections();
}

}  // namespace Travix
