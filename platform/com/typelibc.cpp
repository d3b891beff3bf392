// typelibc: compiles the description of one type library into the bytes
// its server carries as TYPELIB 1, and into the dispatch tables of its
// interfaces, so the two never describe an interface differently.
//
//   typelibc [--import LIBRARY.tlb]... DESCRIPTION OUTPUT.tlb [TABLES.h]
//   typelibc --source SYMBOL DESCRIPTION OUTPUT.cpp      (the bytes as a C array)
//
// A description is a text of lines; "#" starts a comment.
//
//   library NAME {GUID} MAJOR.MINOR
//   help "TEXT"  |  helpfile "FILE"  |  lcid NUMBER      (the library's)
//
//   enum NAME                         record NAME            alias NAME TYPE
//     CONSTANT = VALUE                  TYPE FIELD[COUNT]
//   end                                 union                (an anonymous one)
//                                         TYPE FIELD
//                                       end
//                                     end
//
//   interface NAME {IID} [dual] [: BASE]      dispinterface NAME {IID}
//     help "TEXT"                               dispatch C++CLASS   (its table calls it)
//     [restricted] [hidden] KIND [ID] NAME(PARAMETERS) [: RESULT] [calls MEMBER] ["HELP"]
//   end
//
//   coclass NAME {CLSID} [control] [noncreatable]
//     [default] [source] [restricted] interface|dispinterface NAME
//   end                               (the first of each side is the default
//                                      when none is named)
//
// KIND is method, get, put or putref; a parameter is [in] [out] [retval]
// [optional] [lcid] TYPE NAME. An interface member without an ID gets
// 0x60020000 plus its place; every member of a dual or dispatch interface
// that is not restricted must take and answer automation types only, as
// those are what its dispatch table carries. Types are the automation
// names (BSTR, VARIANT, VARIANT_BOOL, long, int, float, IUnknown*, ...),
// the library's own types and those of the imported libraries, with "*"
// for each pointer.
//
// The tables header defines the dispatch table of every dual interface and
// of every dispatch interface that names its class, checks each entry's
// argument count against the C++ member at compile time, and lists the
// tables as <LIBRARY>_DISPATCH_TABLES(X).
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/com/typelibdata.h"

namespace {

using namespace Platform::TypeLibData;

constexpr MEMBERID kFirstAssignedId = 0x60020000;
constexpr MEMBERID kFirstFieldId = 0x40000000;
constexpr WORD kSlotsOfIUnknown = 3;
constexpr WORD kSlotsOfIDispatch = 7;

struct Failure {
  std::string text;
};

std::string g_file;

[[noreturn]] void Fail(int line, const std::string& text) {
  throw Failure{g_file + ":" + std::to_string(line) + ": " + text};
}

// One line, split into words, strings (quotes taken off), GUIDs (braces
// kept) and the marks ( ) , : * [ ] =.
struct Line {
  int number = 0;
  std::vector<std::string> words;
  std::vector<bool> quoted;
};

Line Split(const std::string& text, int number) {
  Line line;
  line.number = number;
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      std::string word;
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size())
          ++i;
        word += text[i];
      }
      if (i >= text.size())
        Fail(number, "a string without its closing quote");
      ++i;
      line.words.push_back(word);
      line.quoted.push_back(true);
    } else if (c == '{') {
      std::size_t close = text.find('}', i);
      if (close == std::string::npos)
        Fail(number, "a GUID without its closing brace");
      line.words.push_back(text.substr(i, close - i + 1));
      line.quoted.push_back(false);
      i = close + 1;
    } else if (std::string("(),:*[]=").find(c) != std::string::npos) {
      // "::" belongs to a C++ name.
      if (c == ':' && i + 1 < text.size() && text[i + 1] == ':' && !line.words.empty()) {
        line.words.back() += "::";
        i += 2;
        std::size_t start = i;
        while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_'))
          ++i;
        line.words.back() += text.substr(start, i - start);
        continue;
      }
      line.words.push_back(std::string(1, c));
      line.quoted.push_back(false);
      ++i;
    } else {
      std::size_t start = i;
      while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) &&
             std::string("(),:*[]=\"#{").find(text[i]) == std::string::npos)
        ++i;
      line.words.push_back(text.substr(start, i - start));
      line.quoted.push_back(false);
    }
  }
  return line;
}

GUID ParseGuid(const std::string& text, int line) {
  auto hex = [&](std::size_t at, std::size_t digits) {
    unsigned long long value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
      char c = text[at + i];
      int digit = std::isdigit(static_cast<unsigned char>(c))  ? c - '0'
                  : std::isxdigit(static_cast<unsigned char>(c)) ? std::tolower(c) - 'a' + 10
                                                                  : -1;
      if (digit < 0)
        Fail(line, "'" + text + "' is not a GUID");
      value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
  };
  if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-')
    Fail(line, "'" + text + "' is not a GUID in braces");
  GUID guid{};
  guid.Data1 = static_cast<DWORD>(hex(1, 8));
  guid.Data2 = static_cast<WORD>(hex(10, 4));
  guid.Data3 = static_cast<WORD>(hex(15, 4));
  guid.Data4[0] = static_cast<BYTE>(hex(20, 2));
  guid.Data4[1] = static_cast<BYTE>(hex(22, 2));
  for (int i = 0; i < 6; ++i)
    guid.Data4[2 + i] = static_cast<BYTE>(hex(25 + 2 * static_cast<std::size_t>(i), 2));
  return guid;
}

