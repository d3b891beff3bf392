// TqXMLParserSrcWriter: writes what reads documents of a schema into its
// binding classes.
//
// From the normalised schema it writes four files: a flex scanner
// (<base>_lexer.l), a bison grammar (<base>_parser.y) and an importer
// class (<base>_xmlimporter.h / .cpp) deriving from XMLImporterBase. The
// scanner hands symbol-table indexes to the grammar; the grammar's actions
// build the document from the classes the C++ binding writer generates,
// through the names both writers take from TqCodeSrcWriter. A project runs
// flex with -P<ns>_ and bison with -p <ns>_, so that the scanners and
// grammars of several schemas link into one program.
//
// The writer is used like the binding writer: set the options, Interpret
// a schema, Emit. The work is split over several sources: the walk of the
// schema (tqxmlparsergrammar.cpp), the rules of children and attributes
// (tqxmlparserchildren.cpp), the scanner file (tqxmlparserlexer.cpp), and
// the importer files (tqxmlparserimporter.cpp).
#ifndef TRAVIX_TQXMLPARSERSRCWRITER_H
#define TRAVIX_TQXMLPARSERSRCWRITER_H

#include <deque>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "travix/emitters/srcwriapi.h"
#include "travix/emitters/tqcodesrcwriter.h"

namespace Travix {

class SRCWRI_API TqXMLParserSrcWriter : public TqCodeSrcWriter {
public:
  TqXMLParserSrcWriter();
  ~TqXMLParserSrcWriter() override;

  // Writes the scanner, the grammar and the importer header and source, in
  // this order, each only when the ones before succeeded. Throws
  // XException for a schema the files cannot be made from.
  bool Emit() override;
  using TqSchemaSrcWriter::Emit;

  // The input was a DTD: the importer loads the DTD's text entities
  // (<ns>_entities) into the symbol table.
  void SetDTDMode(bool dtdMode) { m_dtdMode = dtdMode; }
  bool GetDTDMode() const { return m_dtdMode; }

  // The prefix every fixed grammar rule carries; no rule made from a
  // schema name takes a name of the fixed rules.
  static constexpr const char* kFixedRulePrefix = "xml_";

protected:
  virtual void EmitLexerFile();
  virtual void EmitParserFile();
  virtual void EmitXMLImporterHeaderFile();
  virtual void EmitXMLImporterCppFile();

  // The walk of the schema; each returns 0 or throws XException.
  virtual void ProcessNode(const xercesc::DOMNode* node);
  virtual void ProcessSchemaElems(const xercesc::DOMNode* node);
  // One child (element, group reference or attribute) of the archetype or
  // group P.
  virtual void ProcessArchElems(const xercesc::DOMNode* child, std::string parent, bool inGroup,
                                CONTENT_MODEL content, ORDER order);
  virtual void ProcessDatatypeElems(const xercesc::DOMNode* child, std::string datatype);
  virtual void ProcessDatatypeLiterals(const xercesc::DOMNode* enumeration, std::string datatype);

  virtual void LexerEmitDefinitionSection();
  virtual void LexerEmitRulesSection();
  virtual void LexerEmitUserSubroutinesSection();
  virtual void ParserEmitDefinitionSection();
  virtual void ParserEmitRulesSection();
  virtual void ParserEmitUserSubroutinesSection();

  using TqCodeSrcWriter::XMLTypeToParserType;
  const std::string XMLTypeToParserType(const std::string& type);
  // The identifier rule of member names (XMLTagToCppIdentifier), so that
  // the grammar calls the Set_/Get_ members the binding declares.
  virtual const std::string XMLTagToParserIdentifier(const std::u16string& tag, bool keepDigit);
  // True for the built-in names of the working-draft datatypes.
  virtual bool IsXMLDatatype(const std::u16string& name);

