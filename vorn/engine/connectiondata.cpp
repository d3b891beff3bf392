#include "vorn/engine/connectiondata.h"

#include <algorithm>
#include <cstring>

#include "vorn/support/utilities.h"

namespace {

bool IsKnownType(VornConnectionType type) { return type >= ctFloatArray && type <= ctIUnknown; }

BSTR CopyBstr(BSTR text) {
  // Length-exact, so embedded zeros and every UTF-16 unit survive.
  return SysAllocStringLen(text, SysStringLen(text));
}

// A float array record is readable when its count is not negative and a
// positive count comes with elements to read.
bool FloatSourceReadable(const VornConnectionData& source) {
  return source.m_iArrayElementCnt >= 0 && (source.m_iArrayElementCnt == 0 || source.m_pFloatArray != nullptr);
}

} // namespace

CConnectionData::CConnectionData() { VariantInit(&m_variant); }

CConnectionData::CConnectionData(const VornConnectionDef& definition) : CConnectionData() { Init(definition); }

CConnectionData::~CConnectionData() {
  m_children.clear();
  DropDefinition();
  SysFreeString(m_properties);
  if (m_unknown != nullptr)
    m_unknown->Release();
  VariantClear(&m_variant);
  SysFreeString(m_string);
}

void CConnectionData::DropDefinition() {
  if (m_defined)
    SysFreeString(m_definition.m_bstrName);
  m_definition = VornConnectionDef{};
  m_defined = false;
}

void CConnectionData::Init(const VornConnectionDef& definition) {
  m_children.clear();
  BSTR name = CopyBstr(definition.m_bstrName);
  DropDefinition();
  SysFreeString(m_properties);
  m_properties = nullptr;
  m_definition = definition;
  m_definition.m_bstrName = name;
  m_defined = true;
  if (!IsMultiple() && m_definition.m_Type == ctFloatArray)
    m_floats.assign(static_cast<std::size_t>(std::max(0, m_definition.m_iArrayElementCnt)), 0.0f);
  else
    m_floats.clear();
  m_hasData = FALSE;
}

void CConnectionData::Serialize(CArchive& archive) {
  constexpr LONG kVersion = 1;
  const char* const kName = "CConnectionData";
  auto refuse = [&](int cause) { throw CArchiveException(cause, kName); };
  try {
    if (archive.IsStoring()) {
      archive << kVersion << static_cast<LONG>(Type());
      archive.WriteString(m_properties);
      switch (Type()) {
      case ctFloatArray:
        archive << static_cast<LONG>(m_floats.size());
        for (float f : m_floats)
          archive << f;
        break;
      case ctString:
        archive.WriteString(m_string);
        break;
      case ctVariant:
        archive.WriteVariant(m_variant);
        break;
      case ctIUnknown:
        break;
      }
      return;
    }
    LONG version = 0, type = 0;
    archive >> version;
    if (version != kVersion)
      refuse(CArchiveException::badSchema);
    archive >> type;
    if (!IsKnownType(static_cast<VornConnectionType>(type)))
      refuse(CArchiveException::badSchema);
    if (!m_defined)
      Init(VornConnectionDef{nullptr, static_cast<VornConnectionType>(type), 0, FALSE});
    else if (type != Type())
      refuse(CArchiveException::badClass);
    BSTR properties = archive.ReadString();
    SysFreeString(m_properties);
    m_properties = properties;
    switch (Type()) {
    case ctFloatArray: {
      LONG count = 0;
      archive >> count;
      if (count < 0)
        refuse(CArchiveException::badSchema);
      // One at a time: a count the archive does not hold ends at its end.
      std::vector<float> floats;
      for (LONG i = 0; i < count; ++i) {
        float f = 0;
        archive >> f;
        floats.push_back(f);
      }
      m_floats = std::move(floats);
      break;
    }
    case ctString: {
      BSTR text = archive.ReadString();
      SysFreeString(m_string);
      m_string = text;
      break;
    }
    case ctVariant:
      archive.ReadVariant(m_variant);
      break;
    case ctIUnknown:
      break;
    }
  } catch (const CArchiveException& e) {
    // The archive's own failures name the class whose data they were.
    if (e.m_strFileName == kName)
      throw;
    throw CArchiveException(e.m_cause, kName);
  }
}

VornConnectionData* CConnectionData::GetData() {
  m_record = VornConnectionData{};
  m_record.m_Type = Type();
  m_record.m_pbstrProperties = &m_properties;
  switch (m_record.m_Type) {
  case ctFloatArray:
    m_record.m_pFloatArray = m_floats.data();
    m_record.m_iArrayElementCnt = static_cast<int>(m_floats.size());
    break;
  case ctString:
    m_record.m_pbstrString = &m_string;
    break;
  case ctVariant:
    m_record.m_pVariant = &m_variant;
    break;
  case ctIUnknown:
    m_record.m_pUnk = m_unknown;
    break;
  }
  return &m_record;
}

void CConnectionData::AssignFloats(const float* source, std::size_t count) {
  if (source != nullptr && count > 0)
    m_floats.assign(source, source + count);
  else
    m_floats.assign(count, 0.0f);
}

void CConnectionData::SetProperties(const BSTR* source) {
  // Every cycle brings the same properties as a rule: no new copy for them.
  std::u16string_view wanted = source != nullptr ? Platform::BstrView(*source) : std::u16string_view();
  if (m_properties != nullptr && Platform::BstrView(m_properties) == wanted)
    return;
  BSTR copy = source != nullptr && *source != nullptr ? CopyBstr(*source) : SysAllocString(u"");
  SysFreeString(m_properties);
  m_properties = copy;
}

