// The parsing pass's token stream: what the grammar is handed for each
// kind of declaration, and how line markers and errors are followed.
#include <gtest/gtest.h>

#include "travix/readers/dtd/dtdreport.h"
#include "travix/readers/dtd/tests/dtdtestsupport.h"

using DtdTest::Headline;
using DtdTest::Tokens;
using Travix::Dtd::ErrorCount;
using Travix::Dtd::LastErrorText;

TEST(DtdScanner, ElementDeclarations) {
  EXPECT_EQ(Tokens("<!ELEMENT doc (a, (b|c)*, d?)+>"),
            "<!ELEMENT _ name:doc _ ( name:a , _ ( name:b | name:c ) * , _ name:d ? ) + >");
  EXPECT_EQ(Tokens("<!ELEMENT e EMPTY >\n<!ELEMENT f ANY>"),
            "<!ELEMENT _ name:e _ EMPTY _ > _ <!ELEMENT _ name:f _ ANY >");
  EXPECT_EQ(Tokens("<!ELEMENT p (#PCDATA|em)*>"),
            "<!ELEMENT _ name:p _ ( #PCDATA | name:em ) * >");
  // Keywords are keywords only where the declaration expects them.
  EXPECT_EQ(Tokens("<!ELEMENT EMPTY (ANY|EMPTYish)>"),
            "<!ELEMENT _ name:EMPTY _ ( name:ANY | name:EMPTYish ) >");
}

TEST(DtdScanner, AttributeListDeclarations) {
  EXPECT_EQ(Tokens("<!ATTLIST a x (p|q-1|2) 'p' y CDATA #FIXED \"v\" z IDREFS #IMPLIED>"),
            "<!ATTLIST _ name:a _ name:x _ ( nmtoken:p | nmtoken:q-1 | nmtoken:2 ) _ ' att:p ' _ "
            "name:y _ CDATA _ #FIXED _ \" att:v \" _ name:z _ IDREFS _ #IMPLIED >");
  EXPECT_EQ(Tokens("<!ATTLIST b ID ID #REQUIRED e ENTITIES #IMPLIED n NMTOKENS ''>"),
            "<!ATTLIST _ name:b _ name:ID _ ID _ #REQUIRED _ name:e _ ENTITIES _ #IMPLIED _ "
            "name:n _ NMTOKENS _ ' att: ' >");
  EXPECT_EQ(Tokens("<!ATTLIST c>"), "<!ATTLIST _ name:c >");
  // Character references in attribute values come out as the reader's
  // escape text of their UTF-8 bytes.
  EXPECT_EQ(Tokens("<!ATTLIST a s CDATA '&#160;&#65;'>"),
            "<!ATTLIST _ name:a _ name:s _ CDATA _ ' att:\\xC2\\xA0A ' >");
}

TEST(DtdScanner, EntityAndNotationDeclarations) {
  EXPECT_EQ(Tokens("<!ENTITY % p \"%q; x\">"),
            "<!ENTITY _ % _ name:p _ \" value:%q; x \" >");
  EXPECT_EQ(Tokens("<!ENTITY e PUBLIC \"-//X//EN\" 'e.ent' NDATA gif>"),
            "<!ENTITY _ name:e _ PUBLIC _ \" public:-//X//EN \" _ ' system:e.ent ' _ NDATA _ "
            "name:gif >");
  EXPECT_EQ(Tokens("<!NOTATION gif SYSTEM 'image/gif'><!NOTATION png PUBLIC 'png'>"),
            "<!NOTATION _ name:gif _ SYSTEM _ ' system:image/gif ' > "
            "<!NOTATION _ name:png _ PUBLIC _ ' public:png ' >");
}

TEST(DtdScanner, CommentsProcessingInstructionsAndTextDeclaration) {
  EXPECT_EQ(Tokens("<?xml version=\"1.0\" encoding='UTF-8'?>\n<!-- a - b -->"),
            "<?xml _ name:version = \" att:1.0 \" _ name:encoding = ' att:UTF-8 ' ?> _ "
            "<!-- comment -->");
  // The white space after the target is a token of its own.
  EXPECT_EQ(Tokens("<?style a?b c ?><?empty?>"),
            "<? target:style _ data ?> <? target:empty ?>");
}

TEST(DtdScanner, ConditionalSectionsAndMarkersLeaveNoTokens) {
  EXPECT_EQ(Tokens("<![ INCLUDE [\n<!ELEMENT a EMPTY>\n]]>\n"
                   "<![IGNORE[ <!ELEMENT b (#PCDATA)> <![INCLUDE[ x ]]> ]]>"),
            "_ <!ELEMENT _ name:a _ EMPTY > _");
  EXPECT_EQ(Tokens("<!ELEMENT a <?Travix preprocessor file=x.ent line=4 ?> (b)>"),
            "<!ELEMENT _ name:a _ ( name:b ) >");
  // An included section that was never opened is an error.
  EXPECT_EQ(Tokens("]]>"), "");
  EXPECT_EQ(ErrorCount(), 1);
}

TEST(DtdScanner, MarkersSetFileAndLineOfErrors) {
  // The name runs up to the last " line=", and the text after the marker
  // is that line.
  Tokens("<!ELEMENT a EMPTY><?Travix preprocessor file=my dir/in.ent line=7 ?>\n\n"
         "  <!ATTLIST a x NOTATION (n) #IMPLIED>");
  EXPECT_EQ(Headline(LastErrorText()),
            "Error: my dir/in.ent: line 9: Invalid character at token \"N\" in the following "
            "line:");
  EXPECT_NE(LastErrorText().find("\n  <!ATTLIST a x NOTATION (n) #IMPLIED>\n"),
            std::string::npos);
}

TEST(DtdScanner, InvalidCharacterEndsTheScan) {
  EXPECT_EQ(Tokens("<!DOCTYPE a []>\n<!ELEMENT a EMPTY>"), "");
  EXPECT_EQ(ErrorCount(), 1);
  EXPECT_EQ(Headline(LastErrorText()),
            "Error: test.dtd: line 1: Invalid character at token \"<\" in the following line:");
  EXPECT_EQ(Tokens("<!ELEMENT a (b) $"), "<!ELEMENT _ name:a _ ( name:b ) _");
  EXPECT_EQ(Tokens(std::string("<!ENTITY a '\0'>", 16)), "<!ENTITY _ name:a _");
}

TEST(DtdScanner, LongTokensFitTheWholeBuffer) {
  std::string value(20000, 'v');
  std::string comment(20000, 'c');
  EXPECT_EQ(Tokens("<!--" + comment + "--><!ENTITY e '" + value + "'>"),
            "<!-- comment --> <!ENTITY _ name:e _ ' value:" + value + " ' >");
  EXPECT_EQ(ErrorCount(), 0);
}
