#include "travix/readers/dtd/dtdentities.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "travix/readers/dtd/dtdreport.h"
#include "travix/readers/dtd/dtdsymbols.h"
#include "travix/readers/dtd/dtdtext.h"
#include "travix/readers/dtd/includefiles.h"
#include "travix/readers/dtd/scanstate.h"
#include "travix/readers/dtd/storedtext.h"

namespace Travix::Dtd {

namespace {

enum class LiteralSlot { EntityValue, PublicId, SystemLiteral };

// An entity value whose general references could not be expanded where it
// was declared: an entity it names is declared later, or is itself waiting.
struct DeferredValue {
  int entity = 0;     // the entity's row
  std::string text;   // the value as written
  ErrorPlace place;   // where it was declared, for the reports of its expansion
  bool expanding = false;
};

struct EntityState {
  // Declared entities by name ("%name" for parameter entities) and row.
  std::unordered_map<std::string, int> general;
  std::unordered_map<std::string, int> parameter;
  // The entities XML declares for every document; a DTD's own declaration
  // of one of them comes first.
  std::unordered_map<std::string, int> predefined;
  int declared = 0;  // row of the entity being declared; 0 when the declaration does not count
  bool declaredParameter = false;
  bool unparsed = false;  // NDATA in the declaration
  LiteralSlot next = LiteralSlot::EntityValue;
  // External general entities: the row of their file's text, or 0 when unparsed.
  std::unordered_map<int, int> externalText;
  std::vector<DeferredValue> deferred;  // in the order of their declarations
};

EntityState& Entities() {
  static EntityState state;
  return state;
}

bool IsNameStart(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' || u == ':' || u >= 0x80;
}

bool IsNameChar(char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

// Length of the reference name that starts at text[at] when a ";" closes it, else 0.
std::size_t ReferenceNameLength(std::string_view text, std::size_t at) {
  if (at >= text.size() || !IsNameStart(text[at])) return 0;
  std::size_t end = at + 1;
  while (end < text.size() && IsNameChar(text[end])) ++end;
  return end < text.size() && text[end] == ';' ? end - at : 0;
}

std::string EntityKey(std::string_view name, bool parameter) {
  return parameter ? "%" + std::string(name) : std::string(name);
}

int DeclaredRow(std::string_view name, bool parameter) {
  EntityState& entities = Entities();
  auto& declared = parameter ? entities.parameter : entities.general;
  auto found = declared.find(EntityKey(name, parameter));
  if (found != declared.end()) return found->second;
  if (parameter) return 0;
  auto predefined = entities.predefined.find(std::string(name));
  return predefined == entities.predefined.end() ? 0 : predefined->second;
}

bool IsExternal(int entityRow) {
  int value = SymbolGetAssociatedIndex(entityRow);
  return value != 0 && SymbolGetToken(value) == SystemLiteralSymbol;
}

// The symbol table would put an external entity's system literal where its
// text belongs: refuse such a value instead of storing a wrong one.
bool ReferencesExternalEntity(std::string_view value) {
  for (std::size_t at = 0; at < value.size(); ++at) {
    if (value[at] != '%' && value[at] != '&') continue;
    std::size_t length = ReferenceNameLength(value, at + 1);
    if (length == 0) continue;
    int row = DeclaredRow(value.substr(at + 1, length), value[at] == '%');
    if (row != 0 && IsExternal(row)) {
      ReportError("External entity reference " + std::string(value.substr(at, length + 2)) +
                  " inside an entity value");
      return true;
    }
  }
  return false;
}

DeferredValue* DeferredOf(int entity) {
  for (DeferredValue& value : Entities().deferred) {
    if (value.entity == entity) return &value;
  }
  return nullptr;
}

// Whether a general reference of the value names an entity that is not
// declared yet, or whose own value is still waiting.
bool NamesAWaitingEntity(std::string_view value) {
  for (std::size_t at = 0; at < value.size(); ++at) {
    if (value[at] != '&') continue;
    std::size_t length = ReferenceNameLength(value, at + 1);
    if (length == 0) continue;
    int row = DeclaredRow(value.substr(at + 1, length), false);
    if (row == 0 || DeferredOf(row) != nullptr) return true;
  }
  return false;
}

void CompleteValue(int entity);

// Expands a waiting value now, its waiting references first, and makes the
// expansion the entity's value. Reports name the value's declaration.
void CompleteValue(int entity) {
  EntityState& entities = Entities();
  DeferredValue* value = DeferredOf(entity);
  if (value == nullptr) return;
  if (value->expanding) {
    // An entity that refers to itself, through others: XML forbids it.
    SetReportPlace(&value->place);
    ReportError("Recursive entity reference");
    SetReportPlace(nullptr);
    return;
  }
  value->expanding = true;
  const std::string text = value->text;
  for (std::size_t at = 0; at < text.size(); ++at) {
    std::size_t length = text[at] == '&' ? ReferenceNameLength(text, at + 1) : 0;
    if (length == 0) continue;
    int row = DeclaredRow(std::string_view(text).substr(at + 1, length), false);
    if (row != 0 && row != entity) CompleteValue(row);
  }
  // the completions above erased their entries: find this one again
  const ErrorPlace place = DeferredOf(entity)->place;
  auto found = std::find_if(entities.deferred.begin(), entities.deferred.end(),
                            [entity](const DeferredValue& v) { return v.entity == entity; });
  entities.deferred.erase(found);
  SetReportPlace(&place);
  int row = StoreSymbol(MarkParameterReferences(text), EntityValueSymbol, true,
                        SymbolText(entity));
  SetReportPlace(nullptr);
  if (row != 0) SymbolAssociate(entity, row);
}

}  // namespace

void ResetEntities() {
  EntityState& entities = Entities();
  entities = EntityState();
  static const std::pair<const char*, const char*> predefined[] = {
      {"lt", "<"}, {"gt", ">"}, {"amp", "&"}, {"apos", "'"}, {"quot", "\""}};
  for (const auto& [name, value] : predefined) {
    int row = StoreSymbol(name, PredefinedEntitySymbol, false);
    int text = row != 0 ? StoreSymbol(value, EntityValueSymbol, false) : 0;
    if (text == 0) return;
    SymbolAssociate(row, text);
    entities.predefined.emplace(name, row);
  }
}

void CompleteEntityValues() {
  while (!Entities().deferred.empty()) CompleteValue(Entities().deferred.front().entity);
}

std::string MarkParameterReferences(std::string_view value) {
  std::string marked;
  marked.reserve(value.size());
  for (std::size_t at = 0; at < value.size(); ++at) {
    if (value[at] == '%' && ReferenceNameLength(value, at + 1) != 0) marked += '&';
    marked += value[at];
  }
  return marked;
}

bool BeginEntityDeclaration(std::string_view name, bool parameter) {
  EntityState& entities = Entities();
  entities.declared = 0;
  entities.declaredParameter = parameter;
  entities.unparsed = false;
  entities.next = LiteralSlot::EntityValue;
  auto& declared = parameter ? entities.parameter : entities.general;
  std::string key = EntityKey(name, parameter);
  if (declared.count(key) != 0) return true;
  int row = StoreSymbol(key, parameter ? NameSymbol : GeneralEntityNameSymbol, false);
  if (row == 0) return false;
  declared.emplace(std::move(key), row);
  entities.declared = row;
  return true;
}

void NoteExternalIdentifier(bool isPublic) {
  Entities().next = isPublic ? LiteralSlot::PublicId : LiteralSlot::SystemLiteral;
}

void AddEntityLiteral(std::string_view text) {
  EntityState& entities = Entities();
  LiteralSlot slot = entities.next;
  if (slot == LiteralSlot::PublicId) entities.next = LiteralSlot::SystemLiteral;
  if (entities.declared == 0) return;
  int row = 0;
  switch (slot) {
    case LiteralSlot::EntityValue:
      if (ReferencesExternalEntity(text)) return;
      if (NamesAWaitingEntity(text)) {
        // As in XML, a general reference in a value is expanded where the
        // entity is used, and may name an entity declared after it: the
        // value is stored as written until its first use or the end of the
        // DTD, and expanded then.
        row = StoreSymbol(text, EntityValueSymbol, false);
        if (row != 0) {
          entities.deferred.push_back({entities.declared, std::string(text), CurrentErrorPlace()});
        }
        break;
      }
      row = StoreSymbol(MarkParameterReferences(text), EntityValueSymbol, true,
                        SymbolText(entities.declared));
      break;
    case LiteralSlot::PublicId:
      row = StoreSymbol(text, PublicLiteralSymbol, false);
      break;
    case LiteralSlot::SystemLiteral:
      // A system literal is a URI: an "&" in it is no reference.
      row = StoreSymbol(text, SystemLiteralSymbol, false);
      break;
  }
  if (row != 0) SymbolAssociate(entities.declared, row);
}

void NoteUnparsedEntity() { Entities().unparsed = true; }

void EndEntityDeclaration(const std::string& inputDirectory) {
  EntityState& entities = Entities();
  const int entity = entities.declared;
  entities.declared = 0;
  entities.next = LiteralSlot::EntityValue;
  if (entity == 0 || entities.declaredParameter || !IsExternal(entity)) return;
  int& text = entities.externalText[entity];
  if (entities.unparsed) return;
  std::string path;
  std::string content;
  if (!LoadExternalEntity(inputDirectory, PlainText(SymbolText(SymbolGetAssociatedIndex(entity))),
                          path, content)) {
    return;
  }
  text = StoreSymbol(WithoutTextDeclaration(content), ExternalTextSymbol, false);
}

int EntityTextRow(int entity) {
  const EntityState& entities = Entities();
  auto external = entities.externalText.find(entity);
  return external != entities.externalText.end() ? external->second
                                                 : SymbolGetAssociatedIndex(entity);
}

Replacement ResolveReference(std::string_view name, bool parameter) {
  Replacement replacement;
  int row = DeclaredRow(name, parameter);
  if (row == 0) {
    ReportFatalError("Reference to undefined symbol");
    return replacement;
  }
  if (!parameter) CompleteValue(row);
  int value = SymbolGetAssociatedIndex(row);
  if (value == 0) {
    ReportFatalError("Defined symbol has no value");
    return replacement;
  }
  int kind = SymbolGetToken(value);
  if (kind == EntityValueSymbol) {
    // A general entity is referenced inside a literal, a parameter entity
    // between declarations, where its quotes delimit literals of its own.
    replacement.text = DtdTextOf(SymbolText(value), !parameter);
    // Line ends become blanks so that the preprocessor text keeps the line
    // numbering of the file the reference stands in.
    std::replace(replacement.text.begin(), replacement.text.end(), '\n', ' ');
    replacement.kind = Replacement::Text;
  } else if (kind == SystemLiteralSymbol) {
    replacement.text = PlainText(SymbolText(value));
    replacement.kind = Replacement::File;
  } else {
    ReportError("Don't know how to handle token ID " + std::to_string(kind));
  }
  return replacement;
}

}  // namespace Travix::Dtd
