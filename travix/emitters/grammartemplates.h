// The fixed text of the generated bison grammar.
//
// Spliced with Splice (emitters/textsplice.h). Markers used throughout:
//   NS        the namespace, prefix of the grammar's public symbols
//             (bison runs with -p <ns>_)
//   XOBJECT   the runtime's XObject in the naming form in use
//   and one marker per schema-specific part, named where it stands.
// The fixed rules carry the reserved prefix "xml_", so that no rule made
// from a schema name can merge with them. Internal to the parser writer.
#ifndef TRAVIX_GRAMMARTEMPLATES_H
#define TRAVIX_GRAMMARTEMPLATES_H

#include <string_view>

namespace Travix::GrammarTemplates {

// The prologue up to the declarations of the schema's statics.
inline constexpr std::string_view kPrologue = R"~(%{
@HEADER@#include <iostream>
#include <string>
#include <set>
#include <stack>
#include <cstring>
#include <typeinfo>
#include "travixsymbol.h"
#include "@BINDING_HEADER@"

extern "C"
{
	int @NS@_lex(void);
	void @NS@_error(const char *szErrorText);
	extern int @NS@_lval;
	extern int @NS@_nParserError;
	void @NS@_SelectElementType(int nType);
}

@XOBJECT@ * @NS@_GetRootObject();
void @NS@_ResetParser();

)~";

// The statics every grammar has, and the end of the prologue.
inline constexpr std::string_view kElementStack = R"~(/* Element stack */
static std::stack<@XOBJECT@ *> parentStack;
static @XOBJECT@ * pRootObject = 0;
static @XOBJECT@ * pCurrentElement = 0;
static @XOBJECT@ * pCurrentGroupElement = 0;

/* The actions' work, one call per child or attribute: large schemas give
   the parse function thousands of actions, which stay small this way.
   SetElement makes a finished single child a member of the object being
   read (or sets a copy and frees it); AppendElement appends it to a list; SetChoice makes a child or
   a list of children the choice; SetAttribute and SetDatatypeAttribute
   convert an attribute's text to its class, the latter as the
   datatype's base, and refuse it (1) when the object being read is of
   another class (elements of one tag may differ in type) or, for a
   datatype, when the datatype's check refuses the value. Both hand the
   value they make over to the Set_ function, whose attribute keeps that
   object rather than a clone of it. */
template <class Object>
static Object * As(@XOBJECT@ * pObject)
{
	/* Objects are nearly always exactly of the class the grammar made
	   them as, which typeid tells faster than dynamic_cast. */
	if (pObject != 0 && typeid(*pObject) == typeid(Object))
		return static_cast<Object *>(pObject);
	return dynamic_cast<Object *>(pObject);
}

template <class Object>
static Object * Parent()
{
	return As<Object>(parentStack.top());
}

template <class Object, class Value>
static void SetElement(void (Object::*set)(const Value &), bool (Object::*adopt)(Value *),
	@XOBJECT@ *&pElement)
{
	Object *pParent = Parent<Object>();
	Value *pValue = As<Value>(pElement);
	if (!(pParent->*adopt)(pValue))
	{
		(pParent->*set)(*pValue);
		delete pElement;
	}
	pElement = 0;
}

template <class Object, class Item>
static void AppendElement(@XLIST@<Item *> & (Object::*get)(), @XOBJECT@ *&pElement)
{
	(Parent<Object>()->*get)().@APPEND@(As<Item>(pElement));
	pElement = 0;
}

template <class Object>
static void SetChoice(@XOBJECT@ *&pElement)
{
	Parent<Object>()->SetChoice(pElement);
	pElement = 0;
}

static inline int UnknownAttribute()
{
	@NS@_error("Unknown attribute");
	return 1;
}

template <class Object, class Value>
static int SetAttribute(void (Object::*set)(const Value &), const char *szValue)
{
	Object *pObject = Parent<Object>();
	if (!pObject)
		return UnknownAttribute();
	Value *pValue = new Value;
	@XOBJECT@::HandOver handOver(pValue);
	pValue->SetValueFromString(szValue);
	(pObject->*set)(*pValue);
	return 0;
}

/* Reports a value that its datatype's own check (its facets and literals)
   refuses, naming the value, the attribute or element, and the datatype. */
