/* Grammar of the DTD reader's parsing pass.
 *
 * The scanner (dtdscanner.l) hands over the tokens declared here. Names,
 * name tokens, literal texts and processing-instruction targets carry the
 * row of their text in the reader's symbol table (never 0: a text that
 * could not be stored carries the row of an empty text, and the failure is
 * reported). White space is one WS token per run, also across dropped line
 * markers and conditional-section markup. Comments arrive as COMMENT_OPEN,
 * COMMENT_TEXT (its text is not stored), COMMENT_CLOSE; processing
 * instructions as PI_OPEN, PI_TARGET, then WS and PI_DATA when data
 * follow, and PI_CLOSE; a text declaration as XMLDECL_OPEN, its pseudo-
 * attributes (NAME, EQ, quote, ATT_VALUE, quote) and PI_CLOSE.
 *
 * The rules below only take the token stream in; the schema is built by
 * the rules that replace them. */

%require "3.8"
%define api.prefix {dtd}
%define api.pure full
%define api.token.prefix {TOK_}
%param {yyscan_t scanner}

%code requires {
#include <xercesc/dom/DOMElement.hpp>

#ifndef YY_TYPEDEF_YY_SCANNER_T
#define YY_TYPEDEF_YY_SCANNER_T
typedef void* yyscan_t;
#endif
}

%code provides {
/* Next token of the parsing pass; 0 at the end of the input or after an
 * error that ended the scan. */
int dtdlex(DTDSTYPE* value, yyscan_t scanner);
void dtderror(yyscan_t scanner, const char* message);

namespace Travix::Dtd {
/* Runs the grammar over the parsing pass; schema is the document element
 * the declarations are built into. Answers 0, 1 after a syntax error it
 * could not recover from, 2 when its stacks overflow. */
int RunGrammar(yyscan_t scanner, xercesc::DOMElement* schema);
}
}

%code {
#include <cstring>

#include "readers/dtd/dtdreport.h"

#define YYINITDEPTH 200
#define YYMAXDEPTH 10000
}

%union {
  int symbol;
}

/* Declaration openers and the ">" that closes every declaration. */
%token ELEMENT_OPEN "<!ELEMENT" ATTLIST_OPEN "<!ATTLIST" ENTITY_OPEN "<!ENTITY"
       NOTATION_OPEN "<!NOTATION" DECL_CLOSE ">"
%token COMMENT_OPEN "<!--" COMMENT_TEXT COMMENT_CLOSE "-->"
%token PI_OPEN "<?" XMLDECL_OPEN "<?xml" PI_DATA PI_CLOSE "?>" EQ "="
/* Content models. */
%token LPAREN "(" RPAREN ")" PIPE "|" COMMA "," OPT "?" STAR "*" PLUS "+"
       PCDATA "#PCDATA" EMPTY "EMPTY" ANY "ANY"
/* Attribute types and defaults. */
%token CDATA "CDATA" ID "ID" IDREF "IDREF" IDREFS "IDREFS" ENTITY "ENTITY"
       ENTITIES "ENTITIES" NMTOKEN_TYPE "NMTOKEN" NMTOKENS_TYPE "NMTOKENS"
       REQUIRED "#REQUIRED" IMPLIED "#IMPLIED" FIXED "#FIXED"
/* Entity and notation declarations. */
%token PERCENT "%" SYSTEM "SYSTEM" PUBLIC "PUBLIC" NDATA "NDATA"
%token DQUOTE SQUOTE WS
/* Texts, carrying their symbol-table row. */
%token <symbol> NAME NMTOKEN PI_TARGET
%token <symbol> ENTITY_VALUE SYSTEM_LITERAL PUBID_LITERAL ATT_VALUE

%%

dtd:
    %empty
  | dtd token
  ;

token:
    "<!ELEMENT" | "<!ATTLIST" | "<!ENTITY" | "<!NOTATION" | ">"
  | "<!--" | COMMENT_TEXT | "-->" | "<?" | "<?xml" | PI_DATA | "?>" | "="
  | "(" | ")" | "|" | "," | "?" | "*" | "+" | "#PCDATA" | "EMPTY" | "ANY"
  | "CDATA" | "ID" | "IDREF" | "IDREFS" | "ENTITY" | "ENTITIES" | "NMTOKEN" | "NMTOKENS"
  | "#REQUIRED" | "#IMPLIED" | "#FIXED" | "%" | "SYSTEM" | "PUBLIC" | "NDATA"
  | DQUOTE | SQUOTE | WS
  | NAME {} | NMTOKEN {} | PI_TARGET {}
  | ENTITY_VALUE {} | SYSTEM_LITERAL {} | PUBID_LITERAL {} | ATT_VALUE {}
  ;

%%

void dtderror(yyscan_t, const char* message) {
  if (std::strcmp(message, "memory exhausted") == 0)
    Travix::Dtd::ReportError("parser stack overflow");
  else
    Travix::Dtd::ReportError("parse error");
}

int Travix::Dtd::RunGrammar(yyscan_t scanner, xercesc::DOMElement*) { return dtdparse(scanner); }
