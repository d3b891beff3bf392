// TqCodeSrcWriter: what the C++ binding writer and the parser writer share.
//
// Both writers generate code that must agree to the letter: a schema name
// becomes one class identifier, one member name and one factory key in the
// binding classes and in the grammar that fills them. So the options, the
// text accessors that switch between MFC and standard-library spellings,
// the type maps and every naming and escaping rule live here, once, and
// both writers derive from this class.
#ifndef TRAVIX_TQCODESRCWRITER_H
#define TRAVIX_TQCODESRCWRITER_H

#include <string>
#include <string_view>

#include "travix/emitters/srcwriapi.h"
#include "travix/emitters/tqschemasrcwriter.h"

namespace Travix {

class SRCWRI_API TqCodeSrcWriter : public TqSchemaSrcWriter {
public:
  TqCodeSrcWriter();
  ~TqCodeSrcWriter() override;

  // The generated namespace (or, with namespaces disabled, the prefix of
  // every generated name). Also becomes the output base name, so the
  // generated files are named after it.
  void SetNamespace(const std::string& name);
  const std::string& GetNamespace() const { return m_namespace; }
  // Namespaces off: generated names are prefixed with the namespace and
  // "_", and the runtime's Travix_ names are used.
  void SetNamespaceDisabled(bool disabled);
  bool GetNamespaceDisabled() const { return m_namespaceDisabled; }
  void SetDLLExportUsage(bool use) { m_dllExportUsage = use; }
  bool GetDLLExportUsage() const { return m_dllExportUsage; }
  void SetMFCUsage(bool use) { m_mfcUsage = use; }
  bool GetMFCUsage() const { return m_mfcUsage; }
  void SetHeaderSuffix(const std::string& suffix) { m_headerSuffix = suffix; }
  const std::string& GetHeaderSuffix() const { return m_headerSuffix; }
  void SetCppSuffix(const std::string& suffix) { m_cppSuffix = suffix; }
  const std::string& GetCppSuffix() const { return m_cppSuffix; }

  // Applies the shared identifier rule to a schema name used as a class
  // name: the characters of XMLTagToCppIdentifier, and a trailing "_" for
  // names the generated code cannot use alone (C++ keywords, names of
  // generated functions, std, Travix, common macros, and the macros the
  // generated files define from the output base name and the namespace).
  std::string ClassIdentifier(std::u16string_view name) const;

  // XMLTagToCppIdentifier without the writer: letters and digits kept,
  // every other character "_", "X" before a leading digit unless
  // keepDigit, "" for "", "#BAD_IDENTIFIER#" when nothing survives
  // narrowing.
  static std::string TagToIdentifier(std::u16string_view tag, bool keepDigit);

  // Escapes text in place for use between double quotes in C++ or C.
  static void EscapeCppString(std::string& text);

  // True for names the identifier rule renames whatever the output names:
  // keywords, generated functions and members, and macros of the runtime,
  // the scanner, the grammar and the system headers.
  static bool IsReservedIdentifier(std::string_view identifier);
  // True for the macros the generated files define from the output base
  // name or the namespace (include guards, export macros, naming macros).
  // The binding header and the importer header are included side by side,
  // so both writers rename all of them alike.
  bool IsGeneratedMacroName(std::string_view identifier) const;

  // A name as the generated macros spell it: upper case, every character
  // other than a letter or digit "_".
  static std::string MacroStemOf(std::string_view name);

