// The value types: XObjects holding one value of a schema built-in type.
//
// Each is set from document text (SetValueFromString), written back as an
// element or an attribute, and usable like the plain value it wraps. The
// integer kinds, the two floating kinds and the two token-list kinds are
// each one class template; `integer`, `real`, `NMTOKENS` and the others
// name its instantiations, so every kind is a type of its own.
#ifndef TRAVIX_VALUES_H
#define TRAVIX_VALUES_H

#include <ostream>
#include <string>
#include <vector>

#include "travixobject.h"

TRAVIX_BEGIN_NAMESPACE

// Text. Its default tag "#PCDATA" marks character data: written without tags.
class TRAVIX_API TRAVIX_NAME(string) : public TRAVIX_NAME(XObject) {
public:
  TRAVIX_NAME(string)();
  TRAVIX_NAME(string)(const std::string& text);
  TRAVIX_NAME(string)(const char* text); // null is the empty text
  TRAVIX_NAME(string)(const TRAVIX_NAME(string)& other);
  ~TRAVIX_NAME(string)() override;

  // Copies the tag and the text, not the attributes.
  const TRAVIX_NAME(string)& operator=(const TRAVIX_NAME(string)& other);
  const TRAVIX_NAME(string)& operator=(const char* text);
  const TRAVIX_NAME(string)& operator=(char c);
  const TRAVIX_NAME(string)& operator+=(const TRAVIX_NAME(string)& other);
  const TRAVIX_NAME(string)& operator+=(const char* text);
  const TRAVIX_NAME(string)& operator+=(char c);

  // Both check the index (std::out_of_range).
  char& operator[](unsigned index) { return m_value.at(index); }
  const char& operator[](unsigned index) const { return m_value.at(index); }

  operator const char*() const { return m_value.c_str(); }
  const char* c_str() const { return m_value.c_str(); }
  // The name MFC-form generated code reads the text by.
  const char* GetBuffer(int) const { return m_value.c_str(); }

  virtual bool SetValueFromString(const char* text);
  bool EmitXML(std::ostream& stream, int indent) override;
  bool EmitAsAttribute(std::ostream& stream) override;
  TRAVIX_NAME(XObject)* clone() const override;

protected:
  std::string m_value;
};

// Schema types whose plain value in generated code is text.
using TRAVIX_NAME(NMTOKEN) = TRAVIX_NAME(string);
using TRAVIX_NAME(timeInstant) = TRAVIX_NAME(string);
using TRAVIX_NAME(timeDuration) = TRAVIX_NAME(string);
using TRAVIX_NAME(recurringInstant) = TRAVIX_NAME(string);
using TRAVIX_NAME(binary) = TRAVIX_NAME(string);
using TRAVIX_NAME(uri) = TRAVIX_NAME(string);
using TRAVIX_NAME(language) = TRAVIX_NAME(string);
using TRAVIX_NAME(Name) = TRAVIX_NAME(string);
using TRAVIX_NAME(NCName) = TRAVIX_NAME(string);
using TRAVIX_NAME(ID) = TRAVIX_NAME(string);
using TRAVIX_NAME(IDREF) = TRAVIX_NAME(string);
using TRAVIX_NAME(date) = TRAVIX_NAME(string);
using TRAVIX_NAME(time) = TRAVIX_NAME(string);

// Exactly "true" or "false".
class TRAVIX_API TRAVIX_NAME(boolean) : public TRAVIX_NAME(XObject) {
public:
  TRAVIX_NAME(boolean)() : m_value(false) {}
  TRAVIX_NAME(boolean)(bool value) : m_value(value) {}
  TRAVIX_NAME(boolean)(const TRAVIX_NAME(boolean)& other) = default;
  ~TRAVIX_NAME(boolean)() override;

  // Copies the value only.
  TRAVIX_NAME(boolean)& operator=(const TRAVIX_NAME(boolean)& other) {
    m_value = other.m_value;
    return *this;
  }
  TRAVIX_NAME(boolean)& operator=(bool value) {
    m_value = value;
    return *this;
  }
  operator bool() const { return m_value; }
  bool operator!() const { return !m_value; }
  // bool rather than int, so that C++20 can also use them reversed (true == b).
  bool operator==(bool value) const { return m_value == value; }
  bool operator!=(bool value) const { return m_value != value; }

  virtual bool SetValueFromString(const char* text);
  bool EmitXML(std::ostream& stream, int indent) override;
  bool EmitAsAttribute(std::ostream& stream) override;
  TRAVIX_NAME(XObject)* clone() const override;

protected:
  bool m_value;
};

// The kinds are exported too: clang gives a template instantiation no
// more visibility than its arguments, so hidden kinds would hide the
// library's explicit instantiations from generated code.
enum class TRAVIX_API TRAVIX_NAME(XIntegerKind) { integer, non_positive, negative, non_negative, positive };

// Whole numbers held as V (int or unsigned int). Text is read like C's atoi
// (signed kinds) or a 32-bit strtoul (unsigned kinds) but independently of
// the locale, and a number beyond V's range becomes V's nearest limit. No
// sign or range of the schema type is enforced.
template <class V, TRAVIX_NAME(XIntegerKind) Kind>
class TRAVIX_API TRAVIX_NAME(XIntegerValue) : public TRAVIX_NAME(XObject) {
public:
  typedef V value_type;