  // stem + suffix, or stem + n + suffix for the first n = 1, 2, ... not
  // handed out before. Never a fixed rule's name, a token's name, bison's
  // "error" or a name bison cannot read.
  std::string GetUniqueParserRuleName(std::string stem, std::string suffix);

private:
  // An XML tag as the scanner knows it: one STAGLEFT_<id> and one
  // ETAG_<id> per tag. Elements of one tag may be of several types, each
  // with attributes and text of its own; the scanner reads a start tag as
  // its primary rule's type until the grammar names the type the context
  // gives it.
  struct Tag {
    std::string xmlName;      // UTF-8, as documents spell it
    std::string id;
    std::string primaryRule;  // its rule at the document root and in any content
    std::string archetype;    // the archetype of its primary rule; empty for a value
    std::set<std::string> archetypes;  // of all its rules; empty for a value
    std::map<std::string, std::string> rulesByType;  // its rule for each type it has
  };

  // An attribute as the scanner knows it: its number (the entry of its
  // setter in the grammar), the start condition of its value, and whether
  // a start tag must have it.
  struct AttributeScan {
    std::string xmlName;
    int number = 0;
    std::string valueState;
    bool required = false;
  };

  // What an archetype's element rule needs, for its own tag and for
  // elements of its type under other names.
  struct ArchetypeGrammar {
    std::string rule;             // its own element rule
    std::string tagName;          // its own tag (XML name)
    CONTENT_MODEL content = elemOnly;
    std::string elemsRule;        // empty without content alternatives
    std::string endChecks;        // statements that check its finished object
    std::vector<AttributeScan> attributes;
  };

  // An element whose rule is not its type's archetype rule: a name other
  // than its archetype's, or a datatype or built-in type.
  struct ElementReference {
    enum Kind { fromBuiltIn, fromDatatype, fromArchetype };
    Kind kind = fromBuiltIn;
    std::string rule;
    std::string tagXmlName;
    std::string tagId;
    std::string valueClass;   // the class created for it
    std::string baseClass;    // a datatype's runtime base class
    std::string archetypeId;  // the archetype's identifier
    std::string typeName;     // the type as the schema names it
    bool enumerated = false;  // a datatype with literals
  };

  // An enumerated datatype: its literals, scanned in a start condition of
  // its own (<ns>_V_<id>) where nothing else matches.
  struct Enumeration {
    std::string state;
    std::vector<std::string> literals;  // those with text
    bool emptyLiteral = false;          // the empty value is one too
    bool used = false;
  };

  // A child of an archetype or group as the grammar reads it.
  struct ChildSymbol {
    std::string symbol;      // the grammar symbol of one occurrence
    std::string member;      // m of Set_m / Get_mList
    std::string valueClass;  // the class of one occurrence
    std::string value;       // the static that holds a finished occurrence
    std::string sourceName;  // the name HasElement knows it by
    bool isGroup = false;
    Occurrences occurrences;
  };

  void ResetWalk();
  void ReserveNames();
  void FinishWalk();
  void ProcessClass(const xercesc::DOMElement* classElement, CLASS_TYPE kind);
  void ProcessQueuedGroups();
  void WalkDatatype(const xercesc::DOMElement* datatype);
  void AddChildRules(const ChildSymbol& child, const std::string& parent, ORDER order);
  void AddMixedChild(const ChildSymbol& child, const std::string& parent);
  void CloseClass(const std::u16string& name, const std::string& parent, CLASS_TYPE kind,
                  ORDER order);
  std::string RequiredChildChecks(const std::string& object, const std::string& parent) const;
  std::string RepeatedRule(const std::string& rule, const ChildSymbol& child,
                           const std::string& firstAction, const std::string& nextAction);
  void ProcessAttribute(const xercesc::DOMElement* attribute, const std::string& parent);
  ChildSymbol ResolveChild(const xercesc::DOMElement* child, const std::string& parent);
  std::string ElementReferenceRule(const xercesc::DOMElement* element, const std::u16string& name,
                                   const std::u16string& type);
  const Enumeration* EnumerationOf(const xercesc::DOMElement* datatype, const std::string& id);
  // Whether a datatype has literals (the empty one included).
  static bool IsEnumerated(const xercesc::DOMElement* datatype);
  Tag& RegisterTag(const std::u16string& xmlName, bool textContent);
  const Tag* TagById(const std::string& id) const;

