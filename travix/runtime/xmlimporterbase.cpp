#include "xmlimporterbase.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "crlffile.h"
#include "travixexcept.h"
#include "travixsymbol.h"

TRAVIX_BEGIN_NAMESPACE

using XMLImporterBase = TRAVIX_NAME(XMLImporterBase);

XMLImporterBase::TRAVIX_NAME(XMLImporterBase)()
    : m_XMLFile(nullptr), m_pXObjectRoot(nullptr), m_bPreprocessorMode(true) {}

XMLImporterBase::TRAVIX_NAME(XMLImporterBase)(const XMLImporterBase& other)
    : m_sOrigFileName(other.m_sOrigFileName), m_XMLFile(nullptr),
      m_pXObjectRoot(other.m_pXObjectRoot), m_bPreprocessorMode(other.m_bPreprocessorMode) {}

XMLImporterBase& XMLImporterBase::operator=(const XMLImporterBase& other) {
  m_sOrigFileName = other.m_sOrigFileName;
  m_pXObjectRoot = other.m_pXObjectRoot;
  m_bPreprocessorMode = other.m_bPreprocessorMode;
  return *this;
}

XMLImporterBase::~TRAVIX_NAME(XMLImporterBase)() { CloseFile(); }

void XMLImporterBase::CloseFile() {
  if (m_XMLFile) {
    std::fclose(m_XMLFile);
    m_XMLFile = nullptr;
  }
}

void XMLImporterBase::ImportFromFile(std::string fileName, bool preprocessorMode) {
  if (fileName.empty())
    TRAVIX_THROW("Error: ImportFromFile() called with an empty filename");
  m_sOrigFileName = fileName;
  m_bPreprocessorMode = preprocessorMode;
  CloseFile();
  m_XMLFile = Travix::Internal::OpenDocument(fileName.c_str());
  if (!m_XMLFile) {
    int error = errno;
    if (const char* text = strerrordesc_np(error))
      TRAVIX_THROW("Error: ImportFromFile() could not open file '" + fileName + "', Msg: '" +
                   text + "'");
    TRAVIX_THROW("Error: ImportFromFile() could not open file '" + fileName +
                 "', no error string found for errno: " + std::to_string(error));
  }
  struct Closer {
    XMLImporterBase& importer;
    ~Closer() { importer.CloseFile(); }
  } closer{*this};
  Import();
}

void XMLImporterBase::DeleteImportedXObject(TRAVIX_NAME(XObject)* object) { delete object; }

namespace {

// Adds an entity: its name row associated with its value row. A value that
// cannot be expanded (a DTD's "amp" declared as "&#38;#38;" arrives as "&")
// is stored as it stands.
void InsertEntity(const char* name, const char* value, bool resolving) {
  int nameRow = SymbolInsert(name, 0);
  if (nameRow < 0)
    TRAVIX_THROW(SymbolGetLastError());
  int valueRow = SymbolInsert(value, 0);
  if (valueRow < 0 && resolving) {
    SymbolResolveEntities(0);
    valueRow = SymbolInsert(value, 0);
    SymbolResolveEntities(1);
  }
  if (valueRow < 0)
    TRAVIX_THROW(SymbolGetLastError());
  SymbolAssociate(nameRow, valueRow);
}

// Adds an entity whose value expands now; false, with the table as it was,
// when it does not (it names an entity of a later row, or is malformed).
bool InsertExpandedEntity(const TRAVIX_NAME(TextEntity)& entity) {
  int valueRow = SymbolInsert(entity.value, 0);
  if (valueRow < 0)
    return false;
  int nameRow = SymbolInsert(entity.name, 0);
  if (nameRow < 0)
    TRAVIX_THROW(SymbolGetLastError());
  SymbolAssociate(nameRow, valueRow);
  return true;
}

} // namespace

void XMLImporterBase::InitSymbolTable(TRAVIX_NAME(TextEntity)* entities) {
  SymbolResetTable();
  if (!m_bPreprocessorMode) {
    SymbolResolveEntities(0);
    return;
  }
  SymbolResolveEntities(1);
  // A value is expanded when its entity is used, and may name an entity of
  // a later row: such a value waits until every entity it names is in the
  // table. What never expands is stored as it stands, as before.
  std::vector<const TRAVIX_NAME(TextEntity)*> waiting;
  for (TRAVIX_NAME(TextEntity)* entity = entities; entity && entity->name && entity->value; ++entity)
    waiting.push_back(entity);
  for (bool progress = true; progress && !waiting.empty();) {
    std::vector<const TRAVIX_NAME(TextEntity)*> still;
    for (const TRAVIX_NAME(TextEntity)* entity : waiting)
      if (!InsertExpandedEntity(*entity))
        still.push_back(entity);
    progress = still.size() < waiting.size();
    waiting.swap(still);
  }
  for (const TRAVIX_NAME(TextEntity)* entity : waiting)
    InsertEntity(entity->name, entity->value, true);

  static const TRAVIX_NAME(TextEntity) predefined[] = {
      {"lt", "<"}, {"gt", ">"}, {"apos", "'"}, {"quot", "\""}};
  for (const auto& entity : predefined)
    if (SymbolLookup(entity.name) == 0)
      InsertEntity(entity.name, entity.value, true);

  SymbolResolveEntities(0);
  if (SymbolLookup("amp") == 0)
    InsertEntity("amp", "&", false);
  SymbolResolveEntities(1);
}

TRAVIX_END_NAMESPACE
