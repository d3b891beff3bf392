/* Grammar of the DTD reader's parsing pass: the markup declarations of an
 * external DTD subset, as XML 1.0 writes them, building the schema
 * document through the SchemaBuilder.
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
 * attributes (NAME, EQ, quote, ATT_VALUE, quote) and PI_CLOSE. Parameter-
 * entity references and conditional sections never get here: the
 * preprocessing pass has resolved them.
 *
 * The grammar has no error rules: the first syntax error ends the parse,
 * so the error a run reports is the one that stopped it. */

%require "3.8"
%define api.prefix {dtd}
%define api.pure full
%define api.token.prefix {TOK_}
%param {yyscan_t scanner}
%parse-param {Travix::Dtd::SchemaBuilder& builder}

%code requires {
#include <xercesc/dom/DOMElement.hpp>

#include "travix/readers/dtd/schemabuilder.h"

#ifndef YY_TYPEDEF_YY_SCANNER_T
#define YY_TYPEDEF_YY_SCANNER_T
typedef void* yyscan_t;
#endif
}

%code provides {
/* Next token of the parsing pass; 0 at the end of the input or after an
 * error that ended the scan. */
int dtdlex(DTDSTYPE* value, yyscan_t scanner);
void dtderror(yyscan_t scanner, Travix::Dtd::SchemaBuilder& builder, const char* message);

namespace Travix::Dtd {
/* Runs the grammar over the parsing pass; schema is the document element
 * the declarations are built into. Answers 0, 1 after a syntax error it
 * could not recover from, 2 when its stacks overflow. */
int RunGrammar(yyscan_t scanner, xercesc::DOMElement* schema);
}
}

%code {
#include <cstring>

#include "travix/readers/dtd/dtdreport.h"
#include "travix/schema/schemavocabulary.h"

namespace {
namespace Value = Travix::Vocabulary::Value;
using Travix::Dtd::GroupOrder;
using Travix::Dtd::Occurrence;
}

#define YYINITDEPTH 200
#define YYMAXDEPTH 10000
}

