// Entity declarations met by the preprocessing pass, and the references
// that the pass replaces.
//
// A declaration binds its entity once: as in XML, the first declaration of
// an entity counts and later ones are read but change nothing (DTDs rely
// on this to let a driver file override a module's defaults). The literals
// of the counting declaration are stored in the reader's symbol table and
// associated with the entity's row, each replacing the one before, so an
// external entity ends associated with its system literal.
#ifndef TRAVIX_DTD_DTDENTITIES_H
#define TRAVIX_DTD_DTDENTITIES_H

#include <string>
#include <string_view>

namespace Travix::Dtd {

void ResetEntities();

// "<!ENTITY" name, or "<!ENTITY %" name: the declaration of that entity
// begins. Answers false when the scan must end (the table is full).
bool BeginEntityDeclaration(std::string_view name, bool parameter);

// "SYSTEM" or "PUBLIC" in the declaration: the literals after it are a
// system literal, or a public identifier and then a system literal.
void NoteExternalIdentifier(bool isPublic);

// A quoted literal of the declaration (without its quotes).
void AddEntityLiteral(std::string_view text);

// "NDATA" in the declaration: the entity is unparsed (a file of another
// kind, named by ENTITY attributes), no text.
void NoteUnparsedEntity();

// The ">" that ends the declaration. The file of an external general
// entity is read here (looked up as included files are, from
// inputDirectory), and its text is the entity's text; a file that cannot
// be read is reported and ends the scan.
void EndEntityDeclaration(const std::string& inputDirectory);

// The row of a general entity's text as a document reads it: its expanded
// value, or the text of its file as written (ExternalTextSymbol), which the
// importer expands; 0 for an unparsed entity or one without a value.
int EntityTextRow(int entity);

// At the end of the DTD: expands the values that named entities declared
// after them (the rest were expanded where they were declared or used).
void CompleteEntityValues();

// What a reference outside literals stands for.
struct Replacement {
  enum Kind { None, Text, File } kind = None;
  std::string text;  // Text: the replacement as DTD text (storedtext.h); File: the file's name
};

// Looks the reference up. An undefined entity, one without a value, or one
// whose value cannot be used is reported here and answers None.
Replacement ResolveReference(std::string_view name, bool parameter);

// The text a DTD writes for an entity value: parameter-entity references
// "%name;" become "&%name;" so the symbol table expands them; the rest is
// kept. Exposed for tests.
std::string MarkParameterReferences(std::string_view value);

}  // namespace Travix::Dtd

#endif