  TRAVIX_NAME(XIntegerValue)() : m_value(0) {}
  TRAVIX_NAME(XIntegerValue)(V value) : m_value(value) {}
  TRAVIX_NAME(XIntegerValue)(const TRAVIX_NAME(XIntegerValue)& other) = default;
  ~TRAVIX_NAME(XIntegerValue)() override;

  // Copies the value only.
  TRAVIX_NAME(XIntegerValue)& operator=(const TRAVIX_NAME(XIntegerValue)& other) {
    m_value = other.m_value;
    return *this;
  }
  TRAVIX_NAME(XIntegerValue)& operator=(V value) {
    m_value = value;
    return *this;
  }
  operator V() const { return m_value; }

  V operator+(V x) const { return m_value + x; }
  V operator-(V x) const { return m_value - x; }
  V operator*(V x) const { return m_value * x; }
  V operator/(V x) const { return m_value / x; }
  V operator%(V x) const { return m_value % x; }
  V operator^(V x) const { return m_value ^ x; }
  V operator&(V x) const { return m_value & x; }
  V operator|(V x) const { return m_value | x; }
  V operator&&(V x) const { return m_value && x; }
  V operator<<(V x) const { return m_value << x; }
  V operator>>(V x) const { return m_value >> x; }
  V operator~() const { return ~m_value; }
  V operator!() const { return !m_value; }

  int operator<(V x) const { return m_value < x; }
  int operator<=(V x) const { return m_value <= x; }
  int operator>(V x) const { return m_value > x; }
  int operator>=(V x) const { return m_value >= x; }
  // bool rather than int, so that C++20 can also use them reversed (5 == i).
  bool operator==(V x) const { return m_value == x; }
  bool operator!=(V x) const { return m_value != x; }

  V& operator++() { return ++m_value; }
  V& operator--() { return --m_value; }
  V operator++(int) { return m_value++; }
  V operator--(int) { return m_value--; }

  TRAVIX_NAME(XIntegerValue)& operator+=(V x) { return Set(m_value + x); }
  TRAVIX_NAME(XIntegerValue)& operator-=(V x) { return Set(m_value - x); }
  TRAVIX_NAME(XIntegerValue)& operator*=(V x) { return Set(m_value * x); }
  TRAVIX_NAME(XIntegerValue)& operator/=(V x) { return Set(m_value / x); }
  TRAVIX_NAME(XIntegerValue)& operator%=(V x) { return Set(m_value % x); }
  TRAVIX_NAME(XIntegerValue)& operator^=(V x) { return Set(m_value ^ x); }
  TRAVIX_NAME(XIntegerValue)& operator&=(V x) { return Set(m_value & x); }
  TRAVIX_NAME(XIntegerValue)& operator|=(V x) { return Set(m_value | x); }
  TRAVIX_NAME(XIntegerValue)& operator<<=(V x) { return Set(m_value << x); }
  TRAVIX_NAME(XIntegerValue)& operator>>=(V x) { return Set(m_value >> x); }

  virtual bool SetValueFromString(const char* text);
  bool EmitXML(std::ostream& stream, int indent) override;
  bool EmitAsAttribute(std::ostream& stream) override;
  TRAVIX_NAME(XObject)* clone() const override;

protected:
  TRAVIX_NAME(XIntegerValue)& Set(V value) {
    m_value = value;
    return *this;
  }

  V m_value;
};

using TRAVIX_NAME(integer) = TRAVIX_NAME(XIntegerValue)<int, TRAVIX_NAME(XIntegerKind)::integer>;
using TRAVIX_NAME(non_positive_integer) =
    TRAVIX_NAME(XIntegerValue)<int, TRAVIX_NAME(XIntegerKind)::non_positive>;
using TRAVIX_NAME(negative_integer) =
    TRAVIX_NAME(XIntegerValue)<int, TRAVIX_NAME(XIntegerKind)::negative>;
using TRAVIX_NAME(non_negative_integer) =
    TRAVIX_NAME(XIntegerValue)<unsigned int, TRAVIX_NAME(XIntegerKind)::non_negative>;
using TRAVIX_NAME(positive_integer) =
    TRAVIX_NAME(XIntegerValue)<unsigned int, TRAVIX_NAME(XIntegerKind)::positive>;

extern template class TRAVIX_NAME(XIntegerValue)<int, TRAVIX_NAME(XIntegerKind)::integer>;
extern template class TRAVIX_NAME(XIntegerValue)<int, TRAVIX_NAME(XIntegerKind)::non_positive>;
extern template class TRAVIX_NAME(XIntegerValue)<int, TRAVIX_NAME(XIntegerKind)::negative>;
extern template class TRAVIX_NAME(XIntegerValue)<unsigned int, TRAVIX_NAME(XIntegerKind)::non_negative>;
extern template class TRAVIX_NAME(XIntegerValue)<unsigned int, TRAVIX_NAME(XIntegerKind)::positive>;

