// The fixed text of the generated flex scanner.
//
// Spliced with Splice (emitters/textsplice.h). Markers:
//   NS       the namespace: prefix of the scanner's public symbols and of
//            every start condition (flex runs with -P<ns>_)
//   HEADER   the generated-file header comment
//   and one marker per schema-specific part, named where it stands.
// The scanner is C and must compile without warnings under -Wall; its
// helpers are static so that two generated scanners link into one program.
// Internal to the parser writer.
#ifndef TRAVIX_LEXERTEMPLATES_H
#define TRAVIX_LEXERTEMPLATES_H

#include <string_view>

namespace Travix::LexerTemplates {

// The scanner's table representation: flex's fast tables (-CF) trade size
// for speed, and the generated importer is meant to keep up with fast
// parsers. They came out ahead of the full tables (-Cf) in speed and in
// size; the scanner's state machine no longer grows with the schema's
// attributes, so their size stays moderate for large schemas.
inline constexpr std::string_view kTableOption = "%option fast";

// Everything before the first "%%": prologue, named patterns, start
// conditions.
inline constexpr std::string_view kDefinitions = R"~(%{
@HEADER@#include <stdlib.h>
#include <string.h>
#include <errno.h>
#if defined(__SSE2__)
#include <emmintrin.h>	/* FindInvalidInput reads sixteen bytes at a time */
#endif
#include "travixsymbol.h"	/* symbol table function prototypes */
#include "travixinput.h"	/* reads the input into the scanner's buffer */
#include "@BASE@_parser.tab.h"	/* yacc/bison generated token definitions */

#if defined(__linux__)
#define _TRAVIX_NEEDS_ERRNO_H 1
#endif
#if defined(__sun)
#define _TRAVIX_NEEDS_ERRNO_H 1
#endif
#if defined(_TRAVIX_NEEDS_ERRNO_H)
#include <errno.h>
#endif
#if !defined(_MAX_PATH)
#define _MAX_PATH 1024
#endif

#define MAX_LINE_SIZE 2048
#define MAX_LEX_ERRORS 10
#define MAX_STATE_STACK_SIZE 128

/* How much of the current line and of the current token an error report
   quotes; both leave room in MAX_LINE_SIZE for the rest of the report. */
#define MAX_QUOTED_LINE 400
#define MAX_QUOTED_TOKEN 80

static int LexerStateStack[MAX_STATE_STACK_SIZE];	/* stack of start conditions */
static int nLexerStateStackTop = -1;	/* index of the top of the stack; -1 when empty */
static int nLineNum = 1;	/* line number of the input, for error reports */
static char szCurrentLine[MAX_LINE_SIZE];	/* current line, for error reports */
static char szLineTail[MAX_QUOTED_LINE];	/* the last bytes read so far */
static int nLineTail = 0;
static char szLineHead[MAX_QUOTED_LINE];	/* the end of the part of the current line
						   that has left the scanner's buffer */
static int nLineHead = 0;
static char szExtraErrorInfo[MAX_LINE_SIZE];	/* replaces the hint of the next error report */
static char szCurrentFile[_MAX_PATH];	/* name of the input file */
static int nMarkupDepth = 0;	/* bracket nesting inside a skipped internal subset */
static int fResolveEntities = 1;	/* whether this import expands references */
static int fStartOfInput = 1;	/* nothing of the input read yet */
static int nUtf8Pending = 0;	/* continuation bytes the last UTF-8 sequence read still needs */
static int nUtf8Read = 0;	/* bytes of that sequence read so far */
static unsigned char nUtf8Low = 0x80;	/* the range of its next byte */
static unsigned char nUtf8High = 0xBF;
static const char *szInputErrorLine = NULL;	/* the line an error in the input stands in */
static char fTextContent[MAX_STATE_STACK_SIZE];	/* per stack level: its white space is text */

static int PushState(int newState);
static int PopState(void);
static int PeekState(void);
static void ReplaceState(int newState);
static void ClearStateStack(void);
static void CheckForNewlines(const char *szString, int nLength);
static int EnterSymbol(int nToken);
@TAG_PROTOTYPES@static int ReadInput(char *szBuffer, int nMaxSize);
static unsigned long long ZeroBytes(unsigned long long nWord);
static const char *FindInvalidInput(const char *p, const char *pEnd);
static void ReportInvalidInput(const char *pBad, int fAtEnd);
static void KeepLineHead(int nKept);
static void KeepLineTail(const char *szRead, int nRead);
static void GetCurrentLine(void);
static void AppendErrorMessage(const char *szText);

int @NS@_nParserError = 0;	/* Error flag to signal to TqXMLParserSrcWriter that errors occurred */
char @NS@_szParserErrorMsg[MAX_LINE_SIZE];	/* Error buffer to provide error msgs to tqdeclreader */

int @NS@_InitParser(FILE *fpIn, const char *szInputFile);	/* prepares the scanner for a new input */
void @NS@_PrintStateStack(void);	/* prints the stack of start conditions */
void @NS@_error(const char *szErrorText);	/* records an error of the scanner or the grammar */
int @NS@_wrap(void);	/* called by the scanner at the end of the input */
extern int @NS@_lval;

/* The attributes of an element type, sorted by name, and the element
   types in the order of their numbers (nCurrentType) */
typedef struct
{
	const char *szName;
	int nAttribute;
	int nValueState;
	int fRequired;
} AttributeEntry;
typedef struct
{
	const AttributeEntry *pAttributes;
	int nAttributes;
	int fTextContent;
} ElementType;

/* Read errors end the input with an error report instead of ending the
   program. */
#define YY_INPUT(buf, result, max_size) ((result) = ReadInput((buf), (max_size)))
/* A refill reads all the room the buffer has. The scanner reads a token
   that outgrows its buffer again from the token's start after every
   refill, so in blocks of a fixed size a long comment, text or processing
   instruction took time in the square of its length; as the buffer
   doubles, the blocks now do too. */
#define YY_READ_BUF_SIZE 0x40000000
/* The input is read straight into the buffer (TravixReadInput), one call
   to the system per refill: a document of up to 64 KB takes one. */
#undef YY_BUF_SIZE
#define YY_BUF_SIZE 65536
%}

%option never-interactive nounput noinput nodefault 8bit
@TABLE_OPTION@
 /* Character codes */
LeftBracket	"["
RightBracket	"]"
LeftParen	"("
RightParen	")"
ZeroOrMore	"*"
OneOrMore	"+"
ZeroOrOne	"?"
Or	"|"
Comma	","
Equals	"="
SingleQuote	"'"
DoubleQuote	\"
Ampersand	"&"
Dash	"-"
Semicolon	";"
Percent	"%"

 /* Tags */
StartTagLeft	"<"
StartTagRight	">"
StartTagRightEmpty	"/>"
EndTagLeft	"</"
EndTagRight	">"
PITag	"<?"
PIEndTag	"?>"
MDTag	"<!"
MDEndTag	">"
CommentTag	"<!--"
CommentEndTag	"-->"
CDATAStartTag	"<![CDATA["
CDATAEndTag	"]]>"
Digit	[0-9]
HexDigit	[0-9a-fA-F]

 /* White space (XML 1.0 rule 3) */
S	[\x09\x0A\x0D\x20]+

 /* Names and name tokens (XML 1.0 rules 4-8); bytes of UTF-8 sequences
    count as name characters */
