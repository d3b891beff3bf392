#include "travixvalues.h"

#include <cstring>
#include <type_traits>

#include "numbertext.h"

TRAVIX_BEGIN_NAMESPACE

namespace {

// "<tag>value</tag>" on a line of its own: how numbers and booleans are written.
template <class WriteValue>
void EmitValueElement(std::ostream& stream, int indent, const std::string& tag, WriteValue write) {
  stream << std::string(indent > 0 ? indent : 0, '\t') << '<' << tag << '>';
  write(stream);
  stream << "</" << tag << ">\n";
}

template <class WriteValue>
void EmitValueAttribute(std::ostream& stream, const std::string& tag, WriteValue write) {
  stream << ' ' << tag << "='";
  write(stream);
  stream << '\'';
}

bool IsCharacterData(const std::string& tag) { return !tag.empty() && tag[0] == '#'; }

} // namespace

// string

using String = TRAVIX_NAME(string);

String::TRAVIX_NAME(string)() : TRAVIX_NAME(XObject)("#PCDATA") {}

String::TRAVIX_NAME(string)(const std::string& text) : TRAVIX_NAME(XObject)("#PCDATA"), m_value(text) {}

String::TRAVIX_NAME(string)(const char* text)
    : TRAVIX_NAME(XObject)("#PCDATA"), m_value(text ? text : "") {}

String::TRAVIX_NAME(string)(const String& other) = default;

String::~TRAVIX_NAME(string)() = default;

const String& String::operator=(const String& other) {
  m_tag = other.m_tag;
  m_value = other.m_value;
  return *this;
}

// The grammar empties the text it collects at every text element's start.
const String& String::operator=(const char* text) {
  if (!text || !*text)
    m_value.clear();
  else
    m_value = text;
  return *this;
}

const String& String::operator=(char c) {
  m_value.assign(1, c);
  return *this;
}

const String& String::operator+=(const String& other) {
  m_value += other.m_value;
  return *this;
}

const String& String::operator+=(const char* text) {
  if (text)
    m_value += text;
  return *this;
}

const String& String::operator+=(char c) {
  m_value += c;
  return *this;
}

bool String::SetValueFromString(const char* text) {
  if (!text)
    return false;
  m_value = text;
  return true;
}

bool String::EmitXML(std::ostream& stream, int indent) {
  bool tagged = !IsCharacterData(m_tag);
  if (tagged)
    stream << doIndent(indent) << '<' << m_tag << '>';
  stream << ConvertToStdEntities(m_value);
  if (tagged)
    stream << "</" << m_tag << ">\n";
  return true;
}

bool String::EmitAsAttribute(std::ostream& stream) {
  EmitValueAttribute(stream, m_tag, [this](std::ostream& s) { s << ConvertToStdEntities(m_value); });
  return true;
}

TRAVIX_NAME(XObject)* String::clone() const { return new String(*this); }

// boolean

using Boolean = TRAVIX_NAME(boolean);

Boolean::~TRAVIX_NAME(boolean)() = default;

bool Boolean::SetValueFromString(const char* text) {
  if (!text)
    return false;
  if (std::strcmp(text, "true") == 0)
    m_value = true;
  else if (std::strcmp(text, "false") == 0)
    m_value = false;
  else
    return false;
  return true;
}

bool Boolean::EmitXML(std::ostream& stream, int indent) {
  EmitValueElement(stream, indent, m_tag, [this](std::ostream& s) { s << (m_value ? "true" : "false"); });
  return true;
}

bool Boolean::EmitAsAttribute(std::ostream& stream) {
  EmitValueAttribute(stream, m_tag, [this](std::ostream& s) { s << (m_value ? "true" : "false"); });
  return true;
}

TRAVIX_NAME(XObject)* Boolean::clone() const { return new Boolean(*this); }

// integer kinds

namespace {

template <class V> void WriteInteger(std::ostream& stream, V value) {
  if constexpr (std::is_signed_v<V>)
    Travix::Internal::WriteNumber(stream, static_cast<long long>(value));
  else
    Travix::Internal::WriteNumber(stream, static_cast<unsigned long long>(value));
}

} // namespace

template <class V, TRAVIX_NAME(XIntegerKind) Kind>
TRAVIX_NAME(XIntegerValue)<V, Kind>::~TRAVIX_NAME(XIntegerValue)() = default;

template <class V, TRAVIX_NAME(XIntegerKind) Kind>
bool TRAVIX_NAME(XIntegerValue)<V, Kind>::SetValueFromString(const char* text) {
  if (!text)
    return false;
  if constexpr (std::is_signed_v<V>)
    m_value = Travix::Internal::ParseInt(text);
  else
    m_value = Travix::Internal::ParseUnsigned(text);
  return true;
}

template <class V, TRAVIX_NAME(XIntegerKind) Kind>
bool TRAVIX_NAME(XIntegerValue)<V, Kind>::EmitXML(std::ostream& stream, int indent) {
  EmitValueElement(stream, indent, this->m_tag, [this](std::ostream& s) { WriteInteger(s, m_value); });
  return true;
}

template <class V, TRAVIX_NAME(XIntegerKind) Kind>
bool TRAVIX_NAME(XIntegerValue)<V, Kind>::EmitAsAttribute(std::ostream& stream) {
  EmitValueAttribute(stream, this->m_tag, [this](std::ostream& s) { WriteInteger(s, m_value); });
  return true;
}