long long ParseNumber(const std::string& text, int line) {
  std::string digits = text;
  bool negative = !digits.empty() && digits[0] == '-';
  if (negative)
    digits.erase(0, 1);
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
    base = 16, digits.erase(0, 2);
  long long value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
    Fail(line, "'" + text + "' is not a number");
  return negative ? -value : value;
}

bool IsNumber(const std::string& text) {
  return !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) ||
                           (text[0] == '-' && text.size() > 1 && std::isdigit(static_cast<unsigned char>(text[1]))));
}

struct BaseType {
  VARTYPE vt;
  WORD size;
};

const std::map<std::string, BaseType>& BaseTypes() {
  static const std::map<std::string, BaseType> types = {
      {"void", {VT_VOID, 0}},        {"HRESULT", {VT_HRESULT, 4}}, {"BSTR", {VT_BSTR, 8}},
      {"VARIANT", {VT_VARIANT, 24}}, {"VARIANT_BOOL", {VT_BOOL, 2}}, {"BOOL", {VT_I4, 4}},
      {"long", {VT_I4, 4}},          {"LONG", {VT_I4, 4}},          {"int", {VT_INT, 4}},
      {"UINT", {VT_UINT, 4}},        {"short", {VT_I2, 2}},         {"SHORT", {VT_I2, 2}},
      {"USHORT", {VT_UI2, 2}},       {"WORD", {VT_UI2, 2}},         {"ULONG", {VT_UI4, 4}},
      {"DWORD", {VT_UI4, 4}},        {"char", {VT_I1, 1}},          {"BYTE", {VT_UI1, 1}},
      {"float", {VT_R4, 4}},         {"double", {VT_R8, 8}},        {"LONGLONG", {VT_I8, 8}},
      {"ULONGLONG", {VT_UI8, 8}},    {"SCODE", {VT_ERROR, 4}},      {"DATE", {VARTYPE{7}, 8}},
      {"LPSTR", {VT_LPSTR, 8}},      {"LPWSTR", {VT_LPWSTR, 8}},    {"INT_PTR", {VT_INT_PTR, 8}},
      {"UINT_PTR", {VT_UINT_PTR, 8}},
  };
  return types;
}

// What the automation tables carry: these base types, enums, interfaces
// (by pointer) and, for a class identifier, the GUID record.
bool AutomationBase(VARTYPE vt) {
  switch (vt) {
  case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_BSTR: case VT_DISPATCH: case VT_ERROR:
  case VT_BOOL: case VT_VARIANT: case VT_UNKNOWN: case VT_I1: case VT_UI1: case VT_UI2: case VT_UI4:
  case VT_I8: case VT_UI8: case VT_INT: case VT_UINT: case VARTYPE{7}:
    return true;
  default:
    return false;
  }
}

// A type the description names, before its references are known.
struct Named {
  std::vector<VARTYPE> chain;  // without the user-defined end
  std::string userName;        // when it ends in a user-defined type
  ULONG elements = 0;
  int line = 0;
};

struct PendingParam {
  std::string name;
  Named type;
  USHORT flags = 0;
};

struct PendingFunction {
  Function function;
  Named result;
  std::vector<PendingParam> params;
  std::string calls;  // the C++ member its table entry calls
  bool explicitId = false;
  int line = 0;
};

struct PendingField {
  std::string name;
  Named type;
  int union_ = -1;  // an anonymous union: its index in unions
  int line = 0;
};

struct PendingType {
  TypeInfo info;
  int line = 0;
  std::string base;  // interfaces
  std::string dispatchClass;
  std::vector<PendingFunction> functions;
  std::vector<PendingField> fields;
  std::vector<std::pair<std::string, INT>> classInterfaces;
  Named alias;
  bool layoutDone = false;
  bool layoutBusy = false;
};

class Compiler {
public:
  void Import(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Library library;
    if (!in.good() && !in.eof())
      throw Failure{path + ": cannot be read"};
    if (FAILED(Read(bytes, library)))
      throw Failure{path + ": not a type library"};
    m_imported.push_back(std::move(library));
  }

  Library Compile(std::istream& in) {
    std::string text;
    std::vector<Line> lines;
    for (int number = 1; std::getline(in, text); ++number) {
      Line line = Split(text, number);
      if (!line.words.empty())
        lines.push_back(std::move(line));
    }
    Parse(lines);
    Resolve();
    return m_library;
  }