NameChar	[A-Za-z0-9._:\-\x80-\xFF]
NameEnd	[^A-Za-z0-9._:\-\x80-\xFF]
NameStarter	[A-Za-z_:\x80-\xFF]
Name	{NameStarter}{NameChar}*
Nmtoken	{NameChar}+
Nmtokens	{Nmtoken}({S}{Nmtoken})*
Char	[\x09\x0A\x0D\x20-\xFF]

 /* Attribute values and literals (XML 1.0 rules 10-12) */
NAttSansDQ	[^<"]+
NAttSansSQ	[^<']+
NSysLitSansDQ	[^"]+
NSysLitSansSQ	[^']+
PubidChar	[\x20\x0D\x0Aa-zA-Z0-9\-'()+,./:=?;!*#\x40$_%]
LiteralEnd	["']
PubidCharSansSQ	[\x20\x0D\x0Aa-zA-Z0-9\-()+,./:=?;!*#\x40$_%]

 /* Character data (XML 1.0 rules 14, 20) */
CharData	[^<]+
CDSectData	[^\]]+

 /* Processing instruction data up to the first "?>" (XML 1.0 rule 16) */
PIData	([^?]|"?"+[^?>])*"?"+">"

 /* XML declaration (XML 1.0 rules 26, 81) */
VersionNum	([a-zA-Z0-9_.:]|\-)+
EncName	[A-Za-z]([A-Za-z0-9._]|\-)*

 /* Generic states. The prolog, the content of every element and the
    epilog are read in INITIAL, the only state that reads tags, and every
    start tag in STAG, whose attribute names are looked up per element:
    flex repeats a rule in every state it is active in, and rules repeated
    per element would exceed its limits for large schemas */
%x @NS@_COM @NS@_PI @NS@_PIC
%s @NS@_XMLD @NS@_XMLDV @NS@_XMLDE @NS@_ATTVALUE
%s @NS@_DOC @NS@_EXTID @NS@_EXTS @NS@_EXTP @NS@_IDN @NS@_STAG
%x @NS@_DOCMARKUP @NS@_ATTSANSSQ @NS@_ATTSANSDQ @NS@_EXTSD
%x @NS@_EXTSS @NS@_EXTPD @NS@_EXTPS @NS@_CDSECT @NS@_IDNDQ @NS@_IDNSQ
@SCHEMA_STATES@)~";

// The rules that recognise the XML syntax itself, before the schema's own
// start tags.
inline constexpr std::string_view kFixedRules = R"~( /* Comments (XML 1.0 rule 15) */
<INITIAL>{CommentTag}	{ if (PushState(@NS@_COM) < 0) return 0; return TRAVIX_COMMENTTAG; }
<@NS@_COM>[^-]+	{ CheckForNewlines(yytext, yyleng); return TRAVIX_COMMENTTEXT; }
<@NS@_COM>{Dash}[^-]+	{ CheckForNewlines(yytext, yyleng); return TRAVIX_COMMENTDASHTEXT; }
<@NS@_COM>{CommentEndTag}	{ if (PopState() < 0) return 0; return TRAVIX_COMMENTENDTAG; }

 /* Processing instructions (XML 1.0 rules 16, 17); their data is skipped */
<INITIAL>{PITag}	{ if (PushState(@NS@_PI) < 0) return 0; return TRAVIX_PITAG; }
<@NS@_PI>"xml"	{ if (PushState(@NS@_XMLD) < 0) return 0; return TRAVIX_PIXML; }
<@NS@_PI>{Name}	{ if (PushState(@NS@_PIC) < 0) return 0; return TRAVIX_NAME; }
<@NS@_PIC>{PIData}	{
			CheckForNewlines(yytext, yyleng);
			if (PopState() < 0 || PopState() < 0) return 0;
			return TRAVIX_CHARSTRPIENDTAG;
		}

 /* XML declaration (XML 1.0 rules 23-26, 32, 80, 81) */
<@NS@_XMLD>"version"	{ if (PushState(@NS@_XMLDV) < 0) return 0; return TRAVIX_VERSION; }
<@NS@_XMLDV>{VersionNum}	{ if (PopState() < 0) return 0; return TRAVIX_VERSIONNUM; }
<@NS@_XMLD>"standalone"	{ return TRAVIX_STANDALONE; }
<@NS@_XMLD>"yes"	{ return TRAVIX_YES; }
<@NS@_XMLD>"no"	{ return TRAVIX_NO; }
<@NS@_XMLD>"encoding"	{ if (PushState(@NS@_XMLDE) < 0) return 0; return TRAVIX_ENCODING; }
<@NS@_XMLDE>{EncName}	{ if (PopState() < 0) return 0; return TRAVIX_ENCNAME; }
<@NS@_XMLD>{PIEndTag}	{
			while (nLexerStateStackTop > 0 && PeekState() != INITIAL)
				PopState();
			return TRAVIX_PIENDTAG;
		}

 /* Document type declaration (XML 1.0 rules 28, 75, 11, 12); the internal
    subset is skipped */
<INITIAL>{MDTag}"DOCTYPE"	{ if (PushState(@NS@_DOC) < 0) return 0; return TRAVIX_STAGLEFT_DOCTYPE; }
<@NS@_DOC>{Name}	{ if (PushState(@NS@_EXTID) < 0) return 0; return TRAVIX_NAME; }
<@NS@_EXTID>"SYSTEM"	{ if (PushState(@NS@_EXTS) < 0) return 0; return TRAVIX_SYSTEM; }
<@NS@_EXTID>"PUBLIC"	{ if (PushState(@NS@_EXTP) < 0) return 0; return TRAVIX_PUBLIC; }
<@NS@_EXTS>{DoubleQuote}	{ ReplaceState(@NS@_EXTSD); return TRAVIX_DOUBLEQUOTE; }
<@NS@_EXTS>{SingleQuote}	{ ReplaceState(@NS@_EXTSS); return TRAVIX_SINGLEQUOTE; }
<@NS@_EXTSD>{NSysLitSansDQ}	{ CheckForNewlines(yytext, yyleng); return TRAVIX_NSYSLITSANSDQ; }
<@NS@_EXTSD>{DoubleQuote}	{ if (PopState() < 0) return 0; return TRAVIX_DOUBLEQUOTE; }
<@NS@_EXTSS>{NSysLitSansSQ}	{ CheckForNewlines(yytext, yyleng); return TRAVIX_NSYSLITSANSSQ; }
<@NS@_EXTSS>{SingleQuote}	{ if (PopState() < 0) return 0; return TRAVIX_SINGLEQUOTE; }
<@NS@_EXTP>{DoubleQuote}	{ ReplaceState(@NS@_EXTPD); return TRAVIX_DOUBLEQUOTE; }
<@NS@_EXTP>{SingleQuote}	{ ReplaceState(@NS@_EXTPS); return TRAVIX_SINGLEQUOTE; }
<@NS@_EXTPD>{PubidChar}+	{ CheckForNewlines(yytext, yyleng); return TRAVIX_PUBID; }
<@NS@_EXTPS>{PubidCharSansSQ}+	{ CheckForNewlines(yytext, yyleng); return TRAVIX_PUBIDSANSSQ; }
 /* a public identifier is followed by a system literal */
<@NS@_EXTPD>{DoubleQuote}	{ ReplaceState(@NS@_EXTS); return TRAVIX_DOUBLEQUOTE; }
<@NS@_EXTPS>{SingleQuote}	{ ReplaceState(@NS@_EXTS); return TRAVIX_SINGLEQUOTE; }
<@NS@_EXTID>{LeftBracket}	{
			if (PushState(@NS@_DOCMARKUP) < 0) return 0;
			nMarkupDepth = 0;
			return TRAVIX_LEFTBRACKET;
		}
<@NS@_DOCMARKUP>[^\]\["'<]+	{ CheckForNewlines(yytext, yyleng); }
<@NS@_DOCMARKUP>\"[^"]*\"	{ CheckForNewlines(yytext, yyleng); }
<@NS@_DOCMARKUP>'[^']*'	{ CheckForNewlines(yytext, yyleng); }
<@NS@_DOCMARKUP>{CommentTag}([^-]|-[^-])*{CommentEndTag}	{ CheckForNewlines(yytext, yyleng); }
<@NS@_DOCMARKUP>"<"	{ }
<@NS@_DOCMARKUP>{LeftBracket}	{ ++nMarkupDepth; }
<@NS@_DOCMARKUP>{RightBracket}	{
			if (nMarkupDepth > 0)
			{
				--nMarkupDepth;
			}
			else
			{
				if (PopState() < 0) return 0;
				return TRAVIX_RIGHTBRACKET;
			}
		}
<@NS@_EXTID>{MDEndTag}	{ if (PopState() < 0 || PopState() < 0) return 0; return TRAVIX_STAGRIGHT; }

 /* CDATA sections (XML 1.0 rules 18-21): their text is stored as it
    stands, without expanding references */
<INITIAL>{CDATAStartTag}	{ SymbolResolveEntities(0); if (PushState(@NS@_CDSECT) < 0) return 0; }
<@NS@_CDSECT>{CDSectData}	{ CheckForNewlines(yytext, yyleng); return EnterSymbol(TRAVIX_PCDATA); }
<@NS@_CDSECT>{RightBracket}	{ return EnterSymbol(TRAVIX_PCDATA); }
<@NS@_CDSECT>{CDATAEndTag}	{ SymbolResolveEntities(fResolveEntities); if (PopState() < 0) return 0; }
)~";

// Content: white space is text in elements with text content and is
// skipped elsewhere (between elements, before and after the root);
// character data is text, which the grammar accepts only where the schema
// allows it. The most frequent texts (a line end and indentation, a text
// without line ends or references) have rules that spare a second look at
// their characters.
inline constexpr std::string_view kContentRules = R"~(<INITIAL>[ \t]+	{
			if (fTextContent[nLexerStateStackTop])
				return EnterSymbol(TRAVIX_PCDATA);
		}
<INITIAL>\n[ \t]*	{
			++nLineNum;
			if (fTextContent[nLexerStateStackTop])
				return EnterSymbol(TRAVIX_PCDATA);
		}
<INITIAL>{S}	{
			CheckForNewlines(yytext, yyleng);
			if (fTextContent[nLexerStateStackTop])
				return EnterSymbol(TRAVIX_PCDATA);
		}
<INITIAL>[^<&\n]+	{ return EnterSymbol(TRAVIX_PCDATA); }
<INITIAL>{CharData}	{ CheckForNewlines(yytext, yyleng); return EnterSymbol(TRAVIX_PCDATA); }
)~";

// The value states of attributes: a quoted text, an ID name, or an
// enumeration literal (the literals themselves are schema rules). The
// closing quote ends each, whatever stood between the quotes.
inline constexpr std::string_view kAttributeValueRules = R"~( /* Attribute values (XML 1.0 rule 10); white space around "=" is skipped */
<@NS@_ATTVALUE,@NS@_IDN>{S}	{ CheckForNewlines(yytext, yyleng); }
<@NS@_ATTVALUE>{DoubleQuote}	{ ReplaceState(@NS@_ATTSANSDQ); return TRAVIX_DOUBLEQUOTE; }
<@NS@_ATTVALUE>{SingleQuote}	{ ReplaceState(@NS@_ATTSANSSQ); return TRAVIX_SINGLEQUOTE; }
<@NS@_ATTSANSDQ>[^<"&\n]+	{ return EnterSymbol(TRAVIX_CDATA); }
<@NS@_ATTSANSDQ>{NAttSansDQ}	{ CheckForNewlines(yytext, yyleng); return EnterSymbol(TRAVIX_CDATA); }
<@NS@_ATTSANSDQ>{DoubleQuote}	{ if (PopState() < 0) return 0; return TRAVIX_DOUBLEQUOTE; }
<@NS@_ATTSANSSQ>[^<'&\n]+	{ return EnterSymbol(TRAVIX_CDATA); }
<@NS@_ATTSANSSQ>{NAttSansSQ}	{ CheckForNewlines(yytext, yyleng); return EnterSymbol(TRAVIX_CDATA); }
<@NS@_ATTSANSSQ>{SingleQuote}	{ if (PopState() < 0) return 0; return TRAVIX_SINGLEQUOTE; }
<@NS@_IDN>{DoubleQuote}	{ ReplaceState(@NS@_IDNDQ); return TRAVIX_DOUBLEQUOTE; }
<@NS@_IDN>{SingleQuote}	{ ReplaceState(@NS@_IDNSQ); return TRAVIX_SINGLEQUOTE; }
<@NS@_IDNDQ,@NS@_IDNSQ>{S}	{ CheckForNewlines(yytext, yyleng); }
<@NS@_IDNDQ,@NS@_IDNSQ>{Name}	{ return EnterSymbol(TRAVIX_IDNAME); }
<@NS@_IDNDQ>{DoubleQuote}	{ if (PopState() < 0) return 0; return TRAVIX_DOUBLEQUOTE; }
<@NS@_IDNSQ>{SingleQuote}	{ if (PopState() < 0) return 0; return TRAVIX_SINGLEQUOTE; }
)~";

// Rules shared by the value states of enumerated attributes. Marker: the
// list of those states. A quote after the opening one is an empty value,
// which no literal is (the states of enumerations with an empty literal
// have rules of their own before these, kEmptyLiteralRules).
inline constexpr std::string_view kLiteralStateRules = R"~(<@LITERAL_STATES@>{S}	{ CheckForNewlines(yytext, yyleng); }
<@LITERAL_STATES@>{Equals}	{ return TRAVIX_EQUALS; }
<@LITERAL_STATES@>{DoubleQuote}	{ return LiteralQuote(TRAVIX_DOUBLEQUOTE, 0); }
<@LITERAL_STATES@>{SingleQuote}	{ return LiteralQuote(TRAVIX_SINGLEQUOTE, 0); }
)~";

// The quotes of the value state of an enumeration whose literals include
// the empty one (marker STATE).
inline constexpr std::string_view kEmptyLiteralRules = R"~(<@STATE@>{DoubleQuote}	{ return LiteralQuote(TRAVIX_DOUBLEQUOTE, 1); }
<@STATE@>{SingleQuote}	{ return LiteralQuote(TRAVIX_SINGLEQUOTE, 1); }
)~";

