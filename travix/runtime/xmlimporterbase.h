// XMLImporterBase: the base of every generated importer class.
//
// ImportFromFile opens the document and calls the generated Import(), which
// prepares the symbol table (InitSymbolTable), runs the generated scanner
// and grammar on the open file and keeps the root object they built.
// TextEntity is a row of the text-entities table the DTD reader writes.
#ifndef TRAVIX_XMLIMPORTERBASE_H
#define TRAVIX_XMLIMPORTERBASE_H

#include <cstdio>
#include <string>

#include "travixobject.h"

TRAVIX_BEGIN_NAMESPACE

// One entity: name without "&" and ";", and its replacement text. A table
// ends with a row whose name or value is null.
struct TRAVIX_NAME(_TextEntity) {
  const char* name;
  const char* value;
};
typedef TRAVIX_NAME(_TextEntity) TRAVIX_NAME(TextEntity);

class TRAVIX_API TRAVIX_NAME(XMLImporterBase) {
public:
  // A copy never shares the original's open file: its stream is null.
  TRAVIX_NAME(XMLImporterBase)(const TRAVIX_NAME(XMLImporterBase)& other);
  TRAVIX_NAME(XMLImporterBase)& operator=(const TRAVIX_NAME(XMLImporterBase)& other);

  // Opens the file, runs Import() and closes the file again, also when
  // Import() throws. Line ends CR LF reach the scanner as LF. Throws
  // XException when the name is empty or the file cannot be opened.
  void ImportFromFile(std::string fileName, bool preprocessorMode);

  // The root object of the last import; the caller frees it.
  TRAVIX_NAME(XObject)* GetXObject() { return m_pXObjectRoot; }
  std::string GetOriginalFileName() { return m_sOrigFileName; }
  bool GetPreprocessorMode() { return m_bPreprocessorMode; }

  static void DeleteImportedXObject(TRAVIX_NAME(XObject)* object);

protected:
  TRAVIX_NAME(XMLImporterBase)();
  ~TRAVIX_NAME(XMLImporterBase)();

  // Runs the generated scanner and grammar on m_XMLFile.
  virtual void Import() = 0;

  std::FILE* GetCurrentXMLFileStream() { return m_XMLFile; }

  // Empties the symbol table and, in preprocessor mode, loads the entities
  // and the predefined XML entities into it. Throws XException when the
  // table cannot hold them.
  void InitSymbolTable(TRAVIX_NAME(TextEntity)* entities = 0);

  std::string m_sOrigFileName;
  std::FILE* m_XMLFile;
  TRAVIX_NAME(XObject)* m_pXObjectRoot;
  bool m_bPreprocessorMode;

private:
  void CloseFile();
};

TRAVIX_END_NAMESPACE

#endif
