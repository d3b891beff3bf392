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

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
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

  // A copy that has its count read already. Generated constructors make
  // their facets anew for every object, so reading the count there would
  // cost each object; a datatype's list counts the facets it keeps.
  TRAVIX_NAME(XFacet) Counted() const {
    TRAVIX_NAME(XFacet) counted(*this);
    counted.m_count = Count();
    return counted;
  }
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
        return HasFractionDigitsWithin(x, bound);
      default:
        return true;
      }
    } else {
      switch (m_kind) {
      case length:
        return ItemCount(value) == (m_count >= 0 ? m_count : Count());
      case maxLength:
        return ItemCount(value) <= (m_count >= 0 ? m_count : Count());
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

  // Whether the two facets cannot be told apart: kind, value (with its
  // tag) and text alike.
  bool SameAs(const TRAVIX_NAME(XFacet)& other) const {
    if (m_kind != other.m_kind || m_text != other.m_text ||
        m_value.GetTag() != other.m_value.GetTag())
      return false;
    if constexpr (IsNumber)
      return BitsOf(m_value) == BitsOf(other.m_value);
    else if constexpr (IsTokenList)
      return TextsOf(m_value.GetTokens()) == TextsOf(other.m_value.GetTokens());
    else
      return std::strcmp(m_value.c_str(), other.m_value.c_str()) == 0;
  }

  // Equal for facets that are SameAs each other.
  std::size_t Hash() const {
    std::uint64_t hash = 14695981039346656037ull ^ static_cast<std::uint64_t>(m_kind);
    auto mix = [&hash](const char* bytes, std::size_t length) {
      for (std::size_t i = 0; i < length; ++i)
        hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ull;
    };
    mix(m_text.data(), m_text.size());
    if constexpr (IsNumber) {
      std::uint64_t bits = BitsOf(m_value);
      mix(reinterpret_cast<const char*>(&bits), sizeof bits);
    } else if constexpr (!IsTokenList) {
      mix(m_value.c_str(), std::strlen(m_value.c_str()));
    }
    return static_cast<std::size_t>(hash);
  }

private:
  static constexpr bool IsNumber = std::is_convertible_v<const T&, double>;
  template <class U, class = void> struct HasTokens : std::false_type {};
  template <class U>
  struct HasTokens<U, std::void_t<decltype(std::declval<const U&>().GetTokens())>>
      : std::true_type {};
  static constexpr bool IsTokenList = HasTokens<T>::value;

  template <class U> static std::uint64_t BitsOf(const U& value) {
    double number = static_cast<double>(value);
    std::uint64_t bits;
    std::memcpy(&bits, &number, sizeof bits);
    return bits;
  }

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
    const char* end = written.ptr;
    const char* point = std::find(static_cast<const char*>(text), end, '.');
    const char* fractionEnd = end;
    if (point != end)
      while (fractionEnd > point + 1 && fractionEnd[-1] == '0')
        --fractionEnd;
    int total = 0;
    bool significant = false;
    for (const char* p = text; p < fractionEnd; ++p) {
      if (*p >= '1' && *p <= '9')
        significant = true;
      if (significant && *p >= '0' && *p <= '9')
        ++total;
    }
    int fraction = point == end ? 0 : static_cast<int>(fractionEnd - (point + 1));
    return Digits{total, fraction};
  }

  // CountDigits(x).fraction <= bound, mostly without writing the number:
  // the shortest text of x has at most k digits after the point exactly
  // when some n / 10^k reads back as x, and while |x| * 10^k stays far
  // below 2^53 the nearest whole number to x * 10^k is the only candidate
  // for n, and the division is exact up to its one rounding.
  static bool HasFractionDigitsWithin(double x, double bound) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (bound >= 0 && bound < 16) {
      const double power = kPowersOfTen[static_cast<int>(bound)];
      const double scaled = x * power;
      if (std::fabs(scaled) < 0x1p50)
        return std::round(scaled) / power == x;
    }
    return CountDigits(x).fraction <= bound;
  }

  // The count a length facet gives, written as a number in the schema.
  long Count() const {
    if constexpr (IsNumber) {
      return 0;
    } else {
      if (m_kind != length && m_kind != maxLength)
        return 0;
      TRAVIX_NAME(integer) count;
      count.SetValueFromString(m_text.empty() ? TextOf(m_value).c_str() : m_text.c_str());
      return static_cast<int>(count);
    }
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
  long m_count = -1; // Count(), once known
};

