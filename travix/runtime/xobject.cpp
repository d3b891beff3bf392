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

void* TRAVIX_NAME(AllocateAttributeNode)(std::size_t size) { return travix_pool::Allocate(size); }

void TRAVIX_NAME(FreeAttributeNode)(void* block, std::size_t size) noexcept {
  travix_pool::Free(block, size);
}

XObject::TRAVIX_NAME(XObject)() : m_pAttributesMap(nullptr) {}

XObject::TRAVIX_NAME(XObject)(const XObject& other) : m_tag(other.m_tag), m_pAttributesMap(nullptr) {
  copyAttributesFrom(other.m_pAttributesMap);
}

XObject::~TRAVIX_NAME(XObject)() { freeAttributes(); }

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

void XObject::RemoveAttribute(std::string name) {
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

// The value is cloned before the old one is freed: it may be the old one
// (obj.Set_a(obj.Get_a())). A failure leaves the attribute removed.
void XObject::setAttribute(std::string name, const XObject* value) {
  if (!value) {
    RemoveAttribute(name);
    return;
  }
  if (!m_pAttributesMap)
    m_pAttributesMap = NewAttributesMap();
  auto slot = m_pAttributesMap->lower_bound(name);
  const bool present = slot != m_pAttributesMap->end() && slot->first == name;
  XObject* clone = nullptr;
  try {
    if (value == t_handedOver) {
      clone = const_cast<XObject*>(value);
      t_handedOver = nullptr;
    } else {
      clone = CloneAttribute(*value);
    }
    clone->SetTag(name);
    if (!present)
      slot = m_pAttributesMap->emplace_hint(slot, std::move(name), nullptr);
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
  for (const auto& [name, value] : *source)
    (*m_pAttributesMap)[name] = CloneAttribute(*value);
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