  const std::vector<PendingType>& Types() const { return m_types; }
  const Library& Result() const { return m_library; }

private:
  void Parse(const std::vector<Line>& lines) {
    std::size_t i = 0;
    bool haveLibrary = false;
    while (i < lines.size()) {
      const Line& line = lines[i];
      const std::string& keyword = line.words[0];
      if (keyword == "library") {
        Need(line, 4);
        m_library.name = line.words[1];
        m_library.guid = ParseGuid(line.words[2], line.number);
        ParseVersion(line.words[3], line.number);
        haveLibrary = true;
        ++i;
      } else if (keyword == "help" || keyword == "helpfile" || keyword == "lcid") {
        Need(line, 2);
        if (!m_types.empty())
          Fail(line.number, "the library's " + keyword + " comes before its types");
        if (keyword == "help")
          m_library.help = line.words[1];
        else if (keyword == "helpfile")
          m_library.helpFile = line.words[1];
        else
          m_library.lcid = static_cast<LCID>(ParseNumber(line.words[1], line.number));
        ++i;
      } else if (keyword == "enum" || keyword == "record" || keyword == "interface" ||
                 keyword == "dispinterface" || keyword == "coclass" || keyword == "alias") {
        if (!haveLibrary)
          Fail(line.number, "the description starts with its library line");
        i = ParseType(lines, i);
      } else {
        Fail(line.number, "'" + keyword + "' starts no statement");
      }
    }
    if (!haveLibrary)
      throw Failure{g_file + ": no library line"};
  }

  void Need(const Line& line, std::size_t count) {
    if (line.words.size() < count)
      Fail(line.number, "'" + line.words[0] + "' needs more words");
  }

  void ParseVersion(const std::string& text, int line) {
    std::size_t dot = text.find('.');
    if (dot == std::string::npos)
      Fail(line, "a version is MAJOR.MINOR");
    m_library.major = static_cast<WORD>(ParseNumber(text.substr(0, dot), line));
    m_library.minor = static_cast<WORD>(ParseNumber(text.substr(dot + 1), line));
  }

  void Declare(PendingType& type, const Line& line) {
    if (m_names.count(type.info.name) != 0)
      Fail(line.number, "'" + type.info.name + "' is described twice");
    m_names[type.info.name] = m_types.size();
  }

  std::size_t ParseType(const std::vector<Line>& lines, std::size_t i) {
    const Line& head = lines[i];
    const std::string& keyword = head.words[0];
    PendingType type;
    type.line = head.number;
    Need(head, 2);
    type.info.name = head.words[1];
    if (keyword == "alias") {
      type.info.kind = TKIND_ALIAS;
      std::size_t at = 2;
      type.alias = ParseNamed(head, at);
      if (at != head.words.size())
        Fail(head.number, "an alias is 'alias NAME TYPE'");
      Declare(type, head);
      m_types.push_back(std::move(type));
      return i + 1;
    }
    std::size_t at = 2;
    if (keyword == "interface" || keyword == "dispinterface" || keyword == "coclass") {
      Need(head, 3);
      type.info.guid = ParseGuid(head.words[2], head.number);
      at = 3;
    }
    if (keyword == "enum") {
      type.info.kind = TKIND_ENUM;
    } else if (keyword == "record") {
      type.info.kind = TKIND_RECORD;
    } else if (keyword == "interface") {
      type.info.kind = TKIND_INTERFACE;
      type.base = "IUnknown";
      for (; at < head.words.size(); ++at) {
        if (head.words[at] == "dual") {
          type.info.kind = TKIND_DISPATCH;
          type.info.flags |= TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
          type.base = "IDispatch";
        } else if (head.words[at] == "hidden") {
          type.info.flags |= TYPEFLAG_FHIDDEN;
        } else if (head.words[at] == ":" && at + 1 < head.words.size()) {
          type.base = head.words[++at];
        } else {
          Fail(head.number, "'" + head.words[at] + "' is no interface attribute");
        }
      }
    } else if (keyword == "dispinterface") {
      type.info.kind = TKIND_DISPATCH;
      type.info.flags |= TYPEFLAG_FDISPATCHABLE;
      type.base = "IDispatch";
    } else {
      type.info.kind = TKIND_COCLASS;
      type.info.flags |= TYPEFLAG_FCANCREATE;
      for (; at < head.words.size(); ++at) {
        if (head.words[at] == "control")
          type.info.flags |= TYPEFLAG_FCONTROL;
        else if (head.words[at] == "noncreatable")
          type.info.flags &= static_cast<WORD>(~TYPEFLAG_FCANCREATE);
        else
          Fail(head.number, "'" + head.words[at] + "' is no class attribute");
      }
    }
    if (keyword != "interface" && keyword != "coclass" && at < head.words.size())
      Fail(head.number, "unexpected '" + head.words[at] + "'");
    Declare(type, head);
    int unions = 0;
    int openUnion = -1;
    for (++i; i < lines.size(); ++i) {
      const Line& line = lines[i];
      const std::string& first = line.words[0];
      if (first == "end") {
        if (openUnion >= 0) {
          openUnion = -1;
          continue;
        }
        m_types.push_back(std::move(type));
        return i + 1;
      }
      if (first == "help") {
        Need(line, 2);
        type.info.help = line.words[1];
      } else if (type.info.kind == TKIND_ENUM) {
        if (line.words.size() != 3 || line.words[1] != "=")
          Fail(line.number, "an enum constant is 'NAME = VALUE'");
        Variable v;
        v.name = line.words[0];
        v.kind = VAR_CONST;
        v.value = static_cast<LONG>(ParseNumber(line.words[2], line.number));
        v.type = Type{{VT_I4}};
        v.id = kFirstFieldId + static_cast<MEMBERID>(type.info.variables.size());
        type.info.variables.push_back(v);
      } else if (type.info.kind == TKIND_RECORD) {
        if (first == "union") {
          if (openUnion >= 0)
            Fail(line.number, "a union inside a union");
          openUnion = ++unions;
          PendingField field;
          field.name = "union" + std::to_string(openUnion);
          field.union_ = static_cast<int>(m_unions.size());
          field.line = line.number;
          type.fields.push_back(field);
          PendingType u;
          u.info.kind = TKIND_UNION;
          u.info.name = type.info.name + "Union" + std::to_string(openUnion);
          u.line = line.number;
          m_unions.push_back(std::move(u));
          continue;
        }
        PendingField field = ParseField(line);
        if (openUnion >= 0)
          m_unions[static_cast<std::size_t>(type.fields.back().union_)].fields.push_back(field);
        else
          type.fields.push_back(field);
      } else if (type.info.kind == TKIND_COCLASS) {
        INT flags = 0;
        std::size_t w = 0;
        for (; w < line.words.size(); ++w) {
          if (line.words[w] == "default")
            flags |= IMPLTYPEFLAG_FDEFAULT;
          else if (line.words[w] == "source")
            flags |= IMPLTYPEFLAG_FSOURCE;
          else if (line.words[w] == "restricted")
            flags |= IMPLTYPEFLAG_FRESTRICTED;
          else
            break;
        }
        if (w + 2 != line.words.size() || (line.words[w] != "interface" && line.words[w] != "dispinterface"))
          Fail(line.number, "a class names '[default] [source] interface NAME'");
        type.classInterfaces.emplace_back(line.words[w + 1], flags);
      } else if (first == "dispatch") {
        if (keyword != "dispinterface" || line.words.size() != 2)
          Fail(line.number, "'dispatch CLASS' names the class of a dispatch interface's table");
        type.dispatchClass = line.words[1];
      } else {
        type.functions.push_back(ParseFunction(line, type));
      }
    }
    Fail(head.number, "'" + type.info.name + "' has no 'end'");
  }

