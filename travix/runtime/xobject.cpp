#include "travixobject.h"

#include <fstream>
#include <new>
#include <utility>

#include "objectpool.h"
#include "travixexcept.h"

namespace {
// The version named in the comment line of every written document.
constexpr const char* kTravixVersion = "1.2";
} // namespace

TRAVIX_BEGIN_NAMESPACE

using XObject = TRAVIX_NAME(XObject);

// Attribute maps

using AttributeMap = TRAVIX_NAME(XAttributeMap);

AttributeMap::~TRAVIX_NAME(XAttributeMap)() {
  for (value_type& entry : *this)
    entry.~value_type();
  if (m_entries != Inline())
    travix_pool::Free(m_entries, m_capacity * sizeof(value_type));
}

AttributeMap::iterator AttributeMap::insert(iterator position, std::string_view name) {
  const std::size_t index = static_cast<std::size_t>(position - m_entries);
  if (m_size == m_capacity) {
    const std::uint32_t capacity = m_capacity * 2;
    auto* entries =
        static_cast<value_type*>(travix_pool::Allocate(capacity * sizeof(value_type)));
    for (std::uint32_t i = 0; i < m_size; ++i) {
      new (&entries[i]) value_type{std::move(m_entries[i].first), m_entries[i].second};
      m_entries[i].~value_type();
    }
    if (m_entries != Inline())
      travix_pool::Free(m_entries, m_capacity * sizeof(value_type));
    m_entries = entries;
    m_capacity = capacity;
  }
  if (index == m_size) {
    new (&m_entries[m_size]) value_type{std::string(name), nullptr};
  } else {
    // Everything that can fail comes before the entries move.
    std::string key(name);
    new (&m_entries[m_size]) value_type{std::move(m_entries[m_size - 1].first), m_entries[m_size - 1].second};
    for (std::size_t i = m_size - 1; i > index; --i) {
      m_entries[i].first = std::move(m_entries[i - 1].first);
      m_entries[i].second = m_entries[i - 1].second;
    }
    m_entries[index].first = std::move(key);
    m_entries[index].second = nullptr;
  }
  ++m_size;
  return m_entries + index;
}

void AttributeMap::erase(iterator position) noexcept {
  for (iterator next = position + 1; next != end(); ++position, ++next) {
    position->first = std::move(next->first);
    position->second = next->second;
  }
  --m_size;
  m_entries[m_size].~value_type();
}

XObject::TRAVIX_NAME(XObject)() : m_pAttributesMap(nullptr) {}

XObject::TRAVIX_NAME(XObject)(const XObject& other) : m_tag(other.m_tag), m_pAttributesMap(nullptr) {
  copyAttributesFrom(other.m_pAttributesMap);
}

// Most objects have no attributes: they need no call to free them.
XObject::~TRAVIX_NAME(XObject)() {
  if (m_pAttributesMap)
    freeAttributes();
}

void XObject::assignTag(std::string_view tag) {
  if (!travix_detail::SameText(m_tag, tag))
    m_tag.assign(tag.data(), tag.size());
}

void* XObject::operator new(std::size_t size) { return travix_pool::Allocate(size); }

// A nothrow object takes a block of the general heap: the size that the
// pool would need is not known when its constructor fails. Deleting it
// later hands the block to the pool, which it fits.
void* XObject::operator new(std::size_t size, const std::nothrow_t& tag) noexcept {
  return ::operator new(size, tag);
}

void XObject::operator delete(void* block, std::size_t size) noexcept {
  travix_pool::Free(block, size);
}

void XObject::operator delete(void* block, const std::nothrow_t&) noexcept { ::operator delete(block); }

XObject& XObject::operator=(const XObject& other) {
  m_tag = other.m_tag;
  return *this;
}

int XObject::operator==(const XObject& other) const {
  return m_tag == other.m_tag && hasEquivalentAttributes(other) ? 1 : 0;
}

int XObject::operator!=(const XObject& other) const { return *this == other ? 0 : 1; }

bool XObject::EmitAsAttribute(std::ostream&) { return false; }

bool XObject::IsValid() { return true; }

bool XObject::HasElement(std::string) const { return false; }

void XObject::RemoveElement(std::string) {}

bool XObject::HasAttribute(std::string name) const {
  return m_pAttributesMap && m_pAttributesMap->count(name) != 0;
}

void XObject::RemoveAttribute(std::string name) { dropAttribute(name); }

void XObject::dropAttribute(std::string_view name) {
  if (!m_pAttributesMap)
    return;
  auto found = m_pAttributesMap->find(name);
  if (found == m_pAttributesMap->end())
    return;
  delete found->second;
  m_pAttributesMap->erase(found);
}

namespace {

// Maps come from the objects' pool too: most objects of a document with
// attributes have a map of their own.
XObject::AttributesMap* NewAttributesMap() {
  void* block = nullptr;
  try {
    block = travix_pool::Allocate(sizeof(XObject::AttributesMap));
  } catch (const std::bad_alloc&) {
    TRAVIX_THROW("Error: Unable to allocate memory for an attributes map");
  }
  return new (block) XObject::AttributesMap;
}

void DeleteAttributesMap(XObject::AttributesMap* map) {
  using Map = XObject::AttributesMap;
  map->~Map();
  travix_pool::Free(map, sizeof(XObject::AttributesMap));
}

// The object a HandOver lends setAttribute, until setAttribute keeps it.
#if defined(__GNUC__)
__attribute__((tls_model("initial-exec")))
#endif
thread_local const XObject* t_handedOver = nullptr;

XObject* CloneAttribute(const XObject& value) {
  XObject* clone = value.clone();
  if (!clone)
    TRAVIX_THROW("Error: Unable to allocate memory for an attribute");
  return clone;
}

} // namespace

