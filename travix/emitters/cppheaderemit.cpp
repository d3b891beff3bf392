// The binding header: file skeleton, schema functions, forward declarations
// and one class declaration per archetype, datatype and group.
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

// Schema attributes repeated as comments above a class, with their labels.
struct CommentedAttribute {
  const XMLCh* name;
  const char* label;
};
constexpr CommentedAttribute kCommentedAttributes[] = {
    {Attr::Content, "// content      = '"},      {Attr::Model, "// model        = '"},
    {Attr::Order, "// order        = '"},        {Attr::Type, "// type         = '"},
    {Attr::Default, "// default      = '"},      {Attr::Fixed, "// fixed        = '"},
    {Attr::SchemaAbbrev, "// schemaAbbrev = '"}, {Attr::SchemaName, "// schemaName   = '"}};

// A schema value shown in a // comment. A line break would end the comment
// and let the rest of the value be compiled.
std::string CommentText(std::u16string_view value) {
  std::string text = wstringTostring(value);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return text;
}

}  // namespace

void TqCppSchemaSrcWriter::HeaderEmitNode(DOMNode* node) {
  if (!node) return;
  std::ostream& out = *GetCurrentOutputStream();
  if (node->getNodeType() == DOMNode::DOCUMENT_NODE) {
    const std::string stem = MacroStem();
    const std::string& ns = GetNamespace();
    const bool prefixed = GetNamespaceDisabled();
    const std::string exportMacro = GetDLLExportUsage() ? stem + "_API " : "";
    std::string fileName = GetOutputFileName() + GetHeaderSuffix();
    EmitFileHeader(&out, fileName, LINE_COMMENT);
    out << Splice(T::kHeaderOpening,
                  {{"STEM", stem},
                   {"MFC_DEFINE", GetMFCUsage() ? T::kMfcDefine : ""},
                   {"RUNTIME_HEADER", prefixed ? "travix_n.h" : "travix.h"},
                   {"EXPORT_MACRO_BLOCK",
                    GetDLLExportUsage() ? Splice(T::kExportMacroBlock, {{"STEM", stem}}) : ""},
                   {"TAB", "\t"},
                   // Token pasting cannot form "ns::x"; the scope operator
                   // is written as it stands.
                   {"NAMESPACE_MACRO", prefixed ? ns + " ## _ ## x" : ns + "::x"},
                   {"CLASS_MACRO", prefixed ? ns + " ## _ ## x" : "x"},
                   {"NAMESPACE_OPEN", prefixed ? "" : Splice(T::kNamespaceOpen, {{"NS", ns}})},
                   {"XOBJECTFACTORY", RuntimeName("XObjectFactory")},
                   {"EXPORT", exportMacro},
                   {"PREFIX", prefixed ? QualifiedName("") : ""}});
    for (DOMNode* child = node->getFirstChild(); child; child = child->getNextSibling()) {
      HeaderEmitNode(child);
    }
    out << Splice(T::kHeaderClosing,
                  {{"NAMESPACE_CLOSE", prefixed ? "" : Splice(T::kNamespaceClose, {{"NS", ns}})},
                   {"STEM", stem}});
    return;
  }
  if (node->getNodeType() == DOMNode::ELEMENT_NODE) {
    if (!Dom::IsElement(node, Elem::Schema)) {
      out << "// Expected schema and found: '" << wstringTostring(node->getNodeName()) << "'\n";
      return;
    }
    std::string forwards;
    for (const auto& [name, definition] : GetTypesMap()) {
      if (wstringTostring(name) == GetNamespace()) continue;
      forwards += "class " + ClassName(ClassIdentifier(name)) + ";\n";
    }
    out << Splice(T::kSchemaDeclarations,
                  {{"PREFIX", GetNamespaceDisabled() ? QualifiedName("") : ""},
                   {"FORWARD_DECLARATIONS", forwards}});
    for (DOMNode* child = node->getFirstChild(); child; child = child->getNextSibling()) {
      HeaderEmitSchemaElems(child);
    }
    return;
  }
  ReportUnrecognizedNode(node);
}

