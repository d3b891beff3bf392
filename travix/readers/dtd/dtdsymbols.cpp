#include "travix/readers/dtd/dtdsymbols.h"

#include "travix/readers/dtd/dtdreport.h"
#include "travix/readers/dtd/storedtext.h"

namespace Travix::Dtd {

namespace {

constexpr std::string_view ErrorPrefix = "Error: ";

// The table's own failures begin with "Error: "; the table being full ends
// the run as it stands, any other failure belongs to the text at hand. A
// text too long ends the scan where it stands, so that no later report
// (of a reference to an entity left without its value) takes its place.
void ReportTableFailure(std::string_view entity) {
  std::string_view message = SymbolGetLastError();
  if (message == "Error: Symbol table full\n" || message == "Error: Lexemes array full\n") {
    RecordFailure(message);
    return;
  }
  const bool tooLong = message == "Error: Text too long after entity expansion\n";
  if (message.substr(0, ErrorPrefix.size()) == ErrorPrefix)
    message.remove_prefix(ErrorPrefix.size());
  while (!message.empty() && message.back() == '\n') message.remove_suffix(1);
  if (!tooLong) {
    ReportError(message);
  } else if (entity.empty()) {
    ReportFatalError(message);
  } else {
    ReportFatalError(std::string(message) + " in the value of entity '" + std::string(entity) + "'");
  }
}

}  // namespace

void ResetSymbols() {
  SymbolResetTable();
  SymbolResolveEntities(1);
}

int StoreSymbol(std::string_view text, SymbolKind kind, bool expand, std::string_view entity) {
  std::string terminated = StoredForm(text, expand);
  if (!expand) SymbolResolveEntities(0);
  int row = SymbolInsert(terminated.c_str(), kind);
  if (!expand) SymbolResolveEntities(1);
  if (row > 0) return row;
  ReportTableFailure(entity);
  return 0;
}

int FindOrStoreSymbol(std::string_view text, SymbolKind kind, bool expand) {
  // A row holds its text as stored; text with references in it is stored
  // expanded or not, so only a text without any is sure to match.
  std::string stored = StoredForm(text, expand);
  bool storedAsGiven = !expand || stored.find('&') == std::string::npos;
  int row = storedAsGiven ? SymbolLookup(stored.c_str()) : 0;
  return row > 0 ? row : StoreSymbol(text, kind, expand);
}

std::string_view SymbolText(int row) {
  const char* text = row > 0 ? SymbolGetEntry(row) : nullptr;
  return text ? std::string_view(text) : std::string_view();
}

}  // namespace Travix::Dtd
