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
#include <optional>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "travixobject.h"
#include "travixvalues.h"

TRAVIX_BEGIN_NAMESPACE

// Generated constructors make every facet anew for every object, only to
// find it in the shared lists (XDatatype::FacetList) and drop it. So a facet
// made from text or from a number holds just that, and makes its value only
// when the value is needed or the facet is kept (Counted).
template <class T, bool Numeric> class TRAVIX_NAME(XFacet) {
  // The plain type of the runtime's number kinds: T made from a number holds
  // that number converted to it, and nothing else.
  template <class U, class = void> struct PlainOf {
    typedef void type;
  };
  template <class V, TRAVIX_NAME(XIntegerKind) K> struct PlainOf<TRAVIX_NAME(XIntegerValue)<V, K>> {
    typedef V type;
  };
  template <TRAVIX_NAME(XRealKind) K> struct PlainOf<TRAVIX_NAME(XRealValue)<K>> {
    typedef double type;
  };
  template <class D> struct PlainOf<TRAVIX_NAME(boolean), D> {
    typedef bool type;
  };
  typedef typename PlainOf<T>::type Plain;
  static constexpr bool HasPlain = !std::is_void_v<Plain>;

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
  TRAVIX_NAME(XFacet)(FacetKind kind, const char* text)
      : m_kind(kind), m_text(text ? std::string_view(text) : std::string_view()), m_fresh(!m_text.empty()) {
    if (m_text.empty())
      MakeValue(m_value);
  }
  // The same facet as one made from T(number). A literal 0 comes here
  // rather than to the text constructor as no text, which reads as 0 too.
  template <class N, std::enable_if_t<std::is_arithmetic_v<N> && HasPlain, int> = 0>
  TRAVIX_NAME(XFacet)(FacetKind kind, N number)
      : m_kind(kind), m_plain(static_cast<PlainStore>(number)), m_fresh(true) {}

  TRAVIX_NAME(XFacet)(const TRAVIX_NAME(XFacet)& other) = default;
  // As assigning each member would: T's assignment decides what of the
  // value (and its tag) is taken.
  TRAVIX_NAME(XFacet)& operator=(const TRAVIX_NAME(XFacet)& other) {
    if (this == &other)
      return *this;
    if (!m_value)
      MakeValue(m_value);
    std::optional<T> scratch;
    *m_value = other.ValueIn(scratch);
    m_fresh = m_fresh && other.m_fresh && m_text.empty() == other.m_text.empty();
    m_kind = other.m_kind;
    m_text = other.m_text;
    m_plain = other.m_plain;
    m_count = other.m_count;
    return *this;
  }

  FacetKind GetKind() const { return m_kind; }

  // A copy that has its value made and its count read already: the form a
  // datatype's list keeps (and may share between threads).
  TRAVIX_NAME(XFacet) Counted() const {
    TRAVIX_NAME(XFacet) counted(*this);
    if (!counted.m_value)
      counted.MakeValue(counted.m_value);
    counted.m_count = Count();
    return counted;
  }
  // Makes the value on first use unless the facet has it: a facet that is
  // not Counted is for one thread at a time.
  const T& GetValue() const {
    if (!m_value)
      MakeValue(m_value);
    return *m_value;
  }

  // Whether a bound or length facet holds for the value. Literal facets hold
  // for every value here: they are matched as a set (Matches).
  bool Allows(const T& value) const {
    if constexpr (IsNumber) {
      double x = static_cast<double>(value);
      double bound = Number();
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
    if constexpr (IsNumber) {
      return static_cast<double>(value) == Number();
    } else {
      std::optional<T> scratch;
      const T& own = ValueIn(scratch);
      if constexpr (IsTokenList)
        return TextsOf(value.GetTokens()) == TextsOf(own.GetTokens());
      else
        return std::string(value.c_str()) == own.c_str();
    }
  }

  // Whether the two facets cannot be told apart: kind, value (with its
  // tag) and text alike.
  bool SameAs(const TRAVIX_NAME(XFacet)& other) const {
    if (m_kind != other.m_kind || !travix_detail::SameText(m_text, other.m_text))
      return false;
    if (m_fresh && other.m_fresh) {
      // Values a new T made of the same text, or of a number each.
      if constexpr (IsNumber)
        return !m_text.empty() || BitsOf(Number()) == BitsOf(other.Number());
      else
        return true;
    }
    return SameValueAs(other);
  }

  // Equal for facets that are SameAs each other. A facet's text, when it
  // has one, decides its value, so the value is mixed in only without text.
  std::size_t Hash() const {
    std::uint64_t hash = 14695981039346656037ull ^ static_cast<std::uint64_t>(m_kind);
    auto mix = [&hash](const char* bytes, std::size_t length) {
      for (std::size_t i = 0; i < length; ++i)
        hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ull;
    };
    if (!m_text.empty()) {
      mix(m_text.data(), m_text.size());
    } else if constexpr (IsNumber) {
      hash = (hash ^ BitsOf(Number())) * 1099511628211ull;
      hash ^= hash >> 32;
    } else if constexpr (!IsTokenList) {
      mix(m_value->c_str(), std::strlen(m_value->c_str()));
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
  typedef std::conditional_t<HasPlain, Plain, bool> PlainStore;

  // What T makes of the text, or else of the number, this facet was made from.
  __attribute__((noinline)) void MakeValue(std::optional<T>& value) const {
    if constexpr (HasPlain) {
      if (m_text.empty()) {
        value.emplace(m_plain);
        return;
      }
    }
    value.emplace();
    value->SetValueFromString(m_text.c_str());
  }

  // The value, made in `scratch` when the facet does not hold it.
  const T& ValueIn(std::optional<T>& scratch) const {
    if (m_value)
      return *m_value;
    MakeValue(scratch);
    return *scratch;
  }

  double Number() const {
    if (m_value)
      return static_cast<double>(*m_value);
    if constexpr (HasPlain) {
      if (m_text.empty())
        return static_cast<double>(m_plain);
    }
    return NumberOfText();
  }
  __attribute__((noinline)) double NumberOfText() const {
    T value;
    value.SetValueFromString(m_text.c_str());
    return static_cast<double>(value);
  }

  // SameAs for facets that may hold their values in other ways: they are
  // compared value by value, tags too.
  __attribute__((noinline)) bool SameValueAs(const TRAVIX_NAME(XFacet)& other) const {
    std::optional<T> ownScratch, otherScratch;
    const T& own = ValueIn(ownScratch);
    const T& others = other.ValueIn(otherScratch);
    if (own.GetTag() != others.GetTag())
      return false;
    if constexpr (IsNumber)
      return BitsOf(static_cast<double>(own)) == BitsOf(static_cast<double>(others));
    else if constexpr (IsTokenList)
      return TextsOf(own.GetTokens()) == TextsOf(others.GetTokens());
    else
      return std::strcmp(own.c_str(), others.c_str()) == 0;
  }

  static std::uint64_t BitsOf(double number) {
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
      count.SetValueFromString(m_text.empty() ? TextOf(*m_value).c_str() : m_text.c_str());
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
  PlainStore m_plain{};    // when made from a number
  std::string m_text;
  mutable std::optional<T> m_value; // empty while not made (only with text or a number)
  // The value is what a new T makes of m_text, or of m_plain without text.
  bool m_fresh = false;
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
      }
      KeepOwn(facet);
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
      for (const Node* node = extensions.load(std::memory_order_acquire); node; node = node->nextSibling)
        if (node->facet.SameAs(facet))
          return node;
      return Insert(last, facet, extensions);
    }

    // Extend for a facet not found there: once per list and process, and
    // for every facet of lists that vary too much to be shared.
    __attribute__((noinline)) static const Node* Insert(const Node* last, const Facet& facet,
                                                        std::atomic<const Node*>& extensions) {
      std::lock_guard<std::mutex> lock(s_mutex);
      std::size_t variants = 0;
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

    __attribute__((noinline)) void KeepOwn(const Facet& facet) {
      if (m_shared) {
        m_own = Collect(m_last);
        m_shared = false;
        m_last = nullptr;
      }
      m_own.push_back(facet.Counted());
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