void TqCppSchemaSrcWriter::HeaderEmitSchemaElems(DOMNode* node) {
  if (!Dom::IsElement(node)) return;
  std::ostream& out = *GetCurrentOutputStream();
  auto* element = static_cast<DOMElement*>(node);
  const auto classType = ClassTypeOrNote(element, "\n\n");
  if (!classType) return;
  const auto name = Dom::GetAttribute(element, Attr::Name);
  if (!name) {
    out << "// Anonymous type found, not supported\n";
    return;
  }

  const std::string identifier = ClassIdentifier(*name);
  const std::string className = ClassName(identifier);
  std::string comments = "// Class for '" + identifier + "'\n";
  const CONTENT_MODEL content = ContentModelOf(element, identifier);
  const ORDER order = OrderOf(element, identifier);
  for (const CommentedAttribute& attribute : kCommentedAttributes) {
    if (auto value = Dom::GetAttribute(element, attribute.name)) {
      comments += attribute.label + CommentText(*value) + "'\n";
    }
  }

  ClearClassSections();
  ClaimMemberName(className, "the class name", identifier);
  ClaimMemberName("m_pAttributesMap", "the base class", identifier);

  std::string base = RuntimeName("XObject");
  std::string conversions, basetypeAssignment;
  if (*classType == datatype) {
    const std::u16string basetype = GetBasetype(wstringTostring(*name), element);
    const std::string plainType = XMLTypeToCppType(basetype);
    const std::string valueClass = XMLTypeToTravixType(basetype);
    const bool numeric = IsNumericBuiltInType(basetype);
    base = RuntimeName("XDatatype") + "< " + valueClass + (numeric ? ", true >" : ", false >");
    conversions = Splice(T::kConversionDeclaration, {{"N", className}, {"VALUE_TYPE", valueClass}});
    if (numeric) {
      conversions +=
          Splice(T::kConversionDeclaration, {{"N", className}, {"VALUE_TYPE", plainType}});
    } else {
      basetypeAssignment = Splice(T::kBasetypeAssignment, {{"N", className}, {"T", valueClass}});
    }
  } else if (content == mixed) {
    m_headerMembers << Splice(T::kMixedMember, {{"XOBJPTRLIST", RuntimeName("XObjPtrList")}});
    m_headerAccessors << Splice(T::kMixedAccessor, {{"XOBJPTRLIST", RuntimeName("XObjPtrList")}});
  } else if (content == textOnly) {
    m_headerMembers << Splice(T::kTextOnlyMember, {{"STRING", RuntimeName("string")}});
    m_headerAccessors << Splice(T::kTextOnlyAccessors, {{"STRING", RuntimeName("string")}});
  } else if (content == any) {
    m_headerMembers << Splice(T::kAnyMember, {{"XOBJPTRLIST", RuntimeName("XObjPtrList")}});
    m_headerAccessors << Splice(T::kAnyAccessor, {{"XOBJPTRLIST", RuntimeName("XObjPtrList")}});
  } else if (HasChoiceMember(*classType, content, order)) {
    m_headerMembers << Splice(T::kChoiceMember, {{"XOBJECT", RuntimeName("XObject")}});
    m_headerAccessors << Splice(T::kChoiceAccessors, {{"XOBJECT", RuntimeName("XObject")}});
  }

  for (DOMNode* child = element->getFirstChild(); child; child = child->getNextSibling()) {
    if (*classType == datatype) {
      HeaderEmitDatatypeElems(child, identifier);
    } else {
      HeaderEmitArchElems(child, identifier, content, order);
    }
  }

  out << Splice(
      T::kClassDeclaration,
      {{"COMMENTS", comments},
       {"EXPORT", GetDLLExportUsage() ? MacroStem() + "_API " : ""},
       {"N", className},
       {"BASE", base},
       {"CONVERSIONS", conversions},
       {"BASETYPE_ASSIGNMENT", basetypeAssignment},
       {"XOBJECT", RuntimeName("XObject")},
       {"ACCESSORS", m_headerAccessors.str()},
       {"ELEMENT_OPERATIONS", *classType == datatype
                                  ? std::string()
                                  : Splice(T::kElementOperations, {{"STREAM", GetStreamType()}})},
       {"MEMBERS", m_headerMembers.str()}});
  ClearClassSections();
}