  // A type: NAME with its stars (IUnknown* and IDispatch* are the
  // automation types of those pointers).
  Named ParseNamed(const Line& line, std::size_t& at) {
    if (at >= line.words.size())
      Fail(line.number, "a type is missing");
    Named named;
    named.line = line.number;
    std::string name = line.words[at++];
    int stars = 0;
    while (at < line.words.size() && line.words[at] == "*")
      ++stars, ++at;
    if ((name == "IUnknown" || name == "IDispatch") && stars > 0) {
      --stars;
      named.chain.assign(static_cast<std::size_t>(stars), VT_PTR);
      named.chain.push_back(name == "IUnknown" ? VT_UNKNOWN : VT_DISPATCH);
      return named;
    }
    named.chain.assign(static_cast<std::size_t>(stars), VT_PTR);
    auto base = BaseTypes().find(name);
    if (base != BaseTypes().end())
      named.chain.push_back(base->second.vt);
    else
      named.userName = name;
    return named;
  }

  PendingField ParseField(const Line& line) {
    PendingField field;
    field.line = line.number;
    std::size_t at = 0;
    field.type = ParseNamed(line, at);
    if (at >= line.words.size())
      Fail(line.number, "a field is 'TYPE NAME'");
    field.name = line.words[at++];
    if (at < line.words.size() && line.words[at] == "[") {
      if (at + 2 >= line.words.size() || line.words[at + 2] != "]")
        Fail(line.number, "an array field is 'TYPE NAME[COUNT]'");
      long long count = ParseNumber(line.words[at + 1], line.number);
      if (count <= 0)
        Fail(line.number, "an array has elements");
      field.type.elements = static_cast<ULONG>(count);
      at += 3;
    }
    if (at != line.words.size())
      Fail(line.number, "unexpected '" + line.words[at] + "'");
    return field;
  }

  PendingFunction ParseFunction(const Line& line, const PendingType& type) {
    PendingFunction pending;
    pending.line = line.number;
    Function& f = pending.function;
    std::size_t at = 0;
    for (; at < line.words.size(); ++at) {
      if (line.words[at] == "restricted")
        f.flags |= FUNCFLAG_FRESTRICTED;
      else if (line.words[at] == "hidden")
        f.flags |= FUNCFLAG_FHIDDEN;
      else
        break;
    }
    if (at >= line.words.size())
      Fail(line.number, "a member is 'KIND [ID] NAME(...)'");
    const std::string& kind = line.words[at++];
    if (kind == "method")
      f.kind = INVOKE_FUNC;
    else if (kind == "get")
      f.kind = INVOKE_PROPERTYGET;
    else if (kind == "put")
      f.kind = INVOKE_PROPERTYPUT;
    else if (kind == "putref")
      f.kind = INVOKE_PROPERTYPUTREF;
    else
      Fail(line.number, "'" + kind + "' is no member kind (method, get, put, putref)");
    if (at < line.words.size() && IsNumber(line.words[at])) {
      f.id = static_cast<MEMBERID>(ParseNumber(line.words[at++], line.number));
      pending.explicitId = true;
    }
    if (at + 1 >= line.words.size() || line.words[at + 1] != "(")
      Fail(line.number, "a member is 'KIND [ID] NAME(...)'");
    f.name = line.words[at];
    at += 2;
    while (at < line.words.size() && line.words[at] != ")") {
      PendingParam p;
      for (; at < line.words.size(); ++at) {
        const std::string& w = line.words[at];
        if (w == "in")
          p.flags |= PARAMFLAG_FIN;
        else if (w == "out")
          p.flags |= PARAMFLAG_FOUT;
        else if (w == "retval")
          p.flags |= PARAMFLAG_FRETVAL;
        else if (w == "optional")
          p.flags |= PARAMFLAG_FOPT;
        else if (w == "lcid")
          p.flags |= PARAMFLAG_FLCID;
        else
          break;
      }
      if ((p.flags & (PARAMFLAG_FIN | PARAMFLAG_FOUT)) == 0)
        p.flags |= PARAMFLAG_FIN;
      p.type = ParseNamed(line, at);
      if (at >= line.words.size() || line.words[at] == "," || line.words[at] == ")")
        Fail(line.number, "a parameter of '" + f.name + "' has no name");
      p.name = line.words[at++];
      pending.params.push_back(p);
      if (at < line.words.size() && line.words[at] == ",")
        ++at;
    }
    if (at >= line.words.size())
      Fail(line.number, "'(' of '" + f.name + "' is not closed");
    ++at;
    bool dispatchForm = type.info.kind == TKIND_DISPATCH && (type.info.flags & TYPEFLAG_FDUAL) == 0;
    pending.result.chain = {dispatchForm ? VT_VOID : VT_HRESULT};
    if (at < line.words.size() && line.words[at] == ":") {
      ++at;
      pending.result = ParseNamed(line, at);
    }
    if (at + 1 < line.words.size() && line.words[at] == "calls")
      pending.calls = line.words[at + 1], at += 2;
    if (at < line.words.size() && line.quoted[at])
      f.help = line.words[at++];
    if (at != line.words.size())
      Fail(line.number, "unexpected '" + line.words[at] + "'");
    return pending;
  }

