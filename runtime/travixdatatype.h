// XDatatype and XFacet: the base of generated datatype classes and their
// constraints.
//
// A generated datatype holds a value of a runtime value type T (m_value) and
// fills its facet list (m_facets) in its constructors. The facets decide
// validity: every bound and length facet must hold, and when literals are
// given the value must equal one of them. A value is set from text only when
// the facets allow it. Numeric facets apply to types that convert to a
// number (the integer and floating kinds, boolean), length and literal
// facets to text (counted in characters) and token lists (counted in
// tokens); a facet that does not apply to T holds for every value.
#ifndef TRAVIX_DATATYPE_H
#define TRAVIX_DATATYPE_H

#include <charconv>
#include <cmath>
#include <cstddef>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "travixobject.h"
#include "travixvalues.h"

TRAVIX_BEGIN_NAMESPACE

template <class T, bool Numeric> class TRAVIX_NAME(XFacet) {
public:
  enum FacetKind {
    minInclusive,
    maxInclusive,
    minExclusive,
    maxExclusive,
    minAbsoluteValue,
    maxAbsoluteValue,
    precision,
    scale,
    length,
    maxLength,
    literal
  };

  TRAVIX_NAME(XFacet)(FacetKind kind, const T& value) : m_kind(kind), m_value(value) {}
  // The value as written in the schema, read as T reads document text.
  TRAVIX_NAME(XFacet)(FacetKind kind, const char* text) : m_kind(kind) {
    m_value.SetValueFromString(text ? text : "");
    m_text = text ? text : "";
  }

  FacetKind GetKind() const { return m_kind; }
  const T& GetValue() const { return m_value; }

  // Whether a bound or length facet holds for the value. Literal facets hold
  // for every value here: they are matched as a set (Matches).
  bool Allows(const T& value) const {
    if constexpr (IsNumber) {
      double x = static_cast<double>(value);
      double bound = static_cast<double>(m_value);
      switch (m_kind) {
      case minInclusive:
        return x >= bound;
      case maxInclusive:
        return x <= bound;
      case minExclusive:
        return x > bound;
      case maxExclusive:
        return x < bound;
      case minAbsoluteValue:
        return std::fabs(x) >= bound;
      case maxAbsoluteValue:
        return std::fabs(x) <= bound;
      case precision:
        return CountDigits(x).total <= bound;
      case scale:
        return CountDigits(x).fraction <= bound;
      default:
        return true;
      }
    } else {
      switch (m_kind) {
      case length:
        return ItemCount(value) == Count();
      case maxLength:
        return ItemCount(value) <= Count();
      default:
        return true;
      }
    }
  }

  // Whether the value equals this facet's value.
  bool Matches(const T& value) const {
    if constexpr (IsNumber)
      return static_cast<double>(value) == static_cast<double>(m_value);
    else if constexpr (IsTokenList)
      return TextsOf(value.GetTokens()) == TextsOf(m_value.GetTokens());
    else
      return std::string(value.c_str()) == m_value.c_str();
  }

private:
  static constexpr bool IsNumber = std::is_convertible_v<const T&, double>;
  template <class U, class = void> struct HasTokens : std::false_type {};
  template <class U>
  struct HasTokens<U, std::void_t<decltype(std::declval<const U&>().GetTokens())>>
      : std::true_type {};
  static constexpr bool IsTokenList = HasTokens<T>::value;

  struct Digits {
    int total;
    int fraction;
  };

  // Significant decimal digits of the shortest text of the number, and how
  // many of them follow the decimal point.
  static Digits CountDigits(double x) {
    char text[400];
    auto written = std::to_chars(text, text + sizeof text, x, std::chars_format::fixed);
    if (written.ec != std::errc())
      return Digits{0, 0};
    std::string digits(text, written.ptr);
    std::size_t point = digits.find('.');
    std::string whole = digits.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : digits.substr(point + 1);
    while (!fraction.empty() && fraction.back() == '0')
      fraction.pop_back();
    std::string all = whole + fraction;
    std::size_t first = all.find_first_of("123456789");
    int total = first == std::string::npos ? 0 : static_cast<int>(all.size() - first);
    return Digits{total, static_cast<int>(fraction.size())};
  }

  // The count a length facet gives, written as a number in the schema.
  long Count() const {
    TRAVIX_NAME(integer) count;
    count.SetValueFromString(m_text.empty() ? TextOf(m_value).c_str() : m_text.c_str());
    return static_cast<int>(count);
  }

  static std::string TextOf(const T& value) {
    if constexpr (IsTokenList) {
      std::string text;
      for (const auto& token : value.GetTokens())
        text += (text.empty() ? "" : " ") + std::string(token.c_str());
      return text;
    } else {
      return value.c_str();
    }
  }

  template <class Tokens> static std::vector<std::string> TextsOf(const Tokens& tokens) {
    std::vector<std::string> texts;
    for (const auto& token : tokens)
      texts.emplace_back(token.c_str());
    return texts;
  }

  // Characters of text (UTF-8 sequences count once), tokens of a list.
  static long ItemCount(const T& value) {
    if constexpr (IsTokenList) {
      return static_cast<long>(value.GetTokens().size());
    } else {
      long characters = 0;
      for (const char* p = value.c_str(); *p; ++p)
        if ((static_cast<unsigned char>(*p) & 0xC0u) != 0x80u)
          ++characters;
      return characters;
    }
  }

  FacetKind m_kind;
  T m_value;
  std::string m_text;
};

