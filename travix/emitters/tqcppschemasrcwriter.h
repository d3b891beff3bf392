// TqCppSchemaSrcWriter: writes the C++ binding classes of a schema.
//
// From an interpreted (normalised) schema it writes a header declaring one
// class per named archetype, datatype and group, and a source file defining
// them and registering each with the runtime's object factory under its
// qualified name. The classes derive from the runtime's XObject, or from
// XDatatype for datatypes.
//
// The fixed text of both files lives in raw-string templates
// (emitters/cppbindingtemplates.h). While the children of one class are
// walked, the per-child pieces collect in the section buffers below and are
// spliced into the class's templates when the class is complete.
//
// Header and source are written by separate units (cppheaderemit.cpp,
// cppsourceemit.cpp, cppmemberemit.cpp); both read each child through
// DescribeChild, so a member is declared exactly as it is defined.
#ifndef TRAVIX_TQCPPSCHEMASRCWRITER_H
#define TRAVIX_TQCPPSCHEMASRCWRITER_H

#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <xercesc/dom/DOM.hpp>

#include "travix/emitters/srcwriapi.h"
#include "travix/emitters/tqcodesrcwriter.h"

namespace Travix {

class SRCWRI_API TqCppSchemaSrcWriter : public TqCodeSrcWriter {
public:
  TqCppSchemaSrcWriter();
  ~TqCppSchemaSrcWriter() override;

  // Writes the header, then the source file. False when the header could
  // not be completed; failures are thrown as XException.
  bool Emit() override;
  using TqSchemaSrcWriter::Emit;

protected:
  virtual void EmitHeaderFile();
  virtual void EmitCppFile();

  virtual void HeaderEmitNode(xercesc::DOMNode* node);
  virtual void HeaderEmitSchemaElems(xercesc::DOMNode* node);
  virtual void HeaderEmitArchElems(xercesc::DOMNode* node, const std::string& classIdentifier,
                                   CONTENT_MODEL content, ORDER order);
  virtual void HeaderEmitDatatypeElems(xercesc::DOMNode* node, const std::string& classIdentifier);

  virtual void CppEmitNode(xercesc::DOMNode* node);
  virtual void CppEmitSchemaElems(xercesc::DOMNode* node);
  // choiceMayBeEmpty is set when the child is an alternative of a choice
  // that may be left out.
  virtual void CppEmitArchElems(xercesc::DOMNode* node, const std::string& classIdentifier,
                                bool& choiceMayBeEmpty, CLASS_TYPE classType,
                                CONTENT_MODEL content, ORDER order);
  virtual void CppEmitDatatypeElems(xercesc::DOMNode* node, const std::string& classIdentifier,
                                    const std::u16string& basetype);
  virtual void CppEmitDatatypeLiterals(xercesc::DOMNode* node, const std::string& classIdentifier,
                                       const std::u16string& basetype,
                                       const std::string& runtimeBasetype, bool numeric);

  // What both files need to know about one child (element, attribute or
  // group reference) of an archetype or group.
  struct ChildDescription {
    bool attribute = false;
    bool groupReference = false;
    std::u16string sourceName;  // the element's or attribute's name, the group's ref
    std::string memberName;     // identifier behind m_, m_p, Get_ and Set_ ("List" for lists)
    std::u16string typeName;    // the schema type; "string" when none is given
    bool untyped = false;
    const xercesc::DOMElement* typeDefinition = nullptr;  // a type of the schema, or null
    std::string type;           // the C++ type of the member or attribute
    Occurrences occurrences;
    bool list = false;
    bool fixed = false;
    std::optional<std::u16string> value;  // the fixed value, else the default
  };
  // Null when the child has no name (no ref for a group). Throws for an
  // unknown type.
  std::optional<ChildDescription> DescribeChild(const xercesc::DOMElement* child);

  // Whether a class keeps its element children as members of their own;
  // mixed and any content keep them in one object list, a choice in
  // m_choice.
  static bool ChildrenAreMembers(CONTENT_MODEL content, ORDER order);
  // Whether a class has the m_choice member. The header and the source
  // file ask this one question.
  static bool HasChoiceMember(CLASS_TYPE classType, CONTENT_MODEL content, ORDER order);

  // The kind of class a child of <schema> defines; for anything else but a
  // top-level <element>, a note naming it, ended by noteEnd, goes into the
  // file instead.
  std::optional<CLASS_TYPE> ClassTypeOrNote(const xercesc::DOMElement* element,
                                            std::string_view noteEnd);
  // Tells on standard error of a node neither file has a place for (text,
  // comments and processing instructions are silently passed over).
  static void ReportUnrecognizedNode(const xercesc::DOMNode* node);

  // The C++ type naming a schema type: the runtime's value class for a
  // built-in type; for a type of the schema (its definition) its qualified
  // class name, which no member of the class being declared can hide.
  std::string TypeReference(const xercesc::DOMElement* definition, const std::u16string& typeName);
  // Text for use between double quotes in generated code.
  std::string Literal(std::u16string_view text);
  // The class's macro stem: the output base name in upper case, every
  // character but letters and digits "_".
  std::string MacroStem() const;

  // The text a child's fixed or default value is written as: a checked
  // number for a numeric type, else a quoted literal. classIdentifier
  // names the class in the error for a value that is not of the type.
  std::string ValueText(const ChildDescription& child, const std::string& classIdentifier);

private:
  // Records that a child of the class being declared generates name;
  // throws when another child (or the class itself) already did.
  void ClaimMemberName(const std::string& name, const std::string& owner,
                       const std::string& classIdentifier);
  void ClearClassSections();

  // Header sections of the class being declared.
  std::ostringstream m_headerAccessors;  // public accessor lines
  std::ostringstream m_headerMembers;    // protected data members
  std::map<std::string, std::string> m_memberOwners;  // generated name -> who made it

  // Source sections of the class being defined.
  std::ostringstream m_memberInitialisers;  // default constructor's initialiser list
  std::ostringstream m_constructorBody;     // every constructor but the copy constructor
  std::ostringstream m_destructorBody;
  std::ostringstream m_copyInitialisers;
  std::ostringstream m_copyBody;
  std::ostringstream m_assignmentBody;
  std::ostringstream m_accessorDefinitions;
  std::ostringstream m_validityChecks;
  std::vector<std::string> m_choiceTags;  // tags a choice may hold
  std::ostringstream m_emitChildren;
  std::ostringstream m_hasElementBody;
  std::ostringstream m_removeElementBody;
  // One factory registration per class of the schema, for Initialize().
  std::ostringstream m_registrations;
};

}  // namespace Travix

#endif