  // A name of this library or of an imported one, as a reference.
  std::optional<HREFTYPE> Reference(const std::string& name) {
    auto local = m_names.find(name);
    if (local != m_names.end())
      return static_cast<HREFTYPE>(local->second);
    for (const Library& library : m_imported) {
      for (const TypeInfo& t : library.types) {
        if (t.name != name)
          continue;
        for (std::size_t i = 0; i < m_library.imports.size(); ++i)
          if (m_library.imports[i].name == name)
            return kImported | static_cast<HREFTYPE>(i);
        m_library.imports.push_back({library.guid, library.major, library.minor, t.guid, t.name, t.kind});
        m_importedTypes.push_back(&t);
        return kImported | static_cast<HREFTYPE>(m_library.imports.size() - 1);
      }
    }
    return std::nullopt;
  }

  const TypeInfo* Referenced(HREFTYPE r) const {
    if ((r & kImported) != 0)
      return m_importedTypes[r & ~kImported];
    return &m_types[r].info;
  }

  Type Finish(const Named& named) {
    Type type;
    if (named.elements > 0) {
      type.chain.push_back(VT_CARRAY);
      type.elements = named.elements;
    }
    type.chain.insert(type.chain.end(), named.chain.begin(), named.chain.end());
    if (!named.userName.empty()) {
      std::optional<HREFTYPE> r = Reference(named.userName);
      if (!r)
        Fail(named.line, "'" + named.userName + "' is no type of this library or of an imported one");
      type.chain.push_back(VT_USERDEFINED);
      type.reference = *r;
      const TypeInfo* t = Referenced(*r);
      bool byPointer = named.chain.size() > 0;
      if ((t->kind == TKIND_INTERFACE || t->kind == TKIND_DISPATCH) && !byPointer)
        Fail(named.line, "the interface '" + named.userName + "' is passed by pointer");
    }
    return type;
  }

  // Size and alignment of a field's type.
  std::pair<ULONG, WORD> LayoutOf(const Type& type, int line) {
    std::size_t i = type.chain[0] == VT_CARRAY ? 1 : 0;
    ULONG count = i == 1 ? type.elements : 1;
    VARTYPE vt = type.chain[i];
    ULONG size = 0;
    WORD alignment = 0;
    if (vt == VT_PTR || vt == VT_SAFEARRAY || vt == VT_UNKNOWN || vt == VT_DISPATCH) {
      size = alignment = 8;
    } else if (vt == VT_USERDEFINED) {
      HREFTYPE r = type.reference;
      if ((r & kImported) == 0) {
        Layout(m_types[r]);
        size = m_types[r].info.size;
        alignment = m_types[r].info.alignment;
      } else {
        size = m_importedTypes[r & ~kImported]->size;
        alignment = m_importedTypes[r & ~kImported]->alignment;
      }
    } else {
      for (const auto& [name, base] : BaseTypes())
        if (base.vt == vt)
          size = base.size;
      alignment = static_cast<WORD>(vt == VT_VARIANT ? 8 : size);
    }
    if (size == 0 || alignment == 0)
      Fail(line, "a field of a type without a size");
    return {size * count, alignment};
  }