// After the literal rules of one value state (markers STATE, LITERALS:
// the state and the name of its table of literals): a value that is not
// written as a literal may still be one once its references are expanded.
// White space and "=" before the opening quote have rules of their own.
inline constexpr std::string_view kLiteralValueRule = R"~(<@STATE@>[^<"'= \t\r\n][^<"']*/{LiteralEnd}	{ if (PopState() < 0) return 0; return EnterLiteral(@LITERALS@); }
)~";

// The helpers of those rules, written when attributes are enumerated.
inline constexpr std::string_view kLiteralPrototypes = R"~(static const char *szCurrentAttribute = "";	/* the attribute whose value is being read */
static int fLiteralQuote = 0;	/* the opening quote of an enumerated value was read */
typedef struct
{
	const char *szDatatype;
	const char *const *pLiterals;	/* ended by NULL */
} LiteralSet;
static int LiteralQuote(int nToken, int fEmptyLiteral);
static int EnterLiteral(const LiteralSet *pSet);
static void ReportLiteral(const char *szValue, const char *szDatatype);
)~";

inline constexpr std::string_view kLiteralFunctions = R"~(/*****************************************************************************
 * LiteralQuote
 *
 * Description: a quote in the value state of an enumerated attribute: the
 *              opening one, or one right after it (an empty value, which
 *              ends the value state when it is one of the literals)
 * Parameters:  nToken - the quote's token
 *              fEmptyLiteral - whether the empty value is a literal
 * Returns:     nToken, or 0 (end of input, with an error report)
 *****************************************************************************/