XObject::HandOver::HandOver(XObject* value) noexcept : m_value(value), m_previous(t_handedOver) {
  t_handedOver = value;
}

XObject::HandOver::~HandOver() {
  const bool kept = t_handedOver != m_value;
  t_handedOver = m_previous;
  if (!kept)
    delete m_value;
}

void XObject::setAttribute(std::string name, const XObject* value) { storeAttribute(name, value); }

// The value is cloned before the old one is freed: it may be the old one
// (obj.Set_a(obj.Get_a())). A failure leaves the attribute removed.
void XObject::storeAttribute(std::string_view name, const XObject* value) {
  if (!value) {
    dropAttribute(name);
    return;
  }
  if (!m_pAttributesMap)
    m_pAttributesMap = NewAttributesMap();
  auto slot = m_pAttributesMap->lower_bound(name);
  const bool present = slot != m_pAttributesMap->end() && travix_detail::SameText(slot->first, name);
  XObject* clone = nullptr;
  try {
    if (value == t_handedOver) {
      clone = const_cast<XObject*>(value);
      t_handedOver = nullptr;
    } else {
      clone = CloneAttribute(*value);
    }
    clone->assignTag(name);
    if (!present)
      slot = m_pAttributesMap->insert(slot, name);
  } catch (...) {
    delete clone;
    if (present) {
      delete slot->second;
      m_pAttributesMap->erase(slot);
    }
    throw;
  }
  delete slot->second;
  slot->second = clone;
}

const XObject* XObject::getAttribute(std::string name) const {
  if (m_pAttributesMap) {
    auto found = m_pAttributesMap->find(name);
    if (found != m_pAttributesMap->end())
      return found->second;
  }
  TRAVIX_THROW("Error: Attempt to retrieve non-existent attribute '" + name + "'");
}

void XObject::copyAttributesFrom(const AttributesMap* source) {
  // Self-assignment of a generated class hands us our own map.
  if (source == m_pAttributesMap)
    return;
  freeAttributes();
  if (!source)
    return;
  m_pAttributesMap = NewAttributesMap();
  for (const auto& [name, value] : *source) {
    XObject* clone = CloneAttribute(*value);
    try {
      m_pAttributesMap->insert(m_pAttributesMap->end(), name)->second = clone;
    } catch (...) {
      delete clone;
      throw;
    }
  }
}

void XObject::freeAttributes() {
  if (!m_pAttributesMap)
    return;
  for (auto& entry : *m_pAttributesMap)
    delete entry.second;
  DeleteAttributesMap(m_pAttributesMap);
  m_pAttributesMap = nullptr;
}

bool XObject::hasEquivalentAttributes(const XObject& other) const {
  if (!m_pAttributesMap || !other.m_pAttributesMap)
    return !m_pAttributesMap && !other.m_pAttributesMap;
  if (m_pAttributesMap->size() != other.m_pAttributesMap->size())
    return false;
  for (const auto& [name, value] : *m_pAttributesMap) {
    auto found = other.m_pAttributesMap->find(name);
    if (found == other.m_pAttributesMap->end() || *value != *found->second)
      return false;
  }
  return true;
}

bool XObject::hasValidAttributes() {
  if (!m_pAttributesMap)
    return true;
  for (auto& entry : *m_pAttributesMap)
    if (!entry.second->IsValid())
      return false;
  return true;
}

std::string XObject::ConvertToStdEntities(const std::string& text) {
  std::string converted;
  converted.reserve(text.size());
  for (char c : text) {
    switch (c) {
    case '"':
      converted += "&quot;";
      break;
    case '&':
      converted += "&amp;";
      break;
    case '\'':
      converted += "&apos;";
      break;
    case '<':
      converted += "&lt;";
      break;
    case '>':
      converted += "&gt;";
      break;
    default:
      converted += c;
    }
  }
  return converted;
}

std::string XObject::doIndent(int n) { return std::string(n > 0 ? n : 0, '\t'); }

bool XObject::EmitXMLToFile(const char* fileName, const char* doctype) {
  return EmitXMLToFile(std::string(fileName ? fileName : ""), std::string(doctype ? doctype : ""));
}

bool XObject::EmitXMLToFile(const std::string& fileName, const std::string& doctype) {
  std::ofstream stream;
  if (!fileName.empty())
    stream.open(fileName, std::ios::out | std::ios::trunc);
  if (!stream.is_open() || !stream)
    TRAVIX_THROW("Error: Unable to open file '" + fileName + "' for XML output.");
  EmitXMLHeader(stream, doctype);
  EmitXML(stream, 0);
  stream.flush();
  stream.close();
  // A full disk shows only here; the document must not be reported written.
  if (!stream)
    TRAVIX_THROW("Error: Unable to write file '" + fileName + "' for XML output.");
  return true;
}

void XObject::EmitXMLHeader(std::ostream& stream, std::string doctype) {
  stream << "<?xml version='1.0'?>" << std::endl;
  if (!doctype.empty())
    stream << "<!DOCTYPE " << m_tag << " SYSTEM \"" << doctype << "\">" << std::endl;
  stream << "<!-- created with Travix version " << kTravixVersion << " -->" << std::endl;
}

void XObject::EmitAttributes(std::ostream& stream) {
  if (!m_pAttributesMap)
    return;
  for (auto& entry : *m_pAttributesMap)
    entry.second->EmitAsAttribute(stream);
}

TRAVIX_END_NAMESPACE