  void Layout(PendingType& type) {
    if (type.layoutDone)
      return;
    if (type.layoutBusy)
      Fail(type.line, "'" + type.info.name + "' contains itself");
    type.layoutBusy = true;
    switch (type.info.kind) {
    case TKIND_ENUM:
      type.info.size = type.info.alignment = 4;
      break;
    case TKIND_ALIAS: {
      auto [size, alignment] = LayoutOf(type.info.alias, type.line);
      type.info.size = size;
      type.info.alignment = alignment;
      break;
    }
    case TKIND_RECORD:
    case TKIND_UNION: {
      ULONG at = 0;
      WORD most = 1;
      for (Variable& v : type.info.variables) {
        auto [size, alignment] = LayoutOf(v.type, type.line);
        most = std::max(most, alignment);
        if (type.info.kind == TKIND_RECORD) {
          at = (at + alignment - 1) / alignment * alignment;
          v.offset = at;
          at += size;
        } else {
          v.offset = 0;
          at = std::max(at, size);
        }
      }
      type.info.size = (at + most - 1) / most * most;
      type.info.alignment = most;
      break;
    }
    default:
      type.info.size = 8;
      type.info.alignment = 8;
      break;
    }
    type.layoutBusy = false;
    type.layoutDone = true;
  }

  void Resolve() {
    // The anonymous unions become types of their own, after the others.
    for (PendingType& u : m_unions) {
      m_names[u.info.name] = m_types.size();
      m_types.push_back(std::move(u));
    }
    std::size_t firstUnion = m_types.size() - m_unions.size();
    for (PendingType& type : m_types) {
      TypeInfo& info = type.info;
      for (PendingField& field : type.fields) {
        Variable v;
        v.name = field.name;
        v.id = kFirstFieldId + static_cast<MEMBERID>(info.variables.size());
        if (field.union_ >= 0) {
          v.type.chain = {VT_USERDEFINED};
          v.type.reference = static_cast<HREFTYPE>(firstUnion + static_cast<std::size_t>(field.union_));
        } else {
          v.type = Finish(field.type);
        }
        info.variables.push_back(v);
      }
      if (info.kind == TKIND_ALIAS)
        info.alias = Finish(type.alias);
      if (info.kind == TKIND_INTERFACE || info.kind == TKIND_DISPATCH)
        ResolveInterface(type);
      if (info.kind == TKIND_COCLASS) {
        for (const auto& [name, flags] : type.classInterfaces) {
          std::optional<HREFTYPE> r = Reference(name);
          if (!r || (Referenced(*r)->kind != TKIND_INTERFACE && Referenced(*r)->kind != TKIND_DISPATCH))
            Fail(type.line, "'" + name + "' is no interface");
          info.implemented.push_back({*r, flags});
        }
        // Without one named, a class's first interface (and its first
        // source) is its default.
        for (INT side : {0, IMPLTYPEFLAG_FSOURCE}) {
          auto onSide = [&](const Implemented& i) { return (i.flags & IMPLTYPEFLAG_FSOURCE) == side; };
          bool named = false;
          for (const Implemented& i : info.implemented)
            named = named || (onSide(i) && (i.flags & IMPLTYPEFLAG_FDEFAULT) != 0);
          for (Implemented& i : info.implemented)
            if (!named && onSide(i))
              i.flags |= IMPLTYPEFLAG_FDEFAULT, named = true;
        }
      }
    }
    for (PendingType& type : m_types)
      Layout(type);
    for (PendingType& type : m_types)
      m_library.types.push_back(type.info);
  }

  WORD SlotsOf(HREFTYPE r, int line) {
    const TypeInfo* t = Referenced(r);
    if (t->name == "IUnknown")
      return kSlotsOfIUnknown;
    if (t->name == "IDispatch")
      return kSlotsOfIDispatch;
    if (t->kind != TKIND_INTERFACE && (t->flags & TYPEFLAG_FDUAL) == 0)
      Fail(line, "'" + t->name + "' cannot be a base interface");
    if ((r & kImported) == 0)
      ResolveInterface(m_types[r]);
    return static_cast<WORD>(t->baseSlots + t->functions.size());
  }

  void ResolveInterface(PendingType& type) {
    TypeInfo& info = type.info;
    if (!info.functions.empty() || type.layoutBusy)
      return;
    if (info.name == "IUnknown") {
      // The root of every interface: slots of its own from the first.
      for (std::size_t i = 0; i < type.functions.size(); ++i) {
        PendingFunction& pending = type.functions[i];
        pending.function.id = kFirstAssignedId + static_cast<MEMBERID>(i);
        pending.function.result = Finish(pending.result);
        for (PendingParam& p : pending.params)
          pending.function.params.push_back({p.name, Finish(p.type), p.flags});
        info.functions.push_back(pending.function);
      }
      return;
    }
    std::optional<HREFTYPE> base = Reference(type.base);
    if (!base)
      Fail(type.line, "the base '" + type.base + "' is not known (import the standard types)");
    type.layoutBusy = true;
    info.implemented = {{*base, 0}};
    bool dual = (info.flags & TYPEFLAG_FDUAL) != 0;
    bool dispatchOnly = info.kind == TKIND_DISPATCH && !dual;
    info.baseSlots = dispatchOnly ? kSlotsOfIDispatch : SlotsOf(*base, type.line);
    type.layoutBusy = false;
    std::set<std::pair<MEMBERID, INVOKEKIND>> seen;
    for (std::size_t i = 0; i < type.functions.size(); ++i) {
      PendingFunction& pending = type.functions[i];
      Function& f = pending.function;
      if (!pending.explicitId) {
        if (dispatchOnly)
          Fail(pending.line, "a member of a dispatch interface needs its ID");
        f.id = kFirstAssignedId + static_cast<MEMBERID>(i);
      }
      if (!seen.insert({f.id, f.kind}).second)
        Fail(pending.line, "two members of '" + info.name + "' share the ID and kind of '" + f.name + "'");
      f.result = Finish(pending.result);
      for (PendingParam& p : pending.params)
        f.params.push_back({p.name, Finish(p.type), p.flags});
      Check(type, pending);
      info.functions.push_back(f);
    }
  }