static int LiteralQuote(int nToken, int fEmptyLiteral)
{
	if (!fLiteralQuote)
	{
		fLiteralQuote = 1;
		return nToken;
	}
	if (fEmptyLiteral)
		return PopState() < 0 ? 0 : nToken;
	ReportLiteral("", NULL);
	return 0;
}

/*****************************************************************************
 * EnterLiteral
 *
 * Description: a value of an enumerated attribute that is not written as
 *              one of its literals: entered with its references expanded,
 *              it is accepted when that text is a literal
 * Parameters:  pSet - the literals of the attribute's datatype
 * Returns:     TRAVIX_CDATA, or 0 (end of input, with an error report)
 *****************************************************************************/
static int EnterLiteral(const LiteralSet *pSet)
{
	const char *const *pLiteral;
	const char *szValue;
	CheckForNewlines(yytext, yyleng);
	if (!fLiteralQuote)
	{
		@NS@_error("Invalid character");
		return 0;
	}
	if (EnterSymbol(TRAVIX_CDATA) == 0)
		return 0;
	szValue = SymbolGetEntry(@NS@_lval);
	for (pLiteral = pSet->pLiterals; szValue != NULL && *pLiteral != NULL; ++pLiteral)
	{
		if (strcmp(*pLiteral, szValue) == 0)
			return TRAVIX_CDATA;
	}
	ReportLiteral(szValue != NULL ? szValue : "", pSet->szDatatype);
	return 0;
}

/*****************************************************************************
 * ReportLiteral
 *
 * Description: reports a value that is none of the literals of its
 *              attribute's datatype, naming the value and the attribute
 * Parameters:  szValue - the value (cut to MAX_QUOTED_TOKEN)
 *              szDatatype - the datatype, or NULL when not known
 * Returns:     nothing
 *****************************************************************************/
static void ReportLiteral(const char *szValue, const char *szDatatype)
{
	char szText[MAX_LINE_SIZE];
	if (snprintf(szText, sizeof szText, "value '%.*s' of attribute '%s' is not a literal of %s%s%s",
			MAX_QUOTED_TOKEN, szValue, szCurrentAttribute,
			szDatatype != NULL ? "datatype '" : "its enumeration",
			szDatatype != NULL ? szDatatype : "", szDatatype != NULL ? "'" : "") < 0)
		szText[0] = '\0';
	@NS@_error(szText);
}

)~";

// Rules of no token of their own, after every rule they serve: each
// matches what a longer rule above begins with, where that rule may stop
// short. The scanner then takes the shorter match it took before they
// stood here (the first byte of the token, which no rule but the last
// accepts, or a "<" that an internal subset skips), but its automaton
// never has to step back from a state that accepts nothing, and flex then
// leaves the record of the last accepting state out of its inner loop.
inline constexpr std::string_view kPrefixRules = R"~( /* Beginnings of the rules above, read as their first byte */
<INITIAL>"<!"|"<!-"|"<!D"|"<!DO"|"<!DOC"|"<!DOCT"|"<!DOCTY"|"<!DOCTYP"	{ yyless(1); @NS@_error("Invalid character"); return 0; }
<INITIAL>"<!["|"<![C"|"<![CD"|"<![CDA"|"<![CDAT"|"<![CDATA"	{ yyless(1); @NS@_error("Invalid character"); return 0; }
<@NS@_COM>"--"	{ yyless(1); @NS@_error("Invalid character"); return 0; }
<@NS@_PIC>([^?]|"?"+[^?>])+"?"*|"?"+	{ yyless(1); @NS@_error("Invalid character"); return 0; }
<@NS@_XMLD>"ve"|"ver"|"vers"|"versi"|"versio"|"ye"|"en"|"enc"|"enco"|"encod"|"encodi"|"encodin"	{ yyless(1); @NS@_error("Invalid character"); return 0; }
<@NS@_XMLD>"st"|"sta"|"stan"|"stand"|"standa"|"standal"|"standalo"|"standalon"	{ yyless(1); @NS@_error("Invalid character"); return 0; }
<@NS@_EXTID>"SY"|"SYS"|"SYST"|"SYSTE"|"PU"|"PUB"|"PUBL"|"PUBLI"	{ yyless(1); @NS@_error("Invalid character"); return 0; }
<@NS@_DOCMARKUP>"<!"|"<!-"|"<!--"([^-]|-[^-])*"-"{0,2}	{ yyless(1); }
<@NS@_DOCMARKUP>\"[^"]*|'[^']*	{ yyless(1); @NS@_error("Invalid character"); return 0; }
<@NS@_CDSECT>"]]"	{ yyless(1); return EnterSymbol(TRAVIX_PCDATA); }
)~";

// The beginnings of a schema's start and end tags (marker: the pattern of
// one tag's beginnings). They name each tag rather than any name, which
// would make the automaton's states after a "<" dense and its tables twice
// their size.
inline constexpr std::string_view kTagPrefixRule = R"~(<INITIAL>@TAG_PREFIXES@	{ yyless(1); @NS@_error("Invalid character"); return 0; }
)~";

// The beginnings of enumerated values, after the value states' rules
// (marker: those states).
inline constexpr std::string_view kLiteralPrefixRule = R"~(<@LITERAL_STATES@>[^<"'= \t\r\n][^<"']*	{ yyless(1); @NS@_error("Invalid character"); return 0; }
)~";

// The rules that apply wherever no state-specific rule matched.
inline constexpr std::string_view kGeneralRules = R"~( /* Tags, white space and quotes */
{StartTagRight}	{ return TRAVIX_STAGRIGHT; }
{StartTagRightEmpty}	{ if (PopState() < 0) return 0; return TRAVIX_STAGRIGHT_EMPTY; }
{S}	{ CheckForNewlines(yytext, yyleng); return TRAVIX_WHITESPACE; }
{Equals}	{ return TRAVIX_EQUALS; }
{DoubleQuote}	{ return TRAVIX_DOUBLEQUOTE; }
{SingleQuote}	{ return TRAVIX_SINGLEQUOTE; }
<*>.|\n	{ @NS@_error("Invalid character"); return 0; }
)~";

// Everything after the second "%%".
inline constexpr std::string_view kSubroutines = R"~(/*****************************************************************************
 * @NS@_InitParser
 *
 * Description: prepares the scanner for a new input: line count, start
 *              conditions, error count and message, and the input file.
 *              Every import starts from this state, whatever became of
 *              the one before.
 * Parameters:  fpIn - the open input file
 *              szInputFile - its name, for error reports (may be NULL)
 * Returns:     0, or 1 when there is no input file
 *****************************************************************************/