template <class V, TRAVIX_NAME(XIntegerKind) Kind>
TRAVIX_NAME(XObject)* TRAVIX_NAME(XIntegerValue)<V, Kind>::clone() const {
  return new TRAVIX_NAME(XIntegerValue)(*this);
}

template class TRAVIX_NAME(XIntegerValue)<int, TRAVIX_NAME(XIntegerKind)::integer>;
template class TRAVIX_NAME(XIntegerValue)<int, TRAVIX_NAME(XIntegerKind)::non_positive>;
template class TRAVIX_NAME(XIntegerValue)<int, TRAVIX_NAME(XIntegerKind)::negative>;
template class TRAVIX_NAME(XIntegerValue)<unsigned int, TRAVIX_NAME(XIntegerKind)::non_negative>;
template class TRAVIX_NAME(XIntegerValue)<unsigned int, TRAVIX_NAME(XIntegerKind)::positive>;

// floating kinds

template <TRAVIX_NAME(XRealKind) Kind> TRAVIX_NAME(XRealValue)<Kind>::~TRAVIX_NAME(XRealValue)() = default;

template <TRAVIX_NAME(XRealKind) Kind>
bool TRAVIX_NAME(XRealValue)<Kind>::SetValueFromString(const char* text) {
  if (!text)
    return false;
  m_value = Travix::Internal::ParseReal(text);
  return true;
}

template <TRAVIX_NAME(XRealKind) Kind>
bool TRAVIX_NAME(XRealValue)<Kind>::EmitXML(std::ostream& stream, int indent) {
  EmitValueElement(stream, indent, this->m_tag,
                   [this](std::ostream& s) { Travix::Internal::WriteNumber(s, m_value); });
  return true;
}

template <TRAVIX_NAME(XRealKind) Kind>
bool TRAVIX_NAME(XRealValue)<Kind>::EmitAsAttribute(std::ostream& stream) {
  EmitValueAttribute(stream, this->m_tag,
                     [this](std::ostream& s) { Travix::Internal::WriteNumber(s, m_value); });
  return true;
}

template <TRAVIX_NAME(XRealKind) Kind>
TRAVIX_NAME(XObject)* TRAVIX_NAME(XRealValue)<Kind>::clone() const {
  return new TRAVIX_NAME(XRealValue)(*this);
}

template class TRAVIX_NAME(XRealValue)<TRAVIX_NAME(XRealKind)::real>;
template class TRAVIX_NAME(XRealValue)<TRAVIX_NAME(XRealKind)::decimal>;

// token lists

namespace {

bool IsTokenSeparator(char c) { return c == ' ' || c == '\r' || c == '\f' || c == '\t'; }

} // namespace

template <TRAVIX_NAME(XTokenListKind) Kind>
TRAVIX_NAME(XTokenListValue)<Kind>::~TRAVIX_NAME(XTokenListValue)() = default;

template <TRAVIX_NAME(XTokenListKind) Kind>
TRAVIX_NAME(XTokenListValue)<Kind>& TRAVIX_NAME(XTokenListValue)<Kind>::operator=(
    const TRAVIX_NAME(XTokenListValue)& other) {
  this->m_tag = other.m_tag;
  m_tokens = other.m_tokens;
  return *this;
}

template <TRAVIX_NAME(XTokenListKind) Kind>
TRAVIX_NAME(XTokenListValue)<Kind>& TRAVIX_NAME(XTokenListValue)<Kind>::operator=(const char* text) {
  SetValueFromString(text);
  return *this;
}

template <TRAVIX_NAME(XTokenListKind) Kind>
bool TRAVIX_NAME(XTokenListValue)<Kind>::SetValueFromString(const char* text) {
  if (!text)
    return false;
  m_tokens.clear();
  const char* p = text;
  while (*p) {
    while (*p && IsTokenSeparator(*p))
      ++p;
    const char* start = p;
    while (*p && !IsTokenSeparator(*p))
      ++p;
    if (p != start)
      m_tokens.emplace_back(std::string(start, p));
  }
  return true;
}

template <TRAVIX_NAME(XTokenListKind) Kind>
bool TRAVIX_NAME(XTokenListValue)<Kind>::EmitXML(std::ostream& stream, int indent) {
  if (m_tokens.empty())
    return true;
  stream << this->doIndent(indent) << '<' << this->m_tag << '>';
  for (std::size_t i = 0; i < m_tokens.size(); ++i) {
    if (i > 0)
      stream << ' ';
    m_tokens[i].EmitXML(stream, indent + 1);
  }
  stream << "</" << this->m_tag << ">\n";
  return true;
}

template <TRAVIX_NAME(XTokenListKind) Kind>
bool TRAVIX_NAME(XTokenListValue)<Kind>::EmitAsAttribute(std::ostream& stream) {
  EmitValueAttribute(stream, this->m_tag, [this](std::ostream& s) {
    for (std::size_t i = 0; i < m_tokens.size(); ++i)
      s << (i > 0 ? " " : "") << this->ConvertToStdEntities(m_tokens[i].c_str());
  });
  return true;
}

template <TRAVIX_NAME(XTokenListKind) Kind>
TRAVIX_NAME(XObject)* TRAVIX_NAME(XTokenListValue)<Kind>::clone() const {
  return new TRAVIX_NAME(XTokenListValue)(*this);
}

template class TRAVIX_NAME(XTokenListValue)<TRAVIX_NAME(XTokenListKind)::NMTOKENS>;
template class TRAVIX_NAME(XTokenListValue)<TRAVIX_NAME(XTokenListKind)::IDREFS>;

TRAVIX_END_NAMESPACE