static inline void RefuseValue(const char *szWhat, const char *szName, const char *szValue,
	const char *szDatatype, bool fLiterals)
{
	std::string sValue(szValue);
	if (sValue.size() > 80)
	{
		/* cut at a character, not inside one */
		std::string::size_type nCut = 80;
		while (nCut > 0 && (static_cast<unsigned char>(sValue[nCut]) & 0xC0) == 0x80)
			--nCut;
		sValue = sValue.substr(0, nCut) + "...";
	}
	std::string sError = "value '" + sValue + "' of " + szWhat + " '" + szName + "' is not " +
		(fLiterals ? "a literal" : "a valid value") + " of datatype '" + szDatatype + "'";
	@NS@_error(sError.c_str());
}

template <class Base, class Object, class Value>
static int SetDatatypeAttribute(void (Object::*set)(const Value &), const char *szValue,
	const char *szAttribute, const char *szDatatype, bool fLiterals)
{
	Object *pObject = Parent<Object>();
	if (!pObject)
		return UnknownAttribute();
	Value *pValue = new Value;
	@XOBJECT@::HandOver handOver(pValue);
	/* A new datatype object holds a new Base, so the text is read into
	   the value it holds: the same value as a Base read from the text and
	   set, without making and copying one. */
	const Base &value = pValue->GetValue();
	const_cast<Base &>(value).SetValueFromString(szValue);
	if (!pValue->IsValid())
	{
		RefuseValue("attribute", szAttribute, szValue, szDatatype, fLiterals);
		return 1;
	}
	(pObject->*set)(*pValue);
	return 0;
}
%}

/* Every parse starts from a clean state, whatever became of the last one. */
%initial-action { @NS@_ResetParser(); }

/* The scanner returns the grammar's own symbol numbers, which the parser
   then takes as they are instead of translating each token. */
%define api.token.raw

/* General tokens */
%token TRAVIX_COMMENTTAG TRAVIX_COMMENTTEXT TRAVIX_COMMENTDASHTEXT TRAVIX_COMMENTENDTAG
%token TRAVIX_PITAG TRAVIX_PIXML TRAVIX_NAME TRAVIX_CHARSTRPIENDTAG TRAVIX_PIENDTAG
%token TRAVIX_VERSION TRAVIX_VERSIONNUM TRAVIX_STANDALONE TRAVIX_YES TRAVIX_NO
%token TRAVIX_ENCODING TRAVIX_ENCNAME
%token TRAVIX_STAGLEFT_DOCTYPE TRAVIX_SYSTEM TRAVIX_PUBLIC
%token TRAVIX_NSYSLITSANSDQ TRAVIX_NSYSLITSANSSQ TRAVIX_PUBID TRAVIX_PUBIDSANSSQ
%token TRAVIX_LEFTBRACKET TRAVIX_RIGHTBRACKET
%token TRAVIX_STAGRIGHT TRAVIX_STAGRIGHT_EMPTY TRAVIX_WHITESPACE TRAVIX_EQUALS
%token TRAVIX_SINGLEQUOTE TRAVIX_DOUBLEQUOTE
%token TRAVIX_PCDATA TRAVIX_CDATA TRAVIX_IDNAME TRAVIX_ATTRIBUTE
)~";

inline constexpr std::string_view kStart = R"~(
%start xml_document
)~";

// The document, its prolog and the white space, comments and processing
// instructions between elements. Marker: ID_SETS_CLEAR, the statement
// that empties the ID set (or nothing).
inline constexpr std::string_view kDocumentRules = R"~(/* Document (XML 1.0 rule 1); errors the scanner counted after the root
   element fail the parse as well */
xml_document	: xml_prolog xml_content xml_Misc_zeroormore
				{	if (@NS@_nParserError != 0)
						YYABORT;
					pRootObject = pCurrentElement;
					pCurrentElement = 0;
@ID_SETS_CLEAR@				}
				;

/* Prolog (XML 1.0 rules 22, 27) */
xml_prolog	: xml_Misc_zeroormore xml_doctypedecl_opt
			| xml_XMLDecl xml_Misc_zeroormore xml_doctypedecl_opt
				;

xml_doctypedecl_opt	: %empty /* empty for zero case */
			| xml_doctypedecl xml_Misc_zeroormore
				;

/* Document type declaration (XML 1.0 rule 28); the internal subset is
   skipped by the scanner */
xml_doctypedecl	: TRAVIX_STAGLEFT_DOCTYPE xml_S TRAVIX_NAME xml_doctypedecl_rest
				;

xml_doctypedecl_rest	: TRAVIX_STAGRIGHT
			| xml_intSubset xml_S_Opt TRAVIX_STAGRIGHT
			| xml_S TRAVIX_STAGRIGHT
			| xml_S xml_intSubset xml_S_Opt TRAVIX_STAGRIGHT
			| xml_S xml_ExternalID xml_S_Opt TRAVIX_STAGRIGHT
			| xml_S xml_ExternalID xml_S_Opt xml_intSubset xml_S_Opt TRAVIX_STAGRIGHT
				;

