// XObject: the base of every object bound to an XML element or attribute.
//
// An object has an element tag, an owned map of attributes (each itself an
// XObject, kept in name order) and writes itself as XML. Generated binding
// classes and the value types derive from it. Also here: the text pieces and
// the line end that generated XML output is written with.
#ifndef TRAVIX_OBJECT_H
#define TRAVIX_OBJECT_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <new>
#include <ostream>
#include <string>
#include <string_view>
#include <typeinfo> // generated classes tell their members' classes apart

#include "travixconfig.h"

// Generated code writes "Travix::EndL" in both naming forms.
namespace Travix {
inline std::ostream& EndL(std::ostream& stream) { return stream.put('\n'); }
} // namespace Travix

// Comparisons of the short texts objects carry (tags, attribute names,
// facet texts) at every step of an import: a call to memcmp costs more than
// the two reads a side, which may overlap, that a text of up to sixteen
// bytes takes. Shared by both naming forms; not for use by generated code.
namespace travix_detail {

// Whether two texts of one length, from sizeof(Word) to twice that, are
// the same: their first and their last Word each.
template <class Word> bool SameEnds(const char* a, const char* b, std::size_t length) noexcept {
  Word a1, a2, b1, b2;
  std::memcpy(&a1, a, sizeof(Word));
  std::memcpy(&b1, b, sizeof(Word));
  std::memcpy(&a2, a + length - sizeof(Word), sizeof(Word));
  std::memcpy(&b2, b + length - sizeof(Word), sizeof(Word));
  return ((a1 ^ b1) | (a2 ^ b2)) == 0;
}

inline bool SameText(std::string_view a, std::string_view b) noexcept {
  const std::size_t length = a.size();
  if (length != b.size())
    return false;
  if (length > 16)
    return std::memcmp(a.data(), b.data(), length) == 0;
  if (length >= 8)
    return SameEnds<std::uint64_t>(a.data(), b.data(), length);
  if (length >= 4)
    return SameEnds<std::uint32_t>(a.data(), b.data(), length);
  for (std::size_t i = 0; i < length; ++i)
    if (a[i] != b[i])
      return false;
  return true;
}

// Byte order, as std::string_view orders texts; names mostly differ in
// their first byte.
inline bool TextBefore(std::string_view a, std::string_view b) noexcept {
  if (!a.empty() && !b.empty() && a[0] != b[0])
    return static_cast<unsigned char>(a[0]) < static_cast<unsigned char>(b[0]);
  return a < b;
}

} // namespace travix_detail

TRAVIX_BEGIN_NAMESPACE

inline constexpr char TRAVIX_NAME(LEFT_ANGLE)[] = "<";
inline constexpr char TRAVIX_NAME(RIGHT_ANGLE)[] = ">";
inline constexpr char TRAVIX_NAME(SLASH)[] = "/";

class TRAVIX_NAME(XObject);

// The attributes of one object: names with their values, in name order.
// Objects carry few attributes, so a sorted array serves them better than a
// tree: the first few entries live in the map itself, more come from the
// runtime's free lists, nothing is rebalanced and freeing is one pass. The
// map does not own the values; the object it belongs to does.
class TRAVIX_API TRAVIX_NAME(XAttributeMap) {
public:
  struct value_type {
    std::string first;
    TRAVIX_NAME(XObject)* second;
  };
  typedef value_type* iterator;
  typedef const value_type* const_iterator;
  typedef std::size_t size_type;

  TRAVIX_NAME(XAttributeMap)() noexcept : m_entries(Inline()), m_size(0), m_capacity(kInline) {}
  ~TRAVIX_NAME(XAttributeMap)();
  TRAVIX_NAME(XAttributeMap)(const TRAVIX_NAME(XAttributeMap)&) = delete;
  TRAVIX_NAME(XAttributeMap)& operator=(const TRAVIX_NAME(XAttributeMap)&) = delete;

  iterator begin() noexcept { return m_entries; }
  iterator end() noexcept { return m_entries + m_size; }
  const_iterator begin() const noexcept { return m_entries; }
  const_iterator end() const noexcept { return m_entries + m_size; }
  size_type size() const noexcept { return m_size; }
  bool empty() const noexcept { return m_size == 0; }

  // The first entry whose name is not less than `name` (byte order).
  iterator lower_bound(std::string_view name) noexcept {
    return std::lower_bound(begin(), end(), name, [](const value_type& entry, std::string_view key) {
      return travix_detail::TextBefore(entry.first, key);
    });
  }
  iterator find(std::string_view name) noexcept {
    iterator entry = lower_bound(name);
    return entry != end() && travix_detail::SameText(entry->first, name) ? entry : end();
  }
  const_iterator find(std::string_view name) const noexcept {
    return const_cast<TRAVIX_NAME(XAttributeMap)*>(this)->find(name);
  }
  size_type count(std::string_view name) const noexcept { return find(name) != end() ? 1 : 0; }

  // A new entry of that name and a null value before `position`, which
  // must be where the name belongs; on failure the map is unchanged.
  iterator insert(iterator position, std::string_view name);
  void erase(iterator position) noexcept;

private:
  static constexpr std::uint32_t kInline = 2;

