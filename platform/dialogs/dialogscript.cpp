#include "platform/dialogs/dialogscript.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <optional>

#include "platform/dialogs/dialogconstants.h"

namespace Platform {

namespace {

#define SYMBOL(name) {#name, static_cast<DWORD>(name)}
const std::map<std::string, DWORD, std::less<>>& Symbols() {
  static const std::map<std::string, DWORD, std::less<>> symbols = {
      SYMBOL(IDOK), SYMBOL(IDCANCEL), SYMBOL(IDABORT), SYMBOL(IDRETRY), SYMBOL(IDIGNORE), SYMBOL(IDYES),
      SYMBOL(IDNO), SYMBOL(IDC_STATIC),
      SYMBOL(WS_OVERLAPPED), SYMBOL(WS_POPUP), SYMBOL(WS_CHILD), SYMBOL(WS_MINIMIZE), SYMBOL(WS_VISIBLE),
      SYMBOL(WS_DISABLED), SYMBOL(WS_CLIPSIBLINGS), SYMBOL(WS_CLIPCHILDREN), SYMBOL(WS_MAXIMIZE),
      SYMBOL(WS_CAPTION), SYMBOL(WS_BORDER), SYMBOL(WS_DLGFRAME), SYMBOL(WS_VSCROLL), SYMBOL(WS_HSCROLL),
      SYMBOL(WS_SYSMENU), SYMBOL(WS_THICKFRAME), SYMBOL(WS_GROUP), SYMBOL(WS_TABSTOP), SYMBOL(WS_MINIMIZEBOX),
      SYMBOL(WS_MAXIMIZEBOX), SYMBOL(WS_EX_DLGMODALFRAME), SYMBOL(WS_EX_TRANSPARENT), SYMBOL(WS_EX_CLIENTEDGE),
      SYMBOL(WS_EX_STATICEDGE),
      SYMBOL(DS_ABSALIGN), SYMBOL(DS_SYSMODAL), SYMBOL(DS_3DLOOK), SYMBOL(DS_FIXEDSYS), SYMBOL(DS_SETFONT),
      SYMBOL(DS_MODALFRAME), SYMBOL(DS_CONTROL), SYMBOL(DS_CENTER), SYMBOL(DS_SHELLFONT),
      SYMBOL(BS_PUSHBUTTON), SYMBOL(BS_DEFPUSHBUTTON), SYMBOL(BS_CHECKBOX), SYMBOL(BS_AUTOCHECKBOX),
      SYMBOL(BS_RADIOBUTTON), SYMBOL(BS_3STATE), SYMBOL(BS_AUTO3STATE), SYMBOL(BS_GROUPBOX),
      SYMBOL(BS_AUTORADIOBUTTON), SYMBOL(BS_OWNERDRAW), SYMBOL(BS_LEFTTEXT), SYMBOL(BS_BITMAP),
      SYMBOL(SS_LEFT), SYMBOL(SS_CENTER), SYMBOL(SS_RIGHT), SYMBOL(SS_ICON), SYMBOL(SS_BLACKFRAME),
      SYMBOL(SS_GRAYFRAME), SYMBOL(SS_WHITEFRAME), SYMBOL(SS_LEFTNOWORDWRAP), SYMBOL(SS_BITMAP),
      SYMBOL(SS_ETCHEDFRAME), SYMBOL(SS_NOPREFIX), SYMBOL(SS_NOTIFY), SYMBOL(SS_CENTERIMAGE),
      SYMBOL(SS_REALSIZEIMAGE), SYMBOL(SS_SUNKEN),
      SYMBOL(ES_LEFT), SYMBOL(ES_CENTER), SYMBOL(ES_RIGHT), SYMBOL(ES_MULTILINE), SYMBOL(ES_UPPERCASE),
      SYMBOL(ES_LOWERCASE), SYMBOL(ES_PASSWORD), SYMBOL(ES_AUTOVSCROLL), SYMBOL(ES_AUTOHSCROLL),
      SYMBOL(ES_NOHIDESEL), SYMBOL(ES_READONLY), SYMBOL(ES_WANTRETURN), SYMBOL(ES_NUMBER),
      SYMBOL(LBS_NOTIFY), SYMBOL(LBS_SORT), SYMBOL(LBS_NOINTEGRALHEIGHT), SYMBOL(LBS_STANDARD),
      SYMBOL(CBS_SIMPLE), SYMBOL(CBS_DROPDOWN), SYMBOL(CBS_DROPDOWNLIST), SYMBOL(CBS_AUTOHSCROLL),
      SYMBOL(CBS_SORT), SYMBOL(CBS_HASSTRINGS), SYMBOL(CBS_NOINTEGRALHEIGHT),
      SYMBOL(TBS_AUTOTICKS), SYMBOL(TBS_VERT), SYMBOL(TBS_HORZ), SYMBOL(TBS_BOTH), SYMBOL(TBS_NOTICKS),
      SYMBOL(TVS_HASBUTTONS), SYMBOL(TVS_HASLINES), SYMBOL(TVS_LINESATROOT), SYMBOL(TVS_SHOWSELALWAYS),
  };
  return symbols;
}
#undef SYMBOL

const std::map<std::string, WORD, std::less<>>& ClassAtoms() {
  static const std::map<std::string, WORD, std::less<>> atoms = {
      {"BUTTON", DLGCLASS_BUTTON},       {"EDIT", DLGCLASS_EDIT},           {"STATIC", DLGCLASS_STATIC},
      {"LISTBOX", DLGCLASS_LISTBOX},     {"SCROLLBAR", DLGCLASS_SCROLLBAR}, {"COMBOBOX", DLGCLASS_COMBOBOX},
  };
  return atoms;
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

enum class TokenKind { End, Word, Number, String, Punct };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;  // a word upper-cased as written, a string's value, a punctuation mark
  long long number = 0;
  int line = 0;
};

class Lexer {
 public:
  Lexer(std::string_view text, std::vector<std::string>& errors, std::string_view name)
      : m_text(text), m_errors(errors), m_name(name) {}