int @NS@_InitParser(FILE *fpIn, const char *szInputFile)
{
	nLineNum = 1;
	@NS@_nParserError = 0;
	@NS@_szParserErrorMsg[0] = '\0';
	szCurrentLine[0] = '\0';
	nLineTail = 0;
	nLineHead = 0;
	szExtraErrorInfo[0] = '\0';
	snprintf(szCurrentFile, sizeof szCurrentFile, "%s", szInputFile ? szInputFile : "");
	nMarkupDepth = 0;
	/* The importer loads the predefined entities exactly when it has
	   references expanded; CDATA sections switch expansion off and must
	   restore it as the import found it. */
	fResolveEntities = SymbolLookup("amp") != 0;
	fStartOfInput = 1;
	nUtf8Pending = 0;
	nUtf8Read = 0;
	nUtf8Low = 0x80;
	nUtf8High = 0xBF;
	szInputErrorLine = NULL;
	ClearStateStack();
	PushState(INITIAL);
	if (fpIn == NULL)
	{
		@NS@_error("no input file");
		return 1;
	}
	yyrestart(fpIn);
	return 0;
}

/*****************************************************************************
 * @NS@_error
 *
 * Description: counts an error and, for the first error of an input,
 *              formats the report into @NS@_szParserErrorMsg: file, line,
 *              the error, the token and the line it stands in, then the
 *              extra information or a hint. Later errors are mostly
 *              consequences of the first and only add to the count.
 *              Every text is cut to fit the buffer.
 * Parameters:  szErrorText - what went wrong
 * Returns:     nothing
 *****************************************************************************/
void @NS@_error(const char *szErrorText)
{
	int nTextLength;
	int nTokenLength;
	const char *szToken;

	++@NS@_nParserError;
	if (@NS@_nParserError == MAX_LEX_ERRORS + 1)
	{
		AppendErrorMessage("Error: Too many errors - unable to continue\n");
		return;
	}
	if (@NS@_nParserError > 1)
		return;

	if (szErrorText == NULL)
		szErrorText = "";
	nTextLength = (int)strlen(szErrorText);
	while (nTextLength > 0 && szErrorText[nTextLength - 1] == '\n')
		--nTextLength;
	szToken = yytext ? yytext : "";
	nTokenLength = yytext ? (int)yyleng : 0;
	if (nTokenLength > MAX_QUOTED_TOKEN)
		nTokenLength = MAX_QUOTED_TOKEN;
	if (szInputErrorLine != NULL)
	{
		/* an error in the input just read: no token is at fault */
		szToken = "";
		nTokenLength = 0;
		snprintf(szCurrentLine, sizeof szCurrentLine, "%s", szInputErrorLine);
	}
	else
	{
		GetCurrentLine();
	}
	/* the report is cut to the buffer when the texts are long */
	if (snprintf(@NS@_szParserErrorMsg, MAX_LINE_SIZE,
			"Error: %s: line %d: %.*s at token \"%.*s\" in the following line:\n%s\n",
			szCurrentFile, nLineNum, nTextLength, szErrorText, nTokenLength, szToken,
			szCurrentLine) < 0)
		@NS@_szParserErrorMsg[0] = '\0';
	if (szExtraErrorInfo[0] != '\0')
	{
		AppendErrorMessage(szExtraErrorInfo);
		szExtraErrorInfo[0] = '\0';
	}
	else
	{
		AppendErrorMessage("Compare the line with the DTD or schema, and with the production rules of the XML 1.0 Recommendation.\n");
	}
}

/*****************************************************************************
 * @NS@_wrap
 *
 * Description: the scanner's end of input
 * Parameters:  none
 * Returns:     1: there is no further input
 *****************************************************************************/
int @NS@_wrap(void)
{
	return 1;
}

/*****************************************************************************
 * @NS@_PrintStateStack
 *
 * Description: prints the stack of start conditions, top first
 * Parameters:  none
 * Returns:     nothing
 *****************************************************************************/
void @NS@_PrintStateStack(void)
{
	int i;
	for (i = nLexerStateStackTop; i >= 0; --i)
		printf("%02d ", LexerStateStack[i]);
	printf("\n");
}

/*****************************************************************************
 * PushState
 *
 * Description: enters a start condition and remembers it on the stack
 * Parameters:  newState - the start condition
 * Returns:     0, or -1 (with an error report) when the stack is full
 *****************************************************************************/
static int PushState(int newState)
{
	if (nLexerStateStackTop + 1 >= MAX_STATE_STACK_SIZE)
	{
		@NS@_error("Error: Stack Overflow - unable to continue");
		return -1;
	}
	LexerStateStack[++nLexerStateStackTop] = newState;
	fTextContent[nLexerStateStackTop] = 0;
	BEGIN(newState);
	return 0;
}

/*****************************************************************************
 * PopState
 *
 * Description: leaves the start condition on top of the stack for the one
 *              below it
 * Parameters:  none
 * Returns:     the start condition left, or -1 (with an error report) when
 *              nothing is below it
 *****************************************************************************/
static int PopState(void)
{
	if (nLexerStateStackTop <= 0)
	{
		@NS@_error("Error: Stack Underflow - unable to continue");
		return -1;
	}
	--nLexerStateStackTop;
	BEGIN(LexerStateStack[nLexerStateStackTop]);
	return LexerStateStack[nLexerStateStackTop + 1];
}

/*****************************************************************************
 * PeekState
 *
 * Description: the start condition on top of the stack
 * Parameters:  none
 * Returns:     the start condition, or INITIAL when the stack is empty
 *****************************************************************************/
static int PeekState(void)
{
	return nLexerStateStackTop >= 0 ? LexerStateStack[nLexerStateStackTop] : INITIAL;
}

/*****************************************************************************
 * ReplaceState
 *
 * Description: replaces the start condition on top of the stack
 * Parameters:  newState - the start condition
 * Returns:     nothing
 *****************************************************************************/
static void ReplaceState(int newState)
{
	if (nLexerStateStackTop >= 0)
		LexerStateStack[nLexerStateStackTop] = newState;
	BEGIN(newState);
}

/*****************************************************************************
 * ClearStateStack
 *
 * Description: empties the stack of start conditions
 * Parameters:  none
 * Returns:     nothing
 *****************************************************************************/
static void ClearStateStack(void)
{
	nLexerStateStackTop = -1;
}

/*****************************************************************************
 * CheckForNewlines
 *
 * Description: counts the line feeds of a matched text (so both LF and
 *              CR LF line ends count once)
 * Parameters:  szString - the text
 *              nLength - its length
 * Returns:     nothing
 *****************************************************************************/
static void CheckForNewlines(const char *szString, int nLength)
{
	const char *pEnd = szString + nLength;
	const char *p = szString;
	while ((p = (const char *)memchr(p, '\n', (size_t)(pEnd - p))) != NULL)
	{
		++nLineNum;
		++p;
	}
}

/*****************************************************************************
 * EnterSymbol
 *
 * Description: hands the matched text to the grammar as a symbol table
 *              index: the row of the text as it will be stored, its
 *              references expanded (or not, inside a CDATA section), so
 *              that a repeated text takes one row and the table's limit
 *              counts distinct texts; a new row for a text not seen yet
 * Parameters:  nToken - the token to return
 * Returns:     nToken, or 0 (end of input, with an error report) when the
 *              symbol table refuses the text
 *****************************************************************************/
