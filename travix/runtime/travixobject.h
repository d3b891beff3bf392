// XObject: the base of every object bound to an XML element or attribute.
//
// An object has an element tag, an owned map of attributes (each itself an
// XObject, kept in name order) and writes itself as XML. Generated binding
// classes and the value types derive from it. Also here: the text pieces and
// the line end that generated XML output is written with.
#ifndef TRAVIX_OBJECT_H
#define TRAVIX_OBJECT_H

#include <cstddef>
#include <functional>
#include <map>
#include <new>
#include <ostream>
#include <string>
#include <typeinfo> // generated classes tell their members' classes apart

#include "travixconfig.h"

// Generated code writes "Travix::EndL" in both naming forms.
namespace Travix {
inline std::ostream& EndL(std::ostream& stream) { return stream.put('\n'); }
} // namespace Travix

TRAVIX_BEGIN_NAMESPACE

inline constexpr char TRAVIX_NAME(LEFT_ANGLE)[] = "<";
inline constexpr char TRAVIX_NAME(RIGHT_ANGLE)[] = ">";
inline constexpr char TRAVIX_NAME(SLASH)[] = "/";

class TRAVIX_NAME(XObject);

// Blocks of the runtime objects' free lists for the nodes of attribute maps:
// most objects of a document carry an attribute or two, and the general
// heap is slower at making and freeing them.
TRAVIX_API void* TRAVIX_NAME(AllocateAttributeNode)(std::size_t size);
TRAVIX_API void TRAVIX_NAME(FreeAttributeNode)(void* block, std::size_t size) noexcept;

template <class T> class TRAVIX_NAME(XAttributeNodeAllocator) {
public:
  typedef T value_type;
  TRAVIX_NAME(XAttributeNodeAllocator)() noexcept = default;
  template <class U>
  TRAVIX_NAME(XAttributeNodeAllocator)(const TRAVIX_NAME(XAttributeNodeAllocator)<U>&) noexcept {}
  T* allocate(std::size_t count) {
    return static_cast<T*>(TRAVIX_NAME(AllocateAttributeNode)(count * sizeof(T)));
  }
  void deallocate(T* block, std::size_t count) noexcept {
    TRAVIX_NAME(FreeAttributeNode)(block, count * sizeof(T));
  }
  template <class U> bool operator==(const TRAVIX_NAME(XAttributeNodeAllocator)<U>&) const noexcept {
    return true;
  }
  template <class U> bool operator!=(const TRAVIX_NAME(XAttributeNodeAllocator)<U>&) const noexcept {
    return false;
  }
};

class TRAVIX_API TRAVIX_NAME(XObject) {
public:
  typedef std::map<std::string, TRAVIX_NAME(XObject)*, std::less<std::string>,
                   TRAVIX_NAME(XAttributeNodeAllocator)<
                       std::pair<const std::string, TRAVIX_NAME(XObject)*>>>
      AttributesMap;

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

  void SetTag(const std::string& tag) { m_tag = tag; }
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
  explicit TRAVIX_NAME(XObject)(const char* tag) : m_tag(tag ? tag : ""), m_pAttributesMap(nullptr) {}

  // Stores a clone of `value` under `name`, tagged `name`; null only removes.
  void setAttribute(std::string name, const TRAVIX_NAME(XObject)* value);
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
};

TRAVIX_END_NAMESPACE

#endif