void TqCppSchemaSrcWriter::HeaderEmitArchElems(DOMNode* node, const std::string& classIdentifier,
                                               CONTENT_MODEL content, ORDER order) {
  if (!Dom::IsElement(node)) return;
  auto* element = static_cast<DOMElement*>(node);
  const bool attribute = Dom::IsElement(element, Elem::Attribute);
  if (!attribute && !Dom::IsElement(element, Elem::Element) &&
      !Dom::IsElement(element, Elem::Group)) {
    m_headerMembers << "// ** Unknown item '" << wstringTostring(element->getNodeName()) << "'\n\n";
    return;
  }
  const bool groupReference = Dom::IsElement(element, Elem::Group);
  const auto sourceName = Dom::GetAttribute(element, groupReference ? Attr::Ref : Attr::Name);
  if (!sourceName) {
    TRAVIX_THROW("Error: anonymous element, attribute, or group found in '" + classIdentifier +
                 "'");
  }
  if (!attribute && content == any) {
    const std::string memberName =
        XMLTagToCppIdentifier(Dom::GetAttributeOr(element, Attr::MemberName, *sourceName), true);
    TRAVIX_THROW("Error: element '" + memberName + "' not allowed as subelement of '" +
                 classIdentifier + "' with content 'ANY'");
  }

  const ChildDescription child = *DescribeChild(element);
  if (child.untyped) m_headerMembers << "// Untyped element found, assuming type 'string'\n";
  const std::string& mn = child.memberName;
  const std::string owner = std::string(attribute        ? "the attribute '"
                                        : groupReference ? "the group '"
                                                         : "the element '") +
                            wstringTostring(child.sourceName) + "'";

  if (attribute) {
    ClaimMemberName("Get_" + mn, owner, classIdentifier);
    if (!child.fixed) ClaimMemberName("Set_" + mn, owner, classIdentifier);
    const std::string x = Literal(child.sourceName);
    m_headerAccessors << Splice(T::kAttributeGetter, {{"T", child.type},
                                                      {"MN", mn},
                                                      {"XOBJECT", RuntimeName("XObject")},
                                                      {"X", x},
                                                      {"XEXCEPTION", RuntimeName("XException")},
                                                      {"Q", QualifiedName(classIdentifier)}});
    if (!child.fixed)
      m_headerAccessors << Splice(T::kAttributeSetter, {{"MN", mn}, {"T", child.type}, {"X", x}});
    return;
  }
  if (!ChildrenAreMembers(content, order)) return;

  ClaimMemberName("Get_" + mn, owner, classIdentifier);
  if (child.list) {
    ClaimMemberName("m_" + mn, owner, classIdentifier);
    m_headerMembers << Splice(T::kListMemberDeclaration, {{"T", child.type}, {"MN", mn}});
    m_headerAccessors << Splice(T::kListAccessorDeclaration, {{"T", child.type}, {"MN", mn}});
  } else {
    ClaimMemberName("Set_" + mn, owner, classIdentifier);
    ClaimMemberName("Adopt_" + mn, owner, classIdentifier);
    ClaimMemberName("m_p" + mn, owner, classIdentifier);
    m_headerMembers << Splice(T::kSingleMemberDeclaration, {{"T", child.type}, {"MN", mn}});
    // A fixed element gets the setter too: the generated grammar sets
    // every element it reads, and the source defines it.
    m_headerAccessors << Splice(T::kSingleAccessorDeclarations, {{"T", child.type}, {"MN", mn}});
  }
}

void TqCppSchemaSrcWriter::HeaderEmitDatatypeElems(DOMNode* node,
                                                   const std::string& classIdentifier) {
  if (!Dom::IsElement(node)) return;
  auto* element = static_cast<DOMElement*>(node);
  const std::u16string name = Dom::NameOf(element);
  if (name == Elem::Basetype) {
    const auto basetype = Dom::GetAttribute(element, Attr::Name);
    if (!basetype) {
      TRAVIX_THROW("Error: Invalid unnamed basetype for datatype '" + classIdentifier + "'");
    }
    if (XMLTypeToTravixType(*basetype).empty()) {
      TRAVIX_THROW("Error: Datatype '" + classIdentifier + "' cannot be based on datatype '" +
                   wstringTostring(*basetype) + "' - not supported");
    }
    return;
  }
  if (Vocabulary::IsFacet(name) || name == Elem::Enumeration) return;
  TRAVIX_THROW("Error: Invalid facet '" + wstringTostring(name) + "' for datatype '" +
               classIdentifier + "'");
}

}  // namespace Travix
