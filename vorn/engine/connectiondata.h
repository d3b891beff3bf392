// The value behind one input or output of a module: its definition, its
// current data in one of the four connection kinds, the properties text that
// travels with the data, and whether it holds data in this cycle. A multiple
// input holds no data of its own but one child value per feeding source.
//
// Records answered by GetData point into the value and change with it; the
// value copies whatever it is given, so a record from any source (another
// module, another machine) never lends it storage.
#ifndef VORN_ENGINE_CONNECTIONDATA_H
#define VORN_ENGINE_CONNECTIONDATA_H

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/archive.h"
#include "vorn/interfaces/connection.h"

class CConnectionData {
public:
  // A value without a definition until Init.
  CConnectionData();
  explicit CConnectionData(const VornConnectionDef& definition);
  virtual ~CConnectionData();
  // Writes or reads the value: the version 1, the type, the properties
  // text and the data of the type (a float array as its count and floats).
  // Reading refuses another version (badSchema) and a type other than the
  // definition's (badClass); a value without a definition takes one of the
  // type read. A VARIANT without an archive form (an array, an interface)
  // cannot be written. Failures throw CArchiveException naming
  // "CConnectionData"; what a failed read had not reached stays as it was.
  virtual void Serialize(CArchive& archive);
  CConnectionData(const CConnectionData&) = delete;
  CConnectionData& operator=(const CConnectionData&) = delete;

  // Starts over with a copy of definition: no children, no properties, no
  // data flag; a single float-array value is sized to the element count.
  void Init(const VornConnectionDef& definition);

  // The definition the value owns; null before Init.
  VornConnectionDef* GetDef() { return m_defined ? &m_definition : nullptr; }
  bool IsMultiple() const { return m_defined && m_definition.m_bMultipleInput != 0; }

  // The record of the current data, owned by this value.
  VornConnectionData* GetData();

  // Takes a copy of source, converting between kinds where one of the two
  // is a VARIANT. Mismatched kinds keep the old data silently. A record that
  // cannot be read (E_POINTER for none, E_INVALIDARG for a negative count,
  // an array pointer missing behind a positive count, or a VARIANT reference
  // to nothing) changes nothing. The data flag is left to the caller.
  HRESULT SetData(const VornConnectionData* source);

  // A multiple input passes the flag to each source's value. Inline for
  // the single value: every run and transfer sets or asks it.
  void SetHasData(BOOL hasData) {
    if (IsMultiple())
      SetChildrenHaveData(hasData);
    else
      m_hasData = hasData;
  }
  BOOL HasData() const { return IsMultiple() ? AnyChildHasData() : m_hasData; }

  // The value of one source of a multiple input, made on first use; null
  // for any other value.
  CConnectionData* GetOrCreateChild(std::u16string_view key);
  // In the order the sources first delivered; null outside 0..count-1.
  CConnectionData* GetChildAt(int index) const;
  int GetChildCount() const { return static_cast<int>(m_children.size()); }

private:
  VornConnectionType Type() const { return m_defined ? m_definition.m_Type : ctFloatArray; }
  void DropDefinition();
  // The float array := count floats of source (zeros for a null source).
  void AssignFloats(const float* source, std::size_t count);
  HRESULT CopyByTargetType(const VornConnectionData& source);
  HRESULT CopyFromVariant(const VARIANT* source, bool& copied);
  void SetProperties(const BSTR* source);
  void SetChildrenHaveData(BOOL hasData);
  BOOL AnyChildHasData() const;

  std::vector<float> m_floats;
  BSTR m_string = nullptr;
  VARIANT m_variant{};
  IUnknown* m_unknown = nullptr;
  BSTR m_properties = nullptr;
  VornConnectionData m_record{};
  VornConnectionDef m_definition{};
  bool m_defined = false;
  std::vector<std::pair<std::u16string, std::unique_ptr<CConnectionData>>> m_children;
  BOOL m_hasData = FALSE;
};

#endif