  std::vector<Token> Run() {
    std::vector<Token> tokens;
    while (true) {
      SkipSpaceAndComments();
      Token token;
      token.line = m_line;
      if (m_pos >= m_text.size()) {
        tokens.push_back(token);
        return tokens;
      }
      const char c = m_text[m_pos];
      if (c == '"') {
        token.kind = TokenKind::String;
        token.text = ReadString();
      } else if (std::isdigit(static_cast<unsigned char>(c)) || (c == '-' && NextIsDigit())) {
        token.kind = TokenKind::Number;
        token.number = ReadNumber();
      } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '#') {
        token.kind = TokenKind::Word;
        const std::size_t start = m_pos++;
        while (m_pos < m_text.size() && (std::isalnum(static_cast<unsigned char>(m_text[m_pos])) || m_text[m_pos] == '_'))
          ++m_pos;
        token.text = std::string(m_text.substr(start, m_pos - start));
      } else if (std::string_view(",|(){}").find(c) != std::string_view::npos) {
        token.kind = TokenKind::Punct;
        token.text = std::string(1, c);
        ++m_pos;
      } else {
        Error("unexpected character '" + std::string(1, c) + "'");
        ++m_pos;
        continue;
      }
      tokens.push_back(std::move(token));
    }
  }

 private:
  void Error(const std::string& what) {
    m_errors.push_back(std::string(m_name) + ":" + std::to_string(m_line) + ": " + what);
  }
  bool NextIsDigit() const {
    return m_pos + 1 < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos + 1]));
  }
  void SkipSpaceAndComments() {
    while (m_pos < m_text.size()) {
      const char c = m_text[m_pos];
      if (c == '\n') {
        ++m_line;
        ++m_pos;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++m_pos;
      } else if (m_text.substr(m_pos, 2) == "//") {
        while (m_pos < m_text.size() && m_text[m_pos] != '\n') ++m_pos;
      } else if (m_text.substr(m_pos, 2) == "/*") {
        const std::size_t end = m_text.find("*/", m_pos + 2);
        const std::size_t stop = end == std::string_view::npos ? m_text.size() : end + 2;
        if (end == std::string_view::npos) Error("comment is not closed");
        m_line += int(std::count(m_text.begin() + m_pos, m_text.begin() + stop, '\n'));
        m_pos = stop;
      } else {
        return;
      }
    }
  }
  std::string ReadString() {
    std::string value;
    ++m_pos;
    while (true) {
      if (m_pos >= m_text.size() || m_text[m_pos] == '\n') {
        Error("string is not closed");
        return value;
      }
      const char c = m_text[m_pos++];
      if (c == '"') {
        if (m_pos < m_text.size() && m_text[m_pos] == '"') {
          value += '"';
          ++m_pos;
          continue;
        }
        return value;
      }
      if (c == '\\' && m_pos < m_text.size()) {
        const char e = m_text[m_pos++];
        switch (e) {
        case 'n': value += '\n'; break;
        case 'r': value += '\r'; break;
        case 't': value += '\t'; break;
        case '"': value += '"'; break;
        case '\\': value += '\\'; break;
        default: Error(std::string("unknown escape \\") + e); break;
        }
        continue;
      }
      value += c;
    }
  }
  long long ReadNumber() {
    const bool negative = m_text[m_pos] == '-';
    if (negative) ++m_pos;
    int base = 10;
    if (m_text.substr(m_pos, 2) == "0x" || m_text.substr(m_pos, 2) == "0X") {
      base = 16;
      m_pos += 2;
    }
    unsigned long long value = 0;
    const char* first = m_text.data() + m_pos;
    const auto [end, error] = std::from_chars(first, m_text.data() + m_text.size(), value, base);
    if (error != std::errc() || value > 0xFFFFFFFFull) Error("bad number");
    m_pos += std::size_t(end - first);
    // A trailing L or U, as resource scripts allow.
    while (m_pos < m_text.size() && std::string_view("lLuU").find(m_text[m_pos]) != std::string_view::npos) ++m_pos;
    return negative ? -static_cast<long long>(value) : static_cast<long long>(value);
  }

  std::string_view m_text;
  std::vector<std::string>& m_errors;
  std::string_view m_name;
  std::size_t m_pos = 0;
  int m_line = 1;
};

