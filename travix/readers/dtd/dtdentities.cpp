#include "travix/readers/dtd/dtdentities.h"

#include <algorithm>
#include <unordered_map>

#include "travix/readers/dtd/dtdreport.h"
#include "travix/readers/dtd/dtdsymbols.h"
#include "travix/readers/dtd/storedtext.h"

namespace Travix::Dtd {

namespace {

enum class LiteralSlot { EntityValue, PublicId, SystemLiteral };

struct EntityState {
  // Declared entities by name ("%name" for parameter entities) and row.
  std::unordered_map<std::string, int> general;
  std::unordered_map<std::string, int> parameter;
  int declared = 0;  // row of the entity being declared; 0 when the declaration does not count
  LiteralSlot next = LiteralSlot::EntityValue;
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
  return found == declared.end() ? 0 : found->second;
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

}  // namespace

void ResetEntities() { Entities() = EntityState(); }

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
      row = StoreSymbol(MarkParameterReferences(text), EntityValueSymbol);
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

void EndEntityDeclaration() {
  EntityState& entities = Entities();
  entities.declared = 0;
  entities.next = LiteralSlot::EntityValue;
}

Replacement ResolveReference(std::string_view name, bool parameter) {
  Replacement replacement;
  int row = DeclaredRow(name, parameter);
  if (row == 0) {
    ReportFatalError("Reference to undefined symbol");
    return replacement;
  }
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