static int EnterSymbol(int nToken)
{
	int nIndex = SymbolEnter(yytext, yyleng, nToken);
	if (nIndex < 0)
	{
		@NS@_error(SymbolGetLastError());
		return 0;
	}
	@NS@_lval = nIndex;
	return nToken;
}

@TAG_FUNCTIONS@/*****************************************************************************
 * ReadInput
 *
 * Description: reads the next block of the input for the scanner
 * Parameters:  szBuffer - where to put it
 *              nMaxSize - its size
 *              A UTF-8 byte order mark at the start of the input is
 *              no part of the document and is left out. What is never
 *              XML text ends the input with an error before the scanner
 *              sees it: a NUL byte (which the scanner's tables take for
 *              the end of their buffer), another control character than
 *              tab, line feed and carriage return, and bytes that are
 *              not UTF-8, which a document written back could not hold.
 * Returns:     the number of bytes read; 0 at the end of the input or,
 *              with an error report, when reading fails or meets what is
 *              never XML text
 *****************************************************************************/
static int ReadInput(char *szBuffer, int nMaxSize)
{
	long nGot;
	size_t nRead;
	KeepLineHead((int)(szBuffer - YY_CURRENT_BUFFER_LVALUE->yy_ch_buf));
	nGot = TravixReadInput(yyin, szBuffer, (size_t)nMaxSize);
	if (nGot < 0)
	{
		snprintf(szExtraErrorInfo, sizeof szExtraErrorInfo, "%s\n", strerror(errno));
		@NS@_error("input in flex scanner failed");
		return 0;
	}
	nRead = (size_t)nGot;
	if (fStartOfInput)
	{
		fStartOfInput = 0;
		if (nRead >= 3 && memcmp(szBuffer, "\xEF\xBB\xBF", 3) == 0)
		{
			nRead -= 3;
			memmove(szBuffer, szBuffer + 3, nRead);
			if (nRead == 0)
				return ReadInput(szBuffer, nMaxSize);
		}
	}
	if (nRead == 0 && nUtf8Pending != 0)
	{
		/* the input ends inside a UTF-8 sequence */
		ReportInvalidInput(szBuffer, 1);
		return 0;
	}
	{
		const char *pBad = FindInvalidInput(szBuffer, szBuffer + nRead);
		if (pBad != NULL)
		{
			ReportInvalidInput(pBad, 0);
			return 0;
		}
	}
	KeepLineTail(szBuffer, (int)nRead);
	return (int)nRead;
}

/*****************************************************************************
 * ZeroBytes
 *
 * Description: marks the bytes of a word that are zero
 * Parameters:  nWord - eight bytes
 * Returns:     a word whose bytes have the top bit set exactly where nWord
 *              has a zero byte, and nothing else set
 *****************************************************************************/
static unsigned long long ZeroBytes(unsigned long long nWord)
{
	return ~(((nWord & 0x7F7F7F7F7F7F7F7Full) + 0x7F7F7F7F7F7F7F7Full) | nWord |
		0x7F7F7F7F7F7F7F7Full);
}

/*****************************************************************************
 * FindInvalidInput
 *
 * Description: looks for what is never XML text in a block of the input:
 *              control characters other than tab, line feed and carriage
 *              return, and bytes that are not UTF-8 (overlong forms,
 *              surrogates and code points beyond U+10FFFF included). A
 *              sequence may go on in the next block.
 * Parameters:  p, pEnd - the block
 * Returns:     the first byte at fault, or NULL
 *****************************************************************************/
static const char *FindInvalidInput(const char *p, const char *pEnd)
{
	while (p < pEnd)
	{
		unsigned char c;
#if defined(__SSE2__)
		while (nUtf8Pending == 0 && pEnd - p >= 16)
		{
			/* a signed comparison takes the bytes below 0x20 and those
			   from 0x80 on at once */
			__m128i vBytes = _mm_loadu_si128((const __m128i *)p);
			__m128i vFlagged = _mm_cmplt_epi8(vBytes, _mm_set1_epi8(0x20));
			__m128i vText = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(vBytes, _mm_set1_epi8('\t')),
				_mm_cmpeq_epi8(vBytes, _mm_set1_epi8('\n'))), _mm_cmpeq_epi8(vBytes, _mm_set1_epi8('\r')));
			if (_mm_movemask_epi8(_mm_andnot_si128(vText, vFlagged)) != 0)
				break;
			p += 16;
		}
#endif
		while (nUtf8Pending == 0 && pEnd - p >= 8)
		{
			/* eight bytes of ASCII text at a time: the top bit of each
			   byte of nFlagged is set for a byte from 0x80 on or below
			   0x20 (adding 0x60 to the low seven bits carries into the
			   top bit from 0x20 on, never into the next byte); a line
			   feed, a tab and a carriage return are text */
			unsigned long long nWord;
			unsigned long long nFlagged;
			memcpy(&nWord, p, 8);
			nFlagged = (nWord | ~((nWord & 0x7F7F7F7F7F7F7F7Full) + 0x6060606060606060ull)) &
				0x8080808080808080ull;
			if (nFlagged != 0 && nFlagged != ZeroBytes(nWord ^ 0x0A0A0A0A0A0A0A0Aull) &&
				(nFlagged & ~(ZeroBytes(nWord ^ 0x0909090909090909ull) |
					ZeroBytes(nWord ^ 0x0A0A0A0A0A0A0A0Aull) |
					ZeroBytes(nWord ^ 0x0D0D0D0D0D0D0D0Dull))) != 0)
				break;
			p += 8;
		}
		if (p >= pEnd)
			break;
		c = (unsigned char)*p;
		if (nUtf8Pending != 0)
		{
			if (c < nUtf8Low || c > nUtf8High)
				return p;
			nUtf8Low = 0x80;
			nUtf8High = 0xBF;
			--nUtf8Pending;
			++nUtf8Read;
		}
		else if (c >= 0x80)
		{
			nUtf8Read = 1;
			if (c >= 0xC2 && c <= 0xDF)
				nUtf8Pending = 1;
			else if (c >= 0xE0 && c <= 0xEF)
				nUtf8Pending = 2;
			else if (c >= 0xF0 && c <= 0xF4)
				nUtf8Pending = 3;
			else
				return p;
			/* the second byte rules out overlong forms, surrogates and
			   code points beyond U+10FFFF */
			if (c == 0xE0)
				nUtf8Low = 0xA0;
			else if (c == 0xED)
				nUtf8High = 0x9F;
			else if (c == 0xF0)
				nUtf8Low = 0x90;
			else if (c == 0xF4)
				nUtf8High = 0x8F;
		}
		else if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
		{
			return p;
		}
		++p;
	}
	return NULL;
}

/*****************************************************************************
 * ReportInvalidInput
 *
 * Description: reports what FindInvalidInput found, or a UTF-8 sequence
 *              the input ended in, naming its line and quoting that line
 *              up to the fault. The line count of the scanner stands at
 *              the token it reads; the bytes it keeps of that token and
 *              those read since are counted here.
 * Parameters:  pBad - the byte at fault in the scanner's buffer, or where
 *              the input ended
 *              fAtEnd - whether the input ended there
 * Returns:     nothing
 *****************************************************************************/