xml_intSubset	: TRAVIX_LEFTBRACKET TRAVIX_RIGHTBRACKET
				;

/* Misc (XML 1.0 rule 27): white space between elements never reaches the
   grammar; "one or more" keeps the empty case from competing with a
   processing instruction or the XML declaration */
xml_Misc_zeroormore	: %empty /* empty for zero case */
			| xml_Misc_oneormore
				;

xml_Misc_oneormore	: xml_Misc
			| xml_Misc_oneormore xml_Misc
				;

xml_Misc	: xml_Comment
			| xml_PI
				;

)~";

// The text of elements with text content, collected into sTextOnly.
inline constexpr std::string_view kTextRule = R"~(/* Character data of text-only elements */
xml_Text_zeroormore	: %empty /* empty for zero case */
			| xml_Text_zeroormore TRAVIX_PCDATA
				{	sTextOnly += SymbolGetEntry($2); }
			| xml_Text_zeroormore xml_Misc
				;

)~";

// The attributes of every element. The scanner gives an attribute name
// the number of its setter (knowing the element whose start tag it
// reads), refuses names the element does not have and repeated ones,
// reports missing required ones, and scans each value as its kind wants:
// a text, an ID name, or one of its enumeration's literals.
inline constexpr std::string_view kAttributeRules = R"~(/* Attributes (XML 1.0 rules 40, 41, 10) */
xml_Attributes	: %empty /* empty for zero case */
			| xml_Attributes xml_Attribute
				;

xml_Attribute	: TRAVIX_ATTRIBUTE TRAVIX_EQUALS xml_AttValue
				{	if (SetAttributeValue($1, $3 ? SymbolGetEntry($3) : "") != 0)
						YYABORT; }
				;

xml_AttValue	: TRAVIX_SINGLEQUOTE TRAVIX_CDATA TRAVIX_SINGLEQUOTE
				{ $$ = $2; }
			| TRAVIX_DOUBLEQUOTE TRAVIX_CDATA TRAVIX_DOUBLEQUOTE
				{ $$ = $2; }
			| TRAVIX_SINGLEQUOTE TRAVIX_IDNAME TRAVIX_SINGLEQUOTE
				{ $$ = $2; }
			| TRAVIX_DOUBLEQUOTE TRAVIX_IDNAME TRAVIX_DOUBLEQUOTE
				{ $$ = $2; }
			| TRAVIX_SINGLEQUOTE TRAVIX_SINGLEQUOTE
				{ $$ = 0; }
			| TRAVIX_DOUBLEQUOTE TRAVIX_DOUBLEQUOTE
				{ $$ = 0; }
				;

)~";

inline constexpr std::string_view kAttributePrototype = R"~(/* Sets attribute nAttribute of the object being read from its value
   text; 1 (with an error reported) when the value is refused */
static int SetAttributeValue(int nAttribute, const char *szValue);

)~";

// After the setters Attribute0, Attribute1, ... of the schema's attributes.
inline constexpr std::string_view kAttributeDispatch = R"~(static int SetAttributeValue(int nAttribute, const char *szValue)
{
	static int (* const setters[])(const char *) = {
@SETTERS@	};
	return setters[nAttribute](szValue);
}
)~";

// The fixed productions of XML 1.0 that carry no data.
inline constexpr std::string_view kFixedRules = R"~(/* White space (XML 1.0 rule 3) */
xml_S	: TRAVIX_WHITESPACE
				;

xml_S_Opt	: %empty /* empty for zero case */
			| xml_S
				;

/* Comments (XML 1.0 rule 15) */
xml_Comment	: TRAVIX_COMMENTTAG xml_Comment_nest TRAVIX_COMMENTENDTAG
				;

xml_Comment_nest	: %empty /* empty for zero case */
			| xml_Comment_nest TRAVIX_COMMENTTEXT
			| xml_Comment_nest TRAVIX_COMMENTDASHTEXT
				;

/* Processing instructions (XML 1.0 rules 16, 17) */
xml_PI	: TRAVIX_PITAG TRAVIX_NAME TRAVIX_CHARSTRPIENDTAG
				;

/* XML declaration (XML 1.0 rules 23, 24); the white space in front of each
   part is read before the part is told apart */
xml_XMLDecl	: TRAVIX_PITAG TRAVIX_PIXML xml_VersionInfo xml_XMLDecl_rest
				;