  // How often a child of a class may stand: minOccurs and maxOccurs read
  // the way both writers read them (leading digits count, an absent or
  // unreadable value is 0, maxOccurs "*" is unbounded). A maxOccurs absent
  // beside a minOccurs is 1, the vocabulary's default: minOccurs "0" alone
  // is how XDR schemas say "optional".
  struct Occurrences {
    int min = 0;
    int max = 0;
    bool unbounded = false;
    // A list member, or a repeated rule in the grammar.
    bool IsRepeated() const { return min > 1 || max > 1 || unbounded; }
    // Zero or one, or zero or more. Without counts a child stands exactly
    // once.
    bool MayBeAbsent() const { return min == 0 && (max >= 1 || unbounded); }
  };
  static Occurrences OccurrencesOf(const xercesc::DOMElement* element);

protected:
  // Text accessors chosen by the MFC flag.
  const char* GetEndL() const { return m_mfcUsage ? "Travix::EndL" : "std::endl"; }
  const char* GetListAppendFunc() const { return m_mfcUsage ? "AddTail" : "push_back"; }
  const char* GetListTailFunc() const { return m_mfcUsage ? "GetTail()" : "back()"; }
  const char* GetListSizeFunc() const { return m_mfcUsage ? "GetCount()" : "size()"; }
  const char* GetListHeadFunc() const { return m_mfcUsage ? "GetHead()" : "front()"; }
  const char* GetStringType() const { return m_mfcUsage ? "CString" : "std::string"; }
  const char* GetStringPtr() const { return m_mfcUsage ? "GetBuffer(0)" : "c_str()"; }
  const char* GetStreamType() const { return "std::ostream"; }

  const std::string& GetNamespaceDelimiter() const { return m_namespaceDelimiter; }
  const std::string& GetRuntimeNamespace() const { return m_runtimeNamespace; }
  // A runtime class as generated code spells it: "Travix::XObject", or
  // "Travix_XObject" with namespaces disabled.
  std::string RuntimeName(std::string_view className) const;
  // A generated class's qualified name, namespace + delimiter +
  // identifier ("ns::Item" or "ns_Item"); also its factory key.
  std::string QualifiedName(const std::string& identifier) const;
  // The name a generated class is declared under: the identifier inside
  // the namespace, or the qualified name with namespaces disabled.
  std::string ClassName(const std::string& identifier) const;

  // The first steps of both writers' Emit(): the namespace defaults to the
  // output base name, the generated-files list is emptied, and the names
  // are checked (the namespace against the schema's types, and no two
  // types that become one class identifier). Throws XException.
  void PrepareEmit();

  // The conversions every generated name and type passes through.
  virtual const std::string XMLTypeToTravixType(const std::u16string& type);
  virtual const std::string XMLTypeToCppType(const std::u16string& type);
  virtual const std::string XMLTagToCppIdentifier(const std::u16string& tag, bool keepDigit);
  virtual void XMLStringToCppString(std::string& text);
  // The plain value type the grammar's actions use: as XMLTypeToCppType,
  // except that NMTOKENS and IDREFS are read as the string type.
  const std::string XMLTypeToParserType(const std::u16string& type);

  // The occurrences of a child of an archetype or group. A group
  // reference takes them from the group's definition, where normalisation
  // leaves them.
  Occurrences ChildOccurrences(const xercesc::DOMElement* child) const;

  // The schema type a child's `type` names: an archetype, datatype or
  // group for an element, only a datatype for an attribute, which holds a
  // simple value (a DTD may declare an element called "string" beside its
  // CDATA attributes). Null when the name is a built-in type or unknown.
  const xercesc::DOMElement* FindChildType(const xercesc::DOMElement* child,
                                           std::u16string_view typeName) const;

  // Whether a child's value is numeric: its datatype's basetype, or the
  // built-in type it names when definition is null.
  bool IsNumericValue(const xercesc::DOMElement* definition, std::u16string_view typeName) const;
  // Whether a built-in type name is numeric, whatever the schema calls its
  // own types (a datatype's basetype is always built in).
  static bool IsNumericBuiltInType(std::u16string_view typeName);

private:
  std::string m_namespace;
  std::string m_runtimeNamespace = "Travix";
  std::string m_namespaceDelimiter = "::";
  bool m_namespaceDisabled = false;
  bool m_dllExportUsage = true;
  bool m_mfcUsage = false;
  std::string m_headerSuffix = ".h";
  std::string m_cppSuffix = ".cpp";
};

}  // namespace Travix

#endif