  value_type* Inline() noexcept { return reinterpret_cast<value_type*>(m_inline); }

  value_type* m_entries;
  std::uint32_t m_size;
  std::uint32_t m_capacity;
  alignas(value_type) unsigned char m_inline[kInline * sizeof(value_type)];
};

class TRAVIX_API TRAVIX_NAME(XObject) {
public:
  typedef TRAVIX_NAME(XAttributeMap) AttributesMap;

  TRAVIX_NAME(XObject)();
  // Copies the tag and clones the attributes.
  TRAVIX_NAME(XObject)(const TRAVIX_NAME(XObject)& other);
  virtual ~TRAVIX_NAME(XObject)();

  // Objects come from free lists per size, kept by the runtime: an import
  // makes and frees many of a few sizes. The nothrow and placement forms
  // are here so that derived classes can still be created with them.
  static void* operator new(std::size_t size);
  static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
  static void* operator new(std::size_t, void* place) noexcept { return place; }
  static void operator delete(void* block, std::size_t size) noexcept;
  static void operator delete(void* block, const std::nothrow_t&) noexcept;
  static void operator delete(void*, void*) noexcept {}

  // Lends setAttribute an object made on the heap for the one attribute it
  // is the value of, while the guard lives: setAttribute then keeps that
  // object itself instead of a clone of it. The grammar makes each
  // attribute's value only to hand it to a generated Set_ function, which
  // would otherwise clone it and leave the original to be freed. The guard
  // frees the object unless setAttribute kept it.
  class TRAVIX_API HandOver {
  public:
    explicit HandOver(TRAVIX_NAME(XObject)* value) noexcept;
    ~HandOver();
    HandOver(const HandOver&) = delete;
    HandOver& operator=(const HandOver&) = delete;

  private:
    TRAVIX_NAME(XObject)* m_value;
    const TRAVIX_NAME(XObject)* m_previous;
  };

  // Copies the tag only; the attributes stay as they were.
  TRAVIX_NAME(XObject)& operator=(const TRAVIX_NAME(XObject)& other);

  // Equal tags and attributes of the same names with equal tags; attribute
  // values are not compared.
  int operator==(const TRAVIX_NAME(XObject)& other) const;
  int operator!=(const TRAVIX_NAME(XObject)& other) const;

  // Equal tags are not copied again: generated code sets the tag a
  // value already has, and setAttribute tags clones with their names.
  void SetTag(const std::string& tag) {
    if (!travix_detail::SameText(m_tag, tag))
      m_tag = tag;
  }
  // The same for a tag in a text constant, without a string made of it
  // first (null is the empty tag).
  void SetTag(const char* tag) { assignTag(tag ? std::string_view(tag) : std::string_view()); }
  const std::string& GetTag() const { return m_tag; }

  virtual bool EmitXML(std::ostream& stream, int indent) = 0;
  // Writes " name='value'"; false for objects that are not simple values.
  virtual bool EmitAsAttribute(std::ostream& stream);
  virtual bool IsValid();
  virtual TRAVIX_NAME(XObject)* clone() const = 0;
  virtual bool HasElement(std::string name) const;
  virtual void RemoveElement(std::string name);

  bool HasAttribute(std::string name) const;
  void RemoveAttribute(std::string name);

  // Writes the document prologue and the object to a file; throws
  // XException when the file cannot be opened or written.
  bool EmitXMLToFile(const char* fileName, const char* doctype);
  bool EmitXMLToFile(const std::string& fileName, const std::string& doctype);
  void EmitXMLHeader(std::ostream& stream, std::string doctype);
  void EmitAttributes(std::ostream& stream);

protected:
  // In the header, so that the length of a tag written as a literal, as
  // every generated class and value type writes it, is known where the
  // object is made.
  explicit TRAVIX_NAME(XObject)(const char* tag)
      : m_tag(tag ? std::string_view(tag) : std::string_view()), m_pAttributesMap(nullptr) {}

  // Stores a clone of `value` under `name`, tagged `name`; null only removes.
  void setAttribute(std::string name, const TRAVIX_NAME(XObject)* value);
  // The same for a name in a text constant, as generated code passes it,
  // without making a string of it for the lookup (null is the empty name).
  void setAttribute(const char* name, const TRAVIX_NAME(XObject)* value) {
    storeAttribute(name ? std::string_view(name) : std::string_view(), value);
  }
  const TRAVIX_NAME(XObject)* getAttribute(std::string name) const;
  void copyAttributesFrom(const AttributesMap* source);
  void freeAttributes();
  bool hasEquivalentAttributes(const TRAVIX_NAME(XObject)& other) const;
  bool hasValidAttributes();

  // The text with the five XML markup characters replaced by entities.
  static std::string ConvertToStdEntities(const std::string& text);
  static std::string doIndent(int n);

  std::string m_tag;
  AttributesMap* m_pAttributesMap;

private:
  // The inline SetTag and setAttribute forwarding to these let the
  // length of a literal be known where it is written.
  void assignTag(std::string_view tag);
  void storeAttribute(std::string_view name, const TRAVIX_NAME(XObject)* value);
  void dropAttribute(std::string_view name);
};

TRAVIX_END_NAMESPACE

#endif
