// TqSchemaSrcWriter: the schema front end that every schema-driven code
// writer derives from.
//
// It takes a schema in the toolkit's vocabulary, either as a file it parses
// itself or as a DOM document a reader has built, normalises the document
// in place (see travix/emitters/normalisation.h) and keeps it, its <schema>
// element and two lookup maps for the writers that derive from it.
//
// What a derived writer does:
//   - overrides Emit() (its generator) and the destructor, and adds
//     `using TqSchemaSrcWriter::Emit;` so the Emit(name) overloads stay
//     visible beside its override;
//   - in Emit(), starts with ClearGeneratedFiles() and walks GetDocument()
//     or GetSchemaNode(), looking types up with FindType / GetTypesMap;
//   - reads a class element's kind, content model and order with
//     ClassTypeOf, ContentModelOf and OrderOf, so both writers read them
//     alike, and asks GetBasetype / IsNumericType about datatypes;
//   - opens its files at OutputPath(name) and records each with
//     AddGeneratedFile (both from TqSrcWriter).
// Everything a derived writer holds from the document (nodes, map entries)
// is valid only until the next Interpret.
//
// Ownership: a document handed to Interpret stays the caller's and must
// outlive the writer's use of it. A file the writer parses belongs to the
// writer's parser and lives until the next Interpret of a file or the
// writer's end. Writers must be destroyed while the XML platform is still
// initialised. Writers are neither copied nor assigned.
#ifndef TRAVIX_TQSCHEMASRCWRITER_H
#define TRAVIX_TQSCHEMASRCWRITER_H

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <xercesc/dom/DOM.hpp>

#include "travix/emitters/normalisation.h"
#include "travix/emitters/srcwriapi.h"
#include "travix/emitters/tqsrcwriter.h"

namespace Travix {

class DOMErrorReporter;
class SecureDOMParser;

class SRCWRI_API TqSchemaSrcWriter : public TqSrcWriter {
public:
  // The kind of class a schema element defines.
  enum CLASS_TYPE { archetype = 1, datatype = 2, group = 3 };
  // The `content` attribute of an archetype; absent means elemOnly.
  enum CONTENT_MODEL { elemOnly = 1, textOnly = 2, mixed = 3, empty = 4, any = 5 };
  // The `order` attribute of an archetype or group; absent means seq.
  enum ORDER { choice = 1, seq = 2, all = 3 };

  using TypesMap = SchemaNodeMap;

  TqSchemaSrcWriter();
  ~TqSchemaSrcWriter() override;

  // Sets the output base name to name, then runs Emit().
  bool Emit(const std::string& name) override;
  bool Emit(const char* name) override;
  using TqSrcWriter::Emit;

  // Takes doc (the caller keeps it) and normalises it in place. Always
  // true; failures are thrown as XException.
  virtual bool Interpret(xercesc::DOMDocument* doc);
  // Parses the schema file at path and interprets it. Without an output
  // base name, the file's name less its extension becomes one. A malformed
  // file throws XException naming the parser's message, the file and line.
  virtual bool Interpret(const std::string& path);
  virtual bool Interpret(const char* path);

  // Writes the normalised schema as "Travix_<base name>.xsd" in the output
  // directory. Throws XException when the file cannot be written.
  void EmitSchema();

protected:
  xercesc::DOMDocument* GetDocument() const { return m_document; }
  // The <schema> element; null before a successful Interpret.
  xercesc::DOMElement* GetSchemaNode() const { return m_schemaNode; }
  // Every named archetype, datatype and group, by name.
  const TypesMap& GetTypesMap() const { return m_typesMap; }
  // The archetype, datatype or group of that name, or null.
  xercesc::DOMElement* FindType(std::u16string_view name) const;
  // Copies of the named top-level elements, by name.
  const TypesMap& GetReferableMap() const { return m_referableMap; }

  // The name of datatype's first <basetype>, or "<none>".
  std::u16string GetBasetype(const std::string& datatypeName,
                             const xercesc::DOMNode* datatype) const;
  // True for numeric built-in types and "boolean" (hyphenated or underscore
  // spelling), and for a datatype of the schema whose basetype is one.
  bool IsNumericType(const std::string& typeName) const;
  bool IsNumericType(std::u16string_view typeName) const;

  // The class kind of an archetype, datatype or group element; nullopt
  // for any other node.
  static std::optional<CLASS_TYPE> ClassTypeOf(const xercesc::DOMNode* node);
  // The content model and order of a class element. An unknown value
  // throws XException naming classIdentifier.
  static CONTENT_MODEL ContentModelOf(const xercesc::DOMElement* classElement,
                                      const std::string& classIdentifier);
  static ORDER OrderOf(const xercesc::DOMElement* classElement,
                       const std::string& classIdentifier);

private:
  void ForgetDocument();

  std::unique_ptr<SecureDOMParser> m_parser;
  std::unique_ptr<DOMErrorReporter> m_errorReporter;
  xercesc::DOMDocument* m_document = nullptr;
  xercesc::DOMElement* m_schemaNode = nullptr;
  TypesMap m_typesMap;
  TypesMap m_referableMap;
};

}  // namespace Travix

#endif