  // Whether white space in an element of this content is text.
  static bool HasTextContent(CONTENT_MODEL content) {
    return content == textOnly || content == mixed || content == any;
  }
  void NumberScannerTypes();
  int ScannerType(const std::string& archetype) const;
  std::string SelectScannerType(const Tag& tag, const std::string& archetype) const;
  void WriteArchetypeRule(std::ostream& out, const std::string& rule, const Tag& tag,
                          const std::string& archetype, bool setTag);
  void WriteTextElementRule(std::ostream& out, const ElementReference& reference, const Tag& tag);
  void WriteAnyContentRules();
  void WriteLexerRules();
  // Refuses an element of a tag of several types where nothing names its
  // type (tqxmlparsergrammar.cpp).
  std::string SeveralTypesGuard(const Tag& tag, const std::string& rule) const;
  std::string RootRule(const Tag& tag) const;
  // Throws, naming the archetype, when an element can match more than one
  // particle of a content model (tqxmlparsercontent.cpp).
  void RefuseAmbiguousContentModels() const;
  // Whether attributes of an enumerated datatype are read (their value states).
  bool HasLiteralStates() const;
  std::string ParentObject(const std::string& parent) const;
  std::string SchemaClass(const std::string& identifier) const;
  std::string CString(const std::string& text) const;

  std::string RuntimeList() const;

  bool m_dtdMode = false;
  std::string m_lexerSuffix = ".l";
  std::string m_parserSuffix = ".y";

  // Schema-specific scanner rules, in the order they are written.
  std::ostringstream m_lexStartTagRules;
  std::ostringstream m_lexEndTagRules;
  std::ostringstream m_lexLiteralRules;
  std::ostringstream m_lexLiteralTables;  // the literals of each value state, before the rules
  std::ostringstream m_lexTagTables;  // C tables of the elements and their attributes

  // Grammar rules, by the section they are written under.
  std::ostringstream m_archetypeRules;
  std::ostringstream m_elementRules;
  std::ostringstream m_elementReferenceRules;
  std::ostringstream m_occurrenceRules;
  std::ostringstream m_mixedContentRules;
  std::ostringstream m_attributeSetters;  // one function per attribute, by number

  // Scratch of the archetype or group being walked.
  std::ostringstream m_mixedBody;
  std::vector<std::string> m_elemsItems;      // sequence items or alternatives
  std::vector<std::string> m_mixedElementChildren;  // symbols of mixed content's children
  std::vector<std::string> m_mixedGroupChildren;
  std::vector<ChildSymbol> m_requiredAllChildren;  // required children in all order
  int m_elemsAlternatives = 0;
  int m_attributeNumber = 0;  // attributes so far, and the next one's number
  bool m_choiceMayBeEmpty = false;
  std::string m_currentMixedRule;

  std::map<std::string, Tag> m_tags;                   // by XML name
  // The scanner's element types: each archetype with attributes (by
  // identifier), then elements and text without attributes.
  std::map<std::string, int> m_scannerTypes;
  int m_elementsScannerType = 0;
  std::set<std::string> m_elementSet;                  // tag identifiers
  std::set<std::string> m_textContentSet;              // tag identifiers
  std::map<std::string, std::string> m_anyContent;     // archetype -> rule
  std::set<std::string> m_usedRuleNames;
  std::set<std::string> m_enumeratedDatatypes;
  std::map<std::string, Enumeration> m_enumerations;   // by datatype identifier
  std::map<std::string, ArchetypeGrammar> m_archetypes;  // by identifier
  std::map<std::u16string, std::string> m_groupRules;    // group name -> rule
  std::set<std::u16string> m_walkedGroups;
  std::deque<const xercesc::DOMElement*> m_groupQueue;
  std::set<std::u16string> m_walkedDatatypes;
  std::map<std::pair<std::u16string, std::u16string>, std::string> m_elementReferenceRuleNames;
  std::vector<ElementReference> m_elementReferences;
  bool m_textOnly = false;  // some element has text content: sTextOnly
  bool m_hasIDs = false;    // some attribute is an ID: the ID set
};

}  // namespace Travix

#endif