template <class T, bool Numeric> class TRAVIX_NAME(XDatatype) : public TRAVIX_NAME(XObject) {
public:
  typedef TRAVIX_NAME(XFacet)<T, Numeric> Facet;

  // The facets of a datatype, appended in either naming form.
  //
  // Every object of a generated class appends the same facets in its
  // constructors, so each list is kept once per process, as a chain of
  // nodes that live as long as the process, and objects share it: making
  // or copying a datatype object allocates nothing for its facets. Where
  // lists keep varying (more than kMaxVariants different facets appended
  // after one list, or kMaxNodes nodes in all), a list stops being shared
  // and keeps a copy of its own.
  class FacetList {
  public:
    void push_back(const Facet& facet) {
      if (m_shared) {
        if (const Node* extended = Extend(m_last, facet)) {
          m_last = extended;
          return;
        }
        m_own = Collect(m_last);
        m_shared = false;
        m_last = nullptr;
      }
      m_own.push_back(facet.Counted());
    }
    void AddTail(const Facet& facet) { push_back(facet); }

    std::size_t size() const { return m_shared ? (m_last ? m_last->size : 0) : m_own.size(); }
    bool empty() const { return size() == 0; }

    // Whether `test` holds for every facet. The facets are visited in no
    // particular order, up to the first one that fails.
    template <class Test> bool AllOf(Test test) const {
      if (m_shared) {
        for (const Node* node = m_last; node; node = node->previous)
          if (!test(node->facet))
            return false;
        return true;
      }
      for (const Facet& facet : m_own)
        if (!test(facet))
          return false;
      return true;
    }

  private:
    struct Node {
      Node(const Facet& value, const Node* before)
          : facet(value.Counted()), previous(before), size(before ? before->size + 1 : 1) {}
      const Facet facet;
      const Node* const previous; // the list without its last facet
      const std::size_t size;
      // The lists one facet longer than this one, newest first, linked by
      // nextSibling; written only under s_mutex.
      mutable std::atomic<const Node*> firstExtension{nullptr};
      const Node* nextSibling = nullptr;
    };

    static constexpr std::size_t kRootSlots = 64;
    static constexpr std::size_t kMaxVariants = 64;
    static constexpr std::size_t kMaxNodes = 65536;
    // Lists of one facet, by the facet's hash.
    static inline std::atomic<const Node*> s_roots[kRootSlots];
    static inline std::mutex s_mutex;
    static inline std::size_t s_nodes = 0;

    static std::atomic<const Node*>& Extensions(const Node* last, const Facet& facet) {
      return last ? last->firstExtension : s_roots[facet.Hash() % kRootSlots];
    }

    static const Node* Find(const Node* first, const Facet& facet, std::size_t& variants) {
      for (const Node* node = first; node; node = node->nextSibling) {
        if (node->facet.SameAs(facet))
          return node;
        ++variants;
      }
      return nullptr;
    }

    // The list `last` followed by `facet`; null when it is not to be
    // shared. Readers take no lock: a node is complete before it is
    // published.
    static const Node* Extend(const Node* last, const Facet& facet) {
      std::atomic<const Node*>& extensions = Extensions(last, facet);
      std::size_t variants = 0;
      if (const Node* found = Find(extensions.load(std::memory_order_acquire), facet, variants))
        return found;
      std::lock_guard<std::mutex> lock(s_mutex);
      variants = 0;
      const Node* first = extensions.load(std::memory_order_acquire);
      if (const Node* found = Find(first, facet, variants))
        return found;
      if (variants >= kMaxVariants || s_nodes >= kMaxNodes)
        return nullptr;
      Node* node = new Node(facet, last);
      node->nextSibling = first;
      ++s_nodes;
      extensions.store(node, std::memory_order_release);
      return node;
    }

    static std::vector<Facet> Collect(const Node* last) {
      std::vector<const Node*> nodes;
      for (const Node* node = last; node; node = node->previous)
        nodes.push_back(node);
      std::vector<Facet> facets;
      facets.reserve(nodes.size());
      for (auto node = nodes.rbegin(); node != nodes.rend(); ++node)
        facets.push_back((*node)->facet);
      return facets;
    }

    const Node* m_last = nullptr; // while shared; null for no facets
    bool m_shared = true;
    std::vector<Facet> m_own; // once not shared
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
    const bool bounded = m_facets.AllOf([&](const Facet& facet) {
      if (facet.GetKind() != Facet::literal)
        return facet.Allows(value);
      hasLiterals = true;
      matchesLiteral = matchesLiteral || facet.Matches(value);
      return true;
    });
    return bounded && (!hasLiterals || matchesLiteral);
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