  // A base type, or a pointer to one (out); an enum or a class identifier
  // by value, an enum by pointer (out); an interface by pointer (in) or by
  // pointer to pointer (out).
  bool Automation(const Type& type, bool out) const {
    std::size_t leading = 0;
    while (leading < type.chain.size() && type.chain[leading] == VT_PTR)
      ++leading;
    bool isInterface = type.chain.back() == VT_USERDEFINED &&
                     (Referenced(type.reference)->kind == TKIND_INTERFACE ||
                      Referenced(type.reference)->kind == TKIND_DISPATCH);
    if (!out && leading > (isInterface ? 1u : 0u))
      return false;
    const std::vector<VARTYPE>& c = type.chain;
    std::size_t pointers = 0;
    while (pointers < c.size() && c[pointers] == VT_PTR)
      ++pointers;
    if (pointers + 1 != c.size())
      return false;
    if (c.back() != VT_USERDEFINED)
      return pointers <= 1 && AutomationBase(c.back());
    const TypeInfo* t = Referenced(type.reference);
    if (t->kind == TKIND_INTERFACE || t->kind == TKIND_DISPATCH)
      return pointers == 1 || pointers == 2;
    if (t->kind == TKIND_ENUM)
      return pointers <= 1;
    return pointers == 0 && t->name == "GUID";
  }

  void Check(const PendingType& type, const PendingFunction& pending) {
    const Function& f = pending.function;
    bool dual = (type.info.flags & TYPEFLAG_FDUAL) != 0;
    bool dispatchOnly = type.info.kind == TKIND_DISPATCH && !dual;
    for (std::size_t i = 0; i < f.params.size(); ++i) {
      const Param& p = f.params[i];
      if ((p.flags & PARAMFLAG_FRETVAL) != 0 &&
          (i + 1 != f.params.size() || (p.flags & PARAMFLAG_FOUT) == 0 || p.type.chain[0] != VT_PTR))
        Fail(pending.line, "the retval parameter of '" + f.name + "' is its last, an out pointer");
    }
    if (dual && f.result.chain != std::vector<VARTYPE>{VT_HRESULT})
      Fail(pending.line, "a member of a dual interface answers an HRESULT");
    if ((f.flags & FUNCFLAG_FRESTRICTED) != 0 || (!dual && !dispatchOnly))
      return;
    for (const Param& p : f.params)
      if (!Automation(p.type, (p.flags & PARAMFLAG_FOUT) != 0))
        Fail(pending.line, "'" + p.name + "' of '" + f.name +
                               "' has no automation type: make the member restricted");
    if (dispatchOnly && f.result.chain != std::vector<VARTYPE>{VT_VOID} && !Automation(f.result, false))
      Fail(pending.line, "the result of '" + f.name + "' has no automation type");
  }

  Library m_library;
  std::vector<Library> m_imported;
  std::vector<const TypeInfo*> m_importedTypes;
  std::vector<PendingType> m_types;
  std::vector<PendingType> m_unions;
  std::map<std::string, std::size_t> m_names;
};

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\')
      quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Id(MEMBERID id) {
  if (id >= -1000 && id < 0x10000)
    return std::to_string(id);
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(id));
  return text;
}

// The type a member's result converts to in its table: a boolean is a
// VARIANT_BOOL, which C++ sees as a short.
// A member of a dual interface converts only its boolean; a member that
// answers its value names the type it answers (VT_EMPTY: as it is).
std::string ResultType(const Type& type, bool dispatchOnly) {
  Type shown = type;
  if (!dispatchOnly && !shown.chain.empty())
    shown.chain.erase(shown.chain.begin());  // the retval pointer
  VARTYPE vt = shown.chain.size() == 1 ? shown.chain[0] : VARTYPE{VT_EMPTY};
  if (vt == VT_BOOL)
    return "VT_BOOL";
  if (!dispatchOnly)
    return "";
  return vt == VT_I4 ? "VT_I4" : "VT_EMPTY";
}