static void ReportInvalidInput(const char *pBad, int fAtEnd)
{
	char szLine[MAX_QUOTED_LINE + 1];
	char szText[64];
	const char *pBufferStart = YY_CURRENT_BUFFER_LVALUE->yy_ch_buf;
	const char *pLineStart;
	const char *pEnd = pBad;
	const char *p;
	int nLength = 0;
	unsigned char c = fAtEnd ? 0x80 : (unsigned char)*pBad;
	if (nUtf8Pending != 0 || c >= 0x80)
	{
		/* the line up to the sequence at fault */
		pEnd -= nUtf8Pending != 0 ? nUtf8Read : 0;
		if (pEnd < pBufferStart)
			pEnd = pBufferStart;
		snprintf(szText, sizeof szText, "Invalid character (bytes that are not UTF-8)");
	}
	else if (c == 0)
	{
		snprintf(szText, sizeof szText, "Invalid character (a NUL byte)");
	}
	else
	{
		snprintf(szText, sizeof szText, "Invalid character (a control character, 0x%02X)", c);
	}
	for (p = pBufferStart; p < pEnd; ++p)
	{
		if (*p == '\n')
			++nLineNum;
	}
	pLineStart = pEnd;
	while (pLineStart > pBufferStart && pLineStart[-1] != '\n')
		--pLineStart;
	if (pLineStart == pBufferStart)
	{
		/* the line began before the scanner's buffer */
		int nHead = nLineHead < MAX_QUOTED_LINE ? nLineHead : MAX_QUOTED_LINE;
		memcpy(szLine, szLineHead + nLineHead - nHead, (size_t)nHead);
		nLength = nHead;
	}
	if (pEnd - pLineStart > MAX_QUOTED_LINE - nLength)
		pLineStart = pEnd - (MAX_QUOTED_LINE - nLength);
	memcpy(szLine + nLength, pLineStart, (size_t)(pEnd - pLineStart));
	nLength += (int)(pEnd - pLineStart);
	while (nLength > 0 && szLine[nLength - 1] == '\r')
		--nLength;
	szLine[nLength] = '\0';
	szInputErrorLine = szLine;
	@NS@_error(szText);
	szInputErrorLine = NULL;
}

/*****************************************************************************
 * KeepLineHead
 *
 * Description: before the scanner reads the next block, keeps aside the
 *              part of the current line that leaves its buffer, so that an
 *              error report can quote the whole line. The scanner keeps
 *              only the end of its buffer (the token being read).
 * Parameters:  nKept - the bytes the scanner keeps
 * Returns:     nothing
 *****************************************************************************/
static void KeepLineHead(int nKept)
{
	/* the kept bytes are the last ones read; the line may end in them */
	int nLeft = nLineTail > nKept ? nLineTail - nKept : 0;
	int nStart = nLeft;
	while (nStart > 0 && szLineTail[nStart - 1] != '\n')
		--nStart;
	nLineHead = nLeft - nStart;
	memcpy(szLineHead, szLineTail + nStart, (size_t)nLineHead);
}

/*****************************************************************************
 * KeepLineTail
 *
 * Description: follows the last bytes of the input read so far, line ends
 *              included: the token the scanner keeps may hold some
 * Parameters:  szRead, nRead - the block just read
 * Returns:     nothing
 *****************************************************************************/
static void KeepLineTail(const char *szRead, int nRead)
{
	if (nRead > MAX_QUOTED_LINE)
	{
		szRead += nRead - MAX_QUOTED_LINE;
		nRead = MAX_QUOTED_LINE;
	}
	if (nLineTail + nRead > MAX_QUOTED_LINE)
	{
		int nDrop = nLineTail + nRead - MAX_QUOTED_LINE;
		memmove(szLineTail, szLineTail + nDrop, (size_t)(nLineTail - nDrop));
		nLineTail -= nDrop;
	}
	memcpy(szLineTail + nLineTail, szRead, (size_t)nRead);
	nLineTail += nRead;
}

/*****************************************************************************
 * GetCurrentLine
 *
 * Description: copies the line that holds the end of the current token
 *              into szCurrentLine: from the scanner's buffer, after the
 *              part that has left it (szLineHead); a long line is quoted
 *              around the token. Reading the line only when an error is
 *              reported keeps the scanner from copying every line.
 * Parameters:  none
 * Returns:     nothing
 *****************************************************************************/
static void GetCurrentLine(void)
{
	const char *pBufferStart;
	const char *pBufferEnd;
	const char *pTokenEnd;
	const char *pLineStart;
	const char *pStart;
	const char *pEnd;
	int nLength = 0;

	szCurrentLine[0] = '\0';
	if (YY_CURRENT_BUFFER == NULL || yytext == NULL)
		return;
	pBufferStart = YY_CURRENT_BUFFER_LVALUE->yy_ch_buf;
	pBufferEnd = pBufferStart + yy_n_chars;
	if (yytext < pBufferStart || yytext + yyleng > pBufferEnd)
		return;
	pTokenEnd = yytext + yyleng;
	/* the line of the token's end: after its last line feed, if any */
	pLineStart = pTokenEnd;
	while (pLineStart > pBufferStart && pLineStart[-1] != '\n')
		--pLineStart;
	pStart = pLineStart;
	if (yytext - pStart > MAX_QUOTED_LINE / 2)
		pStart = yytext - MAX_QUOTED_LINE / 2;
	if (pStart < pLineStart)
		pStart = pLineStart;
	if (pLineStart == pBufferStart && pStart == pLineStart)
	{
		/* the line began before the buffer */
		int nHead = MAX_QUOTED_LINE / 2 - (int)(yytext - pLineStart);
		if (nHead > nLineHead)
			nHead = nLineHead;
		if (nHead > 0)
		{
			int nFrom = nLineHead - nHead;
			/* never begin inside a UTF-8 sequence */
			while (nFrom < nLineHead && ((unsigned char)szLineHead[nFrom] & 0xC0) == 0x80)
				++nFrom;
			nLength = nLineHead - nFrom;
			memcpy(szCurrentLine, szLineHead + nFrom, (size_t)nLength);
		}
	}
	else
	{
		/* never begin inside a UTF-8 sequence */
		while (pStart < pTokenEnd && ((unsigned char)*pStart & 0xC0) == 0x80)
			++pStart;
	}
	/* the byte after the token is held aside while the token is current */
	for (pEnd = pStart; pEnd < pBufferEnd && nLength < MAX_QUOTED_LINE; ++pEnd)
	{
		char c = (pEnd == pTokenEnd) ? yy_hold_char : *pEnd;
		if (c == '\n' || c == '\0')
			break;
		szCurrentLine[nLength++] = c;
	}
	if (nLength == MAX_QUOTED_LINE)
	{
		while (nLength > 0 && ((unsigned char)szCurrentLine[nLength - 1] & 0xC0) == 0x80)
			--nLength;
		if (nLength > 0 && ((unsigned char)szCurrentLine[nLength - 1] & 0xC0) == 0xC0)
			--nLength;
	}
	while (nLength > 0 && szCurrentLine[nLength - 1] == '\r')
		--nLength;
	szCurrentLine[nLength] = '\0';
}

/*****************************************************************************
 * AppendErrorMessage
 *
 * Description: appends a text to the error report as far as it fits
 * Parameters:  szText - the text
 * Returns:     nothing
 *****************************************************************************/
static void AppendErrorMessage(const char *szText)
{
	size_t nUsed = strlen(@NS@_szParserErrorMsg);
	if (nUsed + 1 < MAX_LINE_SIZE)
		snprintf(@NS@_szParserErrorMsg + nUsed, MAX_LINE_SIZE - nUsed, "%s", szText);
}
)~";