HRESULT CConnectionData::CopyByTargetType(const VornConnectionData& source) {
  switch (Type()) {
  case ctFloatArray:
    if (!FloatSourceReadable(source))
      return E_INVALIDARG;
    AssignFloats(source.m_pFloatArray, static_cast<std::size_t>(source.m_iArrayElementCnt));
    return S_OK;
  case ctString: {
    BSTR copy = CopyBstr(source.m_pbstrString != nullptr ? *source.m_pbstrString : nullptr);
    SysFreeString(m_string);
    m_string = copy;
    return S_OK;
  }
  case ctVariant: {
    // The new content is built aside first, so a record that cannot be
    // read leaves the old one in place.
    VARIANT filled;
    VariantInit(&filled);
    switch (source.m_Type) {
    case ctFloatArray: {
      if (!FloatSourceReadable(source))
        return E_INVALIDARG;
      SAFEARRAY* array = Vorn::CreateSafeArray1D(VT_R4, static_cast<ULONG>(source.m_iArrayElementCnt));
      if (array == nullptr)
        return E_OUTOFMEMORY;
      if (source.m_iArrayElementCnt > 0)
        std::memcpy(array->pvData, source.m_pFloatArray, static_cast<std::size_t>(source.m_iArrayElementCnt) * sizeof(float));
      filled.vt = VT_ARRAY | VT_R4;
      filled.parray = array;
      break;
    }
    case ctString:
      // The text stays UTF-16 as it came, with no narrowing on the way.
      filled.vt = VT_BSTR;
      filled.bstrVal = CopyBstr(source.m_pbstrString != nullptr ? *source.m_pbstrString : nullptr);
      break;
    case ctVariant:
      // By value: a reference would point into the sender's storage.
      if (source.m_pVariant != nullptr && FAILED(VariantCopyInd(&filled, source.m_pVariant)))
        return E_INVALIDARG;
      break;
    case ctIUnknown:
      break;
    }
    VariantClear(&m_variant);
    m_variant = filled;
    return S_OK;
  }
  case ctIUnknown:
    if (source.m_pUnk != nullptr)
      source.m_pUnk->AddRef();
    if (m_unknown != nullptr)
      m_unknown->Release();
    m_unknown = source.m_pUnk;
    return S_OK;
  }
  return S_OK;
}

HRESULT CConnectionData::CopyFromVariant(const VARIANT* source, bool& copied) {
  copied = false;
  if (source == nullptr)
    return S_OK;
  if (source->vt & VT_ARRAY) {
    SAFEARRAY* array = source->parray;
    if (source->vt & VT_BYREF)
      array = source->pparray != nullptr ? *source->pparray : nullptr;
    if (array == nullptr || array->cDims == 0)
      return E_INVALIDARG;
    // Bounds are stored rightmost first: the first dimension is the last.
    std::size_t count = array->rgsabound[array->cDims - 1].cElements;
    // Never more elements than the array holds: another dimension may be
    // empty.
    std::size_t held = 1;
    for (USHORT d = 0; d < array->cDims; ++d)
      held *= array->rgsabound[d].cElements;
    VARTYPE elementType = VT_EMPTY;
    bool floats = SUCCEEDED(SafeArrayGetVartype(array, &elementType)) && elementType == VT_R4 &&
                  array->pvData != nullptr;
    m_floats.assign(count, 0.0f);
    if (floats)
      std::memcpy(m_floats.data(), array->pvData, std::min(count, held) * sizeof(float));
    copied = true;
    return S_OK;
  }
  if (source->vt == VT_BSTR) {
    BSTR copy = CopyBstr(source->bstrVal);
    SysFreeString(m_string);
    m_string = copy;
    copied = true;
  }
  return S_OK;
}

HRESULT CConnectionData::SetData(const VornConnectionData* source) {
  if (source == nullptr)
    return E_POINTER;
  VornConnectionType target = Type();
  if (source->m_Type == target || target == ctVariant) {
    if (!IsKnownType(target) || !IsKnownType(source->m_Type))
      return S_OK;
    HRESULT hr = CopyByTargetType(*source);
    if (FAILED(hr))
      return hr;
  } else if (source->m_Type == ctVariant) {
    bool copied = false;
    HRESULT hr = CopyFromVariant(source->m_pVariant, copied);
    if (FAILED(hr) || !copied)
      return hr;
  }
  SetProperties(source->m_pbstrProperties);
  return S_OK;
}

void CConnectionData::SetChildrenHaveData(BOOL hasData) {
  m_hasData = FALSE;
  for (auto& child : m_children)
    child.second->SetHasData(hasData);
}

BOOL CConnectionData::AnyChildHasData() const {
  for (const auto& child : m_children) {
    if (child.second->HasData())
      return TRUE;
  }
  return FALSE;
}

CConnectionData* CConnectionData::GetOrCreateChild(std::u16string_view key) {
  if (!IsMultiple())
    return nullptr;
  for (auto& child : m_children) {
    if (child.first == key)
      return child.second.get();
  }
  VornConnectionDef definition = m_definition;
  definition.m_bstrName = nullptr;
  definition.m_bMultipleInput = FALSE;
  m_children.emplace_back(std::u16string(key), std::make_unique<CConnectionData>(definition));
  return m_children.back().second.get();
}

CConnectionData* CConnectionData::GetChildAt(int index) const {
  if (index < 0 || index >= GetChildCount())
    return nullptr;
  return m_children[static_cast<std::size_t>(index)].second.get();
}