xml_XMLDecl_rest	: TRAVIX_PIENDTAG
			| xml_S TRAVIX_PIENDTAG
			| xml_S xml_EncodingDecl_pred xml_XMLDecl_afterEncoding
			| xml_S xml_SDDecl_pred xml_XMLDecl_end
				;

xml_XMLDecl_afterEncoding	: TRAVIX_PIENDTAG
			| xml_S TRAVIX_PIENDTAG
			| xml_S xml_SDDecl_pred xml_XMLDecl_end
				;

xml_XMLDecl_end	: TRAVIX_PIENDTAG
			| xml_S TRAVIX_PIENDTAG
				;

xml_VersionInfo	: xml_S TRAVIX_VERSION xml_Eq TRAVIX_SINGLEQUOTE TRAVIX_VERSIONNUM TRAVIX_SINGLEQUOTE
			| xml_S TRAVIX_VERSION xml_Eq TRAVIX_DOUBLEQUOTE TRAVIX_VERSIONNUM TRAVIX_DOUBLEQUOTE
				;

/* Eq (XML 1.0 rule 25) */
xml_Eq	: xml_S_Opt TRAVIX_EQUALS xml_S_Opt
				;

/* Standalone declaration (XML 1.0 rule 32) */
xml_SDDecl_pred	: TRAVIX_STANDALONE xml_Eq xml_SDDecl_YesOrNo
				;

xml_SDDecl_YesOrNo	: TRAVIX_SINGLEQUOTE TRAVIX_YES TRAVIX_SINGLEQUOTE
			| TRAVIX_SINGLEQUOTE TRAVIX_NO TRAVIX_SINGLEQUOTE
			| TRAVIX_DOUBLEQUOTE TRAVIX_YES TRAVIX_DOUBLEQUOTE
			| TRAVIX_DOUBLEQUOTE TRAVIX_NO TRAVIX_DOUBLEQUOTE
				;

/* Encoding declaration (XML 1.0 rules 80, 81) */
xml_EncodingDecl_pred	: TRAVIX_ENCODING xml_Eq TRAVIX_SINGLEQUOTE TRAVIX_ENCNAME TRAVIX_SINGLEQUOTE
			| TRAVIX_ENCODING xml_Eq TRAVIX_DOUBLEQUOTE TRAVIX_ENCNAME TRAVIX_DOUBLEQUOTE
				;

/* External ID (XML 1.0 rules 75, 11, 12) */
xml_ExternalID	: TRAVIX_SYSTEM xml_S xml_SystemLiteral
			| TRAVIX_PUBLIC xml_S xml_PubidLiteral xml_S xml_SystemLiteral
				;

xml_SystemLiteral	: TRAVIX_DOUBLEQUOTE TRAVIX_NSYSLITSANSDQ TRAVIX_DOUBLEQUOTE
			| TRAVIX_SINGLEQUOTE TRAVIX_NSYSLITSANSSQ TRAVIX_SINGLEQUOTE
			| TRAVIX_DOUBLEQUOTE TRAVIX_DOUBLEQUOTE
			| TRAVIX_SINGLEQUOTE TRAVIX_SINGLEQUOTE
				;

xml_PubidLiteral	: TRAVIX_DOUBLEQUOTE TRAVIX_PUBID TRAVIX_DOUBLEQUOTE
			| TRAVIX_SINGLEQUOTE TRAVIX_PUBIDSANSSQ TRAVIX_SINGLEQUOTE
			| TRAVIX_DOUBLEQUOTE TRAVIX_DOUBLEQUOTE
			| TRAVIX_SINGLEQUOTE TRAVIX_SINGLEQUOTE
				;

)~";

// The grammar's public functions. Markers: RESET_STATICS, the statements
// that reset the schema's statics.
inline constexpr std::string_view kSubroutines = R"~(/* Hands the root object of the last successful parse to the caller, who
   owns it from then on. */
@XOBJECT@ * @NS@_GetRootObject()
{
	@XOBJECT@ * pRoot = pRootObject;
	pRootObject = 0;
	return pRoot;
}

/* Frees every object of an unfinished or failed parse (and a root object
   nobody took) and empties the parser's state. */
void @NS@_ResetParser()
{
	while (!parentStack.empty())
	{
		delete parentStack.top();
		parentStack.pop();
	}
	delete pCurrentElement;
	pCurrentElement = 0;
	delete pCurrentGroupElement;
	pCurrentGroupElement = 0;
	delete pRootObject;
	pRootObject = 0;
@RESET_STATICS@}
)~";

}  // namespace Travix::GrammarTemplates

#endif