// The rules of the start tags' insides, written only when the schema has
// elements.
inline constexpr std::string_view kStartTagRules = R"~(<@NS@_STAG>[ \t]+	{ fAttributeSpace = 1; }
<@NS@_STAG>{S}	{ CheckForNewlines(yytext, yyleng); fAttributeSpace = 1; }
<@NS@_STAG>{Name}	{ return AttributeName(); }
<@NS@_STAG>{StartTagRight}	{ return StartTagEnd(); }
<@NS@_STAG>{StartTagRightEmpty}	{ return EmptyStartTagEnd(); }
)~";

// Their helpers (an unused static function would not compile warning-free
// without elements).
inline constexpr std::string_view kTagPrototypes = R"~(static int nCurrentType = 0;	/* the type of the element whose start tag is being read */
static int fAttributeSpace = 0;	/* white space since the start tag's name or last attribute */
static int StartTag(int nType, int nToken);
void @NS@_SelectElementType(int nType);	/* the type of the element whose start tag is read */
static void EnterContent(int fText);
static int AttributeName(void);
static int StartTagEnd(void);
static int EmptyStartTagEnd(void);
static int CheckRequiredAttributes(void);
static void ReportAttribute(const char *szFormat, const char *szName);
static int EndElement(void);
)~";

// Written after the tables of the element types (ElementTypes) and their
// attributes.
inline constexpr std::string_view kTagFunctions = R"~(/*****************************************************************************
 * EnterContent
 *
 * Description: at the ">" of a start tag, turns the element's start
 *              condition into its content
 * Parameters:  fText - whether the element has text content, in which
 *              white space is text
 * Returns:     nothing
 *****************************************************************************/
static void EnterContent(int fText)
{
	ReplaceState(INITIAL);
	if (nLexerStateStackTop >= 0)
		fTextContent[nLexerStateStackTop] = (char)fText;
}

/*****************************************************************************
 * StartTag
 *
 * Description: enters the start tag of an element
 * Parameters:  nType - the type of the tag's elements, or of the first of
 *              them when they differ (its entry in ElementTypes)
 *              nToken - its STAGLEFT_ token
 * Returns:     nToken, or 0 (with an error report) when the elements are
 *              nested too deep
 *****************************************************************************/
static int StartTag(int nType, int nToken)
{
	nCurrentType = nType;
	fAttributeSpace = 0;
	memset(fAttributeSeen, 0, sizeof fAttributeSeen);
	if (PushState(@NS@_STAG) < 0)
		return 0;
	return nToken;
}

/*****************************************************************************
 * @NS@_SelectElementType
 *
 * Description: the grammar names the type of the element whose start tag
 *              is read, for a tag whose elements differ in attributes or
 *              text, before the scanner reads past its name
 * Parameters:  nType - the type (its entry in ElementTypes)
 * Returns:     nothing
 *****************************************************************************/
void @NS@_SelectElementType(int nType)
{
	nCurrentType = nType;
}

/*****************************************************************************
 * AttributeName
 *
 * Description: reads an attribute name of the current start tag and enters
 *              the start condition of its value
 * Parameters:  none
 * Returns:     TRAVIX_ATTRIBUTE with the attribute's number, or 0 (end of
 *              input, with an error report) for a name the element does
 *              not have or has had already
 *****************************************************************************/
static int AttributeName(void)
{
	const AttributeEntry *pAttributes = ElementTypes[nCurrentType].pAttributes;
	int nLow = 0;
	int nHigh = ElementTypes[nCurrentType].nAttributes - 1;
	if (!fAttributeSpace)
	{
		@NS@_error("White space is required before an attribute");
		return 0;
	}
	fAttributeSpace = 0;
	while (nLow <= nHigh)
	{
		int nMiddle = nLow + (nHigh - nLow) / 2;
		/* strcmp in place: names are short and mostly differ in their
		   first byte, where a call costs more than the comparison */
		const unsigned char *pText = (const unsigned char *)yytext;
		const unsigned char *pName = (const unsigned char *)pAttributes[nMiddle].szName;
		int nOrder;
		while (*pText != 0 && *pText == *pName)
		{
			++pText;
			++pName;
		}
		nOrder = (int)*pText - (int)*pName;
		if (nOrder == 0)
		{
			if (fAttributeSeen[nMiddle])
			{
				ReportAttribute("attribute '%s' cannot be set more than once", pAttributes[nMiddle].szName);
				return 0;
			}
			fAttributeSeen[nMiddle] = 1;
@NOTE_ATTRIBUTE@			if (PushState(pAttributes[nMiddle].nValueState) < 0)
				return 0;
			@NS@_lval = pAttributes[nMiddle].nAttribute;
			return TRAVIX_ATTRIBUTE;
		}
		if (nOrder < 0)
			nHigh = nMiddle - 1;
		else
			nLow = nMiddle + 1;
	}
	@NS@_error("Unknown attribute");
	return 0;
}

/*****************************************************************************
 * StartTagEnd
 *
 * Description: at the ">" of a start tag, turns its start condition into
 *              the element's content
 * Parameters:  none
 * Returns:     TRAVIX_STAGRIGHT
 *****************************************************************************/
static int StartTagEnd(void)
{
	if (CheckRequiredAttributes() != 0)
		return 0;
	EnterContent(ElementTypes[nCurrentType].fTextContent);
	return TRAVIX_STAGRIGHT;
}

/*****************************************************************************
 * EmptyStartTagEnd
 *
 * Description: at the "/>" of an empty element, leaves its start tag
 * Parameters:  none
 * Returns:     TRAVIX_STAGRIGHT_EMPTY, or 0 (end of input, with an error
 *              report) when a required attribute is missing
 *****************************************************************************/
static int EmptyStartTagEnd(void)
{
	if (CheckRequiredAttributes() != 0 || PopState() < 0)
		return 0;
	return TRAVIX_STAGRIGHT_EMPTY;
}

/*****************************************************************************
 * CheckRequiredAttributes
 *
 * Description: reports the first required attribute the start tag lacks
 * Parameters:  none
 * Returns:     0, or 1 (with an error report) when one is missing
 *****************************************************************************/
static int CheckRequiredAttributes(void)
{
	const AttributeEntry *pAttributes = ElementTypes[nCurrentType].pAttributes;
	int i;
	for (i = 0; i < ElementTypes[nCurrentType].nAttributes; ++i)
	{
		if (pAttributes[i].fRequired && !fAttributeSeen[i])
		{
			ReportAttribute("required attribute '%s' not set", pAttributes[i].szName);
			return 1;
		}
	}
	return 0;
}

/*****************************************************************************
 * ReportAttribute
 *
 * Description: reports an error about an attribute of the current start
 *              tag
 * Parameters:  szFormat - the text, with %s for the attribute's name
 *              szName - the name
 * Returns:     nothing
 *****************************************************************************/
static void ReportAttribute(const char *szFormat, const char *szName)
{
	char szText[MAX_LINE_SIZE];
	if (snprintf(szText, sizeof szText, szFormat, szName) < 0)
		szText[0] = '\0';
	@NS@_error(szText);
}

/*****************************************************************************
 * EndElement
 *
 * Description: leaves the content of an element at its end tag
 * Parameters:  none
 * Returns:     0, or -1 (with an error report) when no element is open
 *****************************************************************************/
static int EndElement(void)
{
	/* line ends can only stand in white space before the ">" */
	if (yyleng >= 2 && yytext[yyleng - 2] <= ' ')
		CheckForNewlines(yytext, yyleng);
	return PopState() < 0 ? -1 : 0;
}

)~";

}  // namespace Travix::LexerTemplates

#endif