enum class ControlForm { Text, NoText, Icon };

struct Statement {
  ControlForm form;
  WORD classAtom;
  DWORD style;
};

const std::map<std::string, Statement, std::less<>>& Statements() {
  static const std::map<std::string, Statement, std::less<>> statements = {
      {"LTEXT", {ControlForm::Text, DLGCLASS_STATIC, SS_LEFT | WS_GROUP}},
      {"RTEXT", {ControlForm::Text, DLGCLASS_STATIC, SS_RIGHT | WS_GROUP}},
      {"CTEXT", {ControlForm::Text, DLGCLASS_STATIC, SS_CENTER | WS_GROUP}},
      {"GROUPBOX", {ControlForm::Text, DLGCLASS_BUTTON, BS_GROUPBOX}},
      {"PUSHBUTTON", {ControlForm::Text, DLGCLASS_BUTTON, BS_PUSHBUTTON | WS_TABSTOP}},
      {"DEFPUSHBUTTON", {ControlForm::Text, DLGCLASS_BUTTON, BS_DEFPUSHBUTTON | WS_TABSTOP}},
      {"CHECKBOX", {ControlForm::Text, DLGCLASS_BUTTON, BS_CHECKBOX | WS_TABSTOP}},
      {"AUTOCHECKBOX", {ControlForm::Text, DLGCLASS_BUTTON, BS_AUTOCHECKBOX | WS_TABSTOP}},
      {"RADIOBUTTON", {ControlForm::Text, DLGCLASS_BUTTON, BS_RADIOBUTTON}},
      {"AUTORADIOBUTTON", {ControlForm::Text, DLGCLASS_BUTTON, BS_AUTORADIOBUTTON}},
      {"STATE3", {ControlForm::Text, DLGCLASS_BUTTON, BS_3STATE | WS_TABSTOP}},
      {"AUTO3STATE", {ControlForm::Text, DLGCLASS_BUTTON, BS_AUTO3STATE | WS_TABSTOP}},
      {"EDITTEXT", {ControlForm::NoText, DLGCLASS_EDIT, ES_LEFT | WS_BORDER | WS_TABSTOP}},
      {"LISTBOX", {ControlForm::NoText, DLGCLASS_LISTBOX, LBS_NOTIFY | WS_BORDER}},
      {"COMBOBOX", {ControlForm::NoText, DLGCLASS_COMBOBOX, WS_TABSTOP}},
      {"ICON", {ControlForm::Icon, DLGCLASS_STATIC, SS_ICON}},
  };
  return statements;
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, DialogScriptResult& result, std::string_view name)
      : m_tokens(std::move(tokens)), m_result(result), m_name(name) {}

  void Run() {
    while (Peek().kind != TokenKind::End) {
      const std::size_t errorsBefore = m_result.errors.size();
      if (PeekWord("#DEFINE")) {
        Define();
      } else {
        Dialog();
      }
      if (m_result.errors.size() != errorsBefore) return;  // one error per script is enough to read
    }
  }

 private:
  const Token& Peek() const { return m_tokens[m_index]; }
  const Token& Next() {
    const Token& token = m_tokens[m_index];
    if (token.kind != TokenKind::End) ++m_index;
    return token;
  }
  bool PeekWord(std::string_view upper) const { return Peek().kind == TokenKind::Word && Upper(Peek().text) == upper; }
  bool PeekPunct(char c) const { return Peek().kind == TokenKind::Punct && Peek().text[0] == c; }
  bool Failed() const { return m_failed; }
  void Error(const std::string& what) {
    if (m_failed) return;
    m_failed = true;
    m_result.errors.push_back(std::string(m_name) + ":" + std::to_string(Peek().line) + ": " + what);
  }
  void Expect(char c) {
    if (!PeekPunct(c)) return Error(std::string("expected '") + c + "'");
    Next();
  }
  bool Comma() {
    if (!PeekPunct(',')) return false;
    Next();
    return true;
  }

  std::optional<DWORD> Symbol(const std::string& name) const {
    if (auto it = m_defines.find(name); it != m_defines.end()) return it->second;
    if (auto it = Symbols().find(name); it != Symbols().end()) return it->second;
    return std::nullopt;
  }

  // A value: a number, a known name, or a bracketed expression.
  DWORD Primary() {
    if (PeekPunct('(')) {
      Next();
      const DWORD value = Expression(0);
      Expect(')');
      return value;
    }
    const Token& token = Peek();
    if (token.kind == TokenKind::Number) {
      Next();
      return static_cast<DWORD>(token.number);
    }
    if (token.kind == TokenKind::Word) {
      if (auto value = Symbol(token.text)) {
        Next();
        return *value;
      }
      Error("unknown name '" + token.text + "'");
      return 0;
    }
    Error("expected a number or a name");
    return 0;
  }

  // Terms joined by "|"; a NOT term clears its bits from what stands so far,
  // beginning with the statement's default.
  DWORD Expression(DWORD initial) {
    DWORD value = initial;
    do {
      if (PeekWord("NOT")) {
        Next();
        value &= ~Primary();
      } else {
        value |= Primary();
      }
    } while (!Failed() && PeekPunct('|') && (Next(), true));
    return value;
  }

  SHORT Coordinate() {
    const DWORD value = Expression(0);
    const auto signedValue = static_cast<std::int32_t>(value);
    if (signedValue < -32768 || signedValue > 32767) Error("coordinate out of range");
    return static_cast<SHORT>(signedValue);
  }

  void Rectangle(DialogItemTemplate& item, bool sizeOptional = false) {
    item.x = Coordinate();
    Expect(',');
    item.y = Coordinate();
    if (sizeOptional && !PeekPunct(',')) return;
    Expect(',');
    if (sizeOptional && !(Peek().kind == TokenKind::Number || Peek().kind == TokenKind::Word)) return;
    item.cx = Coordinate();
    Expect(',');
    item.cy = Coordinate();
  }

  std::string String() {
    if (Peek().kind != TokenKind::String) {
      Error("expected a quoted text");
      return {};
    }
    return Next().text;
  }

  DWORD ControlId() {
    const DWORD value = Expression(0);
    const auto signedValue = static_cast<std::int32_t>(value);
    if (!m_current->extended && (signedValue < -32768 || signedValue > 65535)) Error("control id out of range");
    return m_current->extended ? value : DWORD(WORD(value));
  }

  void Define() {
    Next();
    if (Peek().kind != TokenKind::Word) return Error("expected a name after #define");
    const std::string name = Next().text;
    m_defines[name] = Expression(0);
  }

  void Dialog() {
    const Token& idToken = Peek();
    DWORD id = Expression(0);
    if (Failed()) return;
    if (id == 0 || id > 0xFFFF) return Error("dialog id must be 1 to 65535");
    if (idToken.kind == TokenKind::End) return;
    CompiledDialog dialog;
    dialog.id = WORD(id);
    for (const CompiledDialog& other : m_result.dialogs) {
      if (other.id == dialog.id) return Error("dialog " + std::to_string(id) + " is defined twice");
    }
    DialogTemplate& t = dialog.dialogTemplate;
    m_current = &t;
    if (PeekWord("DIALOGEX")) {
      t.extended = true;
    } else if (!PeekWord("DIALOG")) {
      return Error("expected DIALOG or DIALOGEX");
    }
    Next();
    t.x = Coordinate();
    Expect(',');
    t.y = Coordinate();
    Expect(',');
    t.cx = Coordinate();
    Expect(',');
    t.cy = Coordinate();
    if (t.extended && Comma()) t.helpId = Expression(0);
    DWORD style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    DWORD added = 0;
    while (!Failed()) {
      if (PeekWord("STYLE")) {
        Next();
        style = Expression(0);
      } else if (PeekWord("EXSTYLE")) {
        Next();
        t.exStyle = Expression(0);
      } else if (PeekWord("CAPTION")) {
        Next();
        t.title = String();
        added |= WS_CAPTION;
      } else if (PeekWord("FONT")) {
        Next();
        const DWORD points = Expression(0);
        if (points > 0xFFFF) Error("font size out of range");
        t.pointSize = WORD(points);
        Expect(',');
        t.typeface = String();
        if (t.extended && Comma()) {
          t.weight = WORD(Expression(0));
          if (Comma()) t.italic = BYTE(Expression(0));
          if (Comma()) t.charset = BYTE(Expression(0));
        }
        added |= DS_SETFONT;
      } else if (PeekWord("CLASS")) {
        Next();
        t.windowClass = NameOrOrdinal::Text(String());
      } else if (PeekWord("MENU")) {
        Next();
        t.menu = NameOrOrdinal::Ordinal(WORD(Expression(0)));
      } else {
        break;
      }
    }
    t.style = style | added;
    if (PeekWord("BEGIN") || PeekPunct('{')) {
      Next();
    } else {
      return Error("expected BEGIN");
    }
    while (!Failed() && !(PeekWord("END") || PeekPunct('}'))) {
      if (Peek().kind == TokenKind::End) return Error("dialog " + std::to_string(id) + " has no END");
      Control(t);
    }
    if (Failed()) return;
    Next();
    if (t.items.size() > 0xFFFF) return Error("too many controls");
    m_result.dialogs.push_back(std::move(dialog));
  }

  void Control(DialogTemplate& t) {
    if (Peek().kind != TokenKind::Word) return Error("expected a control statement");
    const std::string keyword = Upper(Next().text);
    DialogItemTemplate item;
    const DWORD base = WS_CHILD | WS_VISIBLE;
    if (keyword == "CONTROL") {
      if (Peek().kind == TokenKind::Number) {
        item.title = NameOrOrdinal::Ordinal(WORD(Next().number));
      } else {
        item.title = NameOrOrdinal::Text(String());
      }
      Expect(',');
      item.id = ControlId();
      Expect(',');
      if (Peek().kind == TokenKind::String) {
        const std::string name = Next().text;
        auto atom = ClassAtoms().find(Upper(name));
        item.windowClass = atom != ClassAtoms().end() ? NameOrOrdinal::Ordinal(atom->second) : NameOrOrdinal::Text(name);
      } else if (Peek().kind == TokenKind::Word && ClassAtoms().count(Upper(Peek().text))) {
        item.windowClass = NameOrOrdinal::Ordinal(ClassAtoms().find(Upper(Next().text))->second);
      } else {
        return Error("expected a window class");
      }
      Expect(',');
      item.style = Expression(base);
      Expect(',');
      Rectangle(item);
      if (Comma()) item.exStyle = Expression(0);
      if (t.extended && Comma()) item.helpId = Expression(0);
    } else if (auto statement = Statements().find(keyword); statement != Statements().end()) {
      const Statement& s = statement->second;
      item.windowClass = NameOrOrdinal::Ordinal(s.classAtom);
      if (s.form == ControlForm::Text) {
        item.title = NameOrOrdinal::Text(String());
        Expect(',');
      } else if (s.form == ControlForm::Icon) {
        if (Peek().kind == TokenKind::String) {
          item.title = NameOrOrdinal::Text(String());
        } else {
          item.title = NameOrOrdinal::Ordinal(WORD(Expression(0)));
        }
        Expect(',');
      }
      item.id = ControlId();
      Expect(',');
      Rectangle(item, s.form == ControlForm::Icon);
      item.style = base | s.style;
      if (Comma()) item.style = Expression(item.style);
      if (Comma()) item.exStyle = Expression(0);
      // A combo box is simple unless its style names another kind.
      if (s.classAtom == DLGCLASS_COMBOBOX && (item.style & 0x3u) == 0) item.style |= CBS_SIMPLE;
    } else {
      return Error("unknown control statement '" + keyword + "'");
    }
    if (!Failed()) t.items.push_back(std::move(item));
  }

  std::vector<Token> m_tokens;
  std::size_t m_index = 0;
  DialogScriptResult& m_result;
  std::string_view m_name;
  std::map<std::string, DWORD> m_defines;
  DialogTemplate* m_current = nullptr;
  bool m_failed = false;
};

}  // namespace

DialogScriptResult CompileDialogScript(std::string_view text, std::string_view sourceName) {
  DialogScriptResult result;
  std::vector<Token> tokens = Lexer(text, result.errors, sourceName).Run();
  if (!result.errors.empty()) return result;
  Parser(std::move(tokens), result, sourceName).Run();
  if (!result.errors.empty()) result.dialogs.clear();
  return result;
}

}  // namespace Platform