%union {
  int symbol;
  Travix::Dtd::Occurrence occurrence;
  Travix::Dtd::GroupOrder order;
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

%type <symbol> att_value
%type <occurrence> occurrence
%type <order> cp_list

%%

dtd:
    %empty
  | dtd item
  ;

item:
    elementdecl
  | attlistdecl
  | entitydecl
  | notationdecl
  | comment
  | pi
  | textdecl
  | WS
  ;

ows:
    %empty
  | WS
  ;

/* ---- Element declarations ---------------------------------------------- */

elementdecl:
    "<!ELEMENT" WS NAME { builder.BeginElement($3); } WS contentspec ows ">"
      { builder.EndDeclaration(); }
  ;

contentspec:
    "EMPTY" { builder.SetContent(Value::Empty); }
  | "ANY" { builder.SetContent(Value::Any); }
  | mixed
  | children
  ;

mixed:
    "(" ows "#PCDATA" ows ")" pcdata_suffix { builder.SetContent(Value::TextOnly); }
  | "(" ows "#PCDATA" ows mixed_names ")" "*" { builder.SetContent(Value::Mixed); }
  ;

pcdata_suffix:
    %empty
  | "*"
  ;

mixed_names:
    "|" ows NAME ows { builder.AddElementReference($3, Occurrence::Once); }
  | mixed_names "|" ows NAME ows { builder.AddElementReference($4, Occurrence::Once); }
  ;

/* Every parenthesised list of element content is a group, opened before
 * its first item is read. */
children:
    "(" ows open_group cp_list ")" occurrence { builder.CloseGroup($4, $6); }
  ;

open_group:
    %empty { builder.OpenGroup(); }
  ;

cp_list:
    cp ows { $$ = GroupOrder::Sequence; }
  | choice_list { $$ = GroupOrder::Choice; }
  | seq_list { $$ = GroupOrder::Sequence; }
  ;

choice_list:
    cp ows "|" ows cp ows
  | choice_list "|" ows cp ows
  ;

seq_list:
    cp ows "," ows cp ows
  | seq_list "," ows cp ows
  ;

cp:
    NAME occurrence { builder.AddElementReference($1, $2); }
  | children
  ;

occurrence:
    %empty { $$ = Occurrence::Once; }
  | "?" { $$ = Occurrence::Optional; }
  | "*" { $$ = Occurrence::ZeroOrMore; }
  | "+" { $$ = Occurrence::OneOrMore; }
  ;

/* ---- Attribute-list declarations --------------------------------------- */

/* A declaration without attribute definitions adds nothing. */
attlistdecl:
    "<!ATTLIST" WS NAME { builder.BeginAttributeList($3); } attdefs ows ">"
      { builder.EndDeclaration(); }
  ;

attdefs:
    %empty
  | attdefs WS NAME { builder.BeginAttribute($3); } WS atttype WS defaultdecl
  ;

atttype:
    "CDATA" { builder.SetAttributeType(u"string"); }
  | "ID" { builder.SetAttributeType(u"ID"); }
  | "IDREF" { builder.SetAttributeType(u"IDREF"); }
  | "IDREFS" { builder.SetAttributeType(u"IDREFS"); }
  | "ENTITY" { builder.SetAttributeType(u"ENTITY"); }
  | "ENTITIES" { builder.SetAttributeType(u"ENTITIES"); }
  | "NMTOKEN" { builder.SetAttributeType(u"NMTOKEN"); }
  | "NMTOKENS" { builder.SetAttributeType(u"NMTOKENS"); }
  | "(" ows { builder.BeginEnumeration(); } enum_values ows ")" { builder.EndEnumeration(); }
  ;

enum_values:
    NMTOKEN { builder.AddEnumerationValue($1); }
  | enum_values ows "|" ows NMTOKEN { builder.AddEnumerationValue($5); }
  ;

defaultdecl:
    "#REQUIRED" { builder.SetRequired(); }
  | "#IMPLIED"
  | "#FIXED" WS att_value { builder.SetFixed($3); }
  | att_value { builder.SetDefault($1); }
  ;

att_value:
    DQUOTE ATT_VALUE DQUOTE { $$ = $2; }
  | SQUOTE ATT_VALUE SQUOTE { $$ = $2; }
  ;

/* ---- Entity and notation declarations (kept in the symbol table) ------- */

entitydecl:
    "<!ENTITY" WS NAME WS general_entity_def ">"
  | "<!ENTITY" WS "%" WS NAME WS parameter_entity_def ">"
  ;

general_entity_def:
    entity_value ows
  | external_id ows
  | external_id WS "NDATA" WS NAME ows
  ;

parameter_entity_def:
    entity_value ows
  | external_id ows
  ;

entity_value:
    DQUOTE ENTITY_VALUE DQUOTE
  | SQUOTE ENTITY_VALUE SQUOTE
  ;

external_id:
    "SYSTEM" WS system_literal
  | "PUBLIC" WS pubid_literal WS system_literal
  ;

notationdecl:
    "<!NOTATION" WS NAME WS notation_id ">"
  ;

notation_id:
    "SYSTEM" WS system_literal ows
  | "PUBLIC" WS pubid_literal ows
  | "PUBLIC" WS pubid_literal WS system_literal ows
  ;

system_literal:
    DQUOTE SYSTEM_LITERAL DQUOTE
  | SQUOTE SYSTEM_LITERAL SQUOTE
  ;

pubid_literal:
    DQUOTE PUBID_LITERAL DQUOTE
  | SQUOTE PUBID_LITERAL SQUOTE
  ;

/* ---- Comments, processing instructions, text declarations -------------- */

comment:
    "<!--" COMMENT_TEXT "-->"
  ;

/* Processing instructions are read and left out of the schema. */
pi:
    "<?" PI_TARGET "?>"
  | "<?" PI_TARGET WS "?>"
  | "<?" PI_TARGET WS PI_DATA "?>"
  ;

/* The text declaration of the DTD or of an entity it includes. */
textdecl:
    "<?xml" pseudo_attributes ows "?>"
  ;

pseudo_attributes:
    %empty
  | pseudo_attributes WS NAME ows "=" ows att_value
  ;

%%

void dtderror(yyscan_t, Travix::Dtd::SchemaBuilder&, const char* message) {
  if (std::strcmp(message, "memory exhausted") == 0)
    Travix::Dtd::ReportError("parser stack overflow");
  else
    Travix::Dtd::ReportError("parse error");
}

int Travix::Dtd::RunGrammar(yyscan_t scanner, xercesc::DOMElement* schema) {
  SchemaBuilder builder(schema);
  return dtdparse(scanner, builder);
}