template <class T, bool Numeric> class TRAVIX_NAME(XDatatype) : public TRAVIX_NAME(XObject) {
public:
  typedef TRAVIX_NAME(XFacet)<T, Numeric> Facet;

  // The facets of a datatype, appended in either naming form.
  class FacetList : public std::vector<Facet> {
  public:
    void AddTail(const Facet& facet) { this->push_back(facet); }
  };

  explicit TRAVIX_NAME(XDatatype)(const char* tag) : TRAVIX_NAME(XObject)(tag) {}
  TRAVIX_NAME(XDatatype)(const char* tag, const T& value)
      : TRAVIX_NAME(XObject)(tag), m_value(value) {}
  TRAVIX_NAME(XDatatype)(const TRAVIX_NAME(XDatatype)& other) = default;

  // Copies the tag (as XObject does), the value and the facets.
  TRAVIX_NAME(XDatatype)& operator=(const TRAVIX_NAME(XDatatype)& other) {
    TRAVIX_NAME(XObject)::operator=(other);
    m_value = other.m_value;
    m_facets = other.m_facets;
    return *this;
  }

  void SetValue(const T& value) { m_value = value; }
  const T& GetValue() const { return m_value; }

  // True when the facets allow the value the text gives; otherwise false,
  // and the value stays as it was.
  bool SetValueFromString(const char* text) {
    T parsed(m_value);
    if (!parsed.SetValueFromString(text) || !Allows(parsed))
      return false;
    m_value = parsed;
    return true;
  }

  // The value as an element of this object's tag.
  bool EmitXML(std::ostream& stream, int indent) override { return Tagged().EmitXML(stream, indent); }
  bool EmitAsAttribute(std::ostream& stream) override { return Tagged().EmitAsAttribute(stream); }

  bool IsValid() override { return hasValidAttributes() && Allows(m_value); }

  // Every bound and length facet holds, and the value is one of the
  // literals when there are any.
  bool Allows(const T& value) const {
    bool hasLiterals = false;
    bool matchesLiteral = false;
    for (const Facet& facet : m_facets) {
      if (facet.GetKind() == Facet::literal) {
        hasLiterals = true;
        matchesLiteral = matchesLiteral || facet.Matches(value);
      } else if (!facet.Allows(value)) {
        return false;
      }
    }
    return !hasLiterals || matchesLiteral;
  }

protected:
  T Tagged() const {
    T tagged(m_value);
    tagged.SetTag(GetTag());
    return tagged;
  }

  T m_value;
  FacetList m_facets;
};

TRAVIX_END_NAMESPACE

#endif