enum class TRAVIX_API TRAVIX_NAME(XRealKind) { real, decimal };

// Floating numbers. Text is read like C's atof but independently of the
// locale; written as the shortest text that reads back to the same value.
template <TRAVIX_NAME(XRealKind) Kind>
class TRAVIX_API TRAVIX_NAME(XRealValue) : public TRAVIX_NAME(XObject) {
public:
  typedef double value_type;

  TRAVIX_NAME(XRealValue)() : m_value(0.0) {}
  TRAVIX_NAME(XRealValue)(double value) : m_value(value) {}
  TRAVIX_NAME(XRealValue)(const TRAVIX_NAME(XRealValue)& other) = default;
  ~TRAVIX_NAME(XRealValue)() override;

  // Copies the value only.
  TRAVIX_NAME(XRealValue)& operator=(const TRAVIX_NAME(XRealValue)& other) {
    m_value = other.m_value;
    return *this;
  }
  TRAVIX_NAME(XRealValue)& operator=(double value) {
    m_value = value;
    return *this;
  }
  operator double() const { return m_value; }

  double operator+(double x) const { return m_value + x; }
  double operator-(double x) const { return m_value - x; }
  double operator*(double x) const { return m_value * x; }
  double operator/(double x) const { return m_value / x; }
  double operator&&(double x) const { return m_value && x; }
  double operator!() const { return !m_value ? 1.0 : 0.0; }

  int operator<(double x) const { return m_value < x; }
  int operator<=(double x) const { return m_value <= x; }
  int operator>(double x) const { return m_value > x; }
  int operator>=(double x) const { return m_value >= x; }
  bool operator==(double x) const { return m_value == x; }
  bool operator!=(double x) const { return m_value != x; }

  TRAVIX_NAME(XRealValue)& operator+=(double x) { return Set(m_value + x); }
  TRAVIX_NAME(XRealValue)& operator-=(double x) { return Set(m_value - x); }
  TRAVIX_NAME(XRealValue)& operator*=(double x) { return Set(m_value * x); }
  TRAVIX_NAME(XRealValue)& operator/=(double x) { return Set(m_value / x); }

  virtual bool SetValueFromString(const char* text);
  bool EmitXML(std::ostream& stream, int indent) override;
  bool EmitAsAttribute(std::ostream& stream) override;
  TRAVIX_NAME(XObject)* clone() const override;

protected:
  TRAVIX_NAME(XRealValue)& Set(double value) {
    m_value = value;
    return *this;
  }

  double m_value;
};

using TRAVIX_NAME(real) = TRAVIX_NAME(XRealValue)<TRAVIX_NAME(XRealKind)::real>;
using TRAVIX_NAME(decimal) = TRAVIX_NAME(XRealValue)<TRAVIX_NAME(XRealKind)::decimal>;

extern template class TRAVIX_NAME(XRealValue)<TRAVIX_NAME(XRealKind)::real>;
extern template class TRAVIX_NAME(XRealValue)<TRAVIX_NAME(XRealKind)::decimal>;

enum class TRAVIX_API TRAVIX_NAME(XTokenListKind) { NMTOKENS, IDREFS };

// A list of tokens, each a `string` tagged "#PCDATA". Text is split at runs
// of blanks, carriage returns, form feeds and tabs (not line feeds).
template <TRAVIX_NAME(XTokenListKind) Kind>
class TRAVIX_API TRAVIX_NAME(XTokenListValue) : public TRAVIX_NAME(XObject) {
public:
  typedef std::vector<TRAVIX_NAME(string)> Tokens;

  TRAVIX_NAME(XTokenListValue)() {}
  TRAVIX_NAME(XTokenListValue)(const TRAVIX_NAME(XTokenListValue)& other) = default;
  ~TRAVIX_NAME(XTokenListValue)() override;

  // Copies the tokens and the tag.
  TRAVIX_NAME(XTokenListValue)& operator=(const TRAVIX_NAME(XTokenListValue)& other);
  TRAVIX_NAME(XTokenListValue)& operator=(const char* text);

  const Tokens& GetTokens() const { return m_tokens; }

  virtual bool SetValueFromString(const char* text);
  bool EmitXML(std::ostream& stream, int indent) override;
  // Writes the tokens separated by blanks.
  bool EmitAsAttribute(std::ostream& stream) override;
  TRAVIX_NAME(XObject)* clone() const override;

protected:
  Tokens m_tokens;
};

using TRAVIX_NAME(NMTOKENS) = TRAVIX_NAME(XTokenListValue)<TRAVIX_NAME(XTokenListKind)::NMTOKENS>;
using TRAVIX_NAME(IDREFS) = TRAVIX_NAME(XTokenListValue)<TRAVIX_NAME(XTokenListKind)::IDREFS>;

extern template class TRAVIX_NAME(XTokenListValue)<TRAVIX_NAME(XTokenListKind)::NMTOKENS>;
extern template class TRAVIX_NAME(XTokenListValue)<TRAVIX_NAME(XTokenListKind)::IDREFS>;

TRAVIX_END_NAMESPACE

#endif