void WriteTables(std::ostream& out, const Compiler& compiler, const std::string& description) {
  const Library& library = compiler.Result();
  std::string guard = "TYPELIBC_" + library.name + "_DISPATCH_H";
  out << "// Written by typelibc from " << description << ": change the description, not this file.\n"
      << "#ifndef " << guard << "\n#define " << guard << "\n\n#include \"platform/com/dispimpl.h\"\n\n";
  std::string list;
  std::ostringstream checks;
  for (const PendingType& type : compiler.Types()) {
    const TypeInfo& info = type.info;
    bool dual = (info.flags & TYPEFLAG_FDUAL) != 0;
    bool dispatchOnly = info.kind == TKIND_DISPATCH && !dual;
    if (!dual && !(dispatchOnly && !type.dispatchClass.empty()))
      continue;
    const std::string owner = dual ? info.name : type.dispatchClass;
    out << "BEGIN_DISPATCH_TABLE(" << info.name << ")\n";
    for (std::size_t i = 0; i < info.functions.size(); ++i) {
      const Function& f = info.functions[i];
      if ((f.flags & FUNCFLAG_FRESTRICTED) != 0)
        continue;
      const PendingFunction& pending = type.functions[i];
      std::string member = pending.calls;
      if (member.empty()) {
        const char* prefix = f.kind == INVOKE_PROPERTYGET   ? "get_"
                             : f.kind == INVOKE_PROPERTYPUT ? "put_"
                             : f.kind == INVOKE_PROPERTYPUTREF ? "putref_"
                                                               : "";
        member = (dispatchOnly ? "" : prefix) + f.name;
      }
      std::string address = "&" + owner + "::" + member;
      std::string kind = f.kind == INVOKE_PROPERTYGET     ? "DISPATCH_PROPERTYGET"
                         : f.kind == INVOKE_PROPERTYPUT   ? "DISPATCH_PROPERTYPUT"
                         : f.kind == INVOKE_PROPERTYPUTREF ? "DISPATCH_PROPERTYPUTREF"
                                                           : "DISPATCH_METHOD";
      std::string entry;
      std::string vt;
      if (dispatchOnly) {
        vt = ResultType(f.result, true);
        entry = "DISPATCH_ENTRY_FUNCTION(" + Id(f.id) + ", " + Quoted(f.name) + ", " + address + ", " + vt + ")";
      } else {
        const char* macro = f.kind == INVOKE_PROPERTYGET     ? "DISPATCH_ENTRY_GET"
                            : f.kind == INVOKE_PROPERTYPUT   ? "DISPATCH_ENTRY_PUT"
                            : f.kind == INVOKE_PROPERTYPUTREF ? "DISPATCH_ENTRY_PUTREF"
                                                              : "DISPATCH_ENTRY_METHOD";
        bool retval = !f.params.empty() && (f.params.back().flags & PARAMFLAG_FRETVAL) != 0;
        vt = retval ? ResultType(f.params.back().type, false) : "";
        entry = std::string(macro) + (vt.empty() ? "" : "_AS") + "(" + Id(f.id) + ", " + Quoted(f.name) + ", " +
                address + (vt.empty() ? "" : ", " + vt) + ")";
      }
      out << "  " << entry << "\n";
      std::size_t arguments = 0;
      for (const Param& p : f.params)
        if ((p.flags & PARAMFLAG_FRETVAL) == 0)
          ++arguments;
      checks << "static_assert(::Platform::DispatchArguments<" << address << ", " << kind << ", "
             << (dispatchOnly ? "true" : "false") << ">() == " << arguments << ", " << Quoted(owner + "::" + member +
             " takes the " + std::to_string(arguments) + " arguments the description gives " + f.name) << ");\n";
    }
    out << "END_DISPATCH_TABLE()\n\n";
    list += " X(" + info.name + ")";
  }
  out << checks.str() << "\n// Every table above.\n#define " << library.name << "_DISPATCH_TABLES(X)" << list
      << "\n\n#endif\n";
}

void WriteSource(std::ostream& out, const std::vector<BYTE>& bytes, const std::string& symbol) {
  out << "// Written by typelibc: a type library's bytes.\n"
      << "extern \"C\" const unsigned char " << symbol << "[] = {";
  for (std::size_t i = 0; i < bytes.size(); ++i)
    out << (i % 16 == 0 ? "\n  " : " ") << static_cast<unsigned>(bytes[i]) << ",";
  out << "\n};\nextern \"C\" const unsigned long " << symbol << "_size = " << bytes.size() << ";\n";
}

int Usage() {
  std::cerr << "usage: typelibc [--import LIBRARY.tlb]... DESCRIPTION OUTPUT.tlb [TABLES.h]\n"
               "       typelibc --source SYMBOL DESCRIPTION OUTPUT.cpp\n";
  return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::vector<std::string> imports;
  std::vector<std::string> files;
  std::string symbol;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--import" && i + 1 < args.size())
      imports.push_back(args[++i]);
    else if (args[i] == "--source" && i + 1 < args.size())
      symbol = args[++i];
    else
      files.push_back(args[i]);
  }
  if (files.size() < 2 || files.size() > (symbol.empty() ? 3u : 2u))
    return Usage();
  try {
    Compiler compiler;
    for (const std::string& path : imports)
      compiler.Import(path);
    g_file = files[0];
    std::ifstream in(files[0]);
    if (!in)
      throw Failure{files[0] + ": cannot be read"};
    Library library = compiler.Compile(in);
    std::vector<BYTE> bytes = Write(library);
    std::ofstream out(files[1], std::ios::binary);
    if (symbol.empty())
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    else
      WriteSource(out, bytes, symbol);
    if (!out.flush())
      throw Failure{files[1] + ": cannot be written"};
    if (files.size() == 3) {
      std::ofstream tables(files[2]);
      WriteTables(tables, compiler, files[0].substr(files[0].find_last_of('/') + 1));
      if (!tables.flush())
        throw Failure{files[2] + ": cannot be written"};
    }
  } catch (const Failure& failure) {
    std::cerr << "typelibc: " << failure.text << "\n";
    for (std::size_t i = 1; i < files.size(); ++i)
      std::remove(files[i].c_str());
    return 2;
  }
  return 0;
}
