#include "clipview/control.h"

#include <limits>

#include "platform/dialogs/dialog.h"

namespace clipview {

BOOL ClipViewCtl::SobelMagnitude(LONG source, LONG result) { return m_processor.SobelMagnitude(source, result); }

BOOL ClipViewCtl::SobelDirection(LONG source, LONG result, LONG direction) {
  return m_processor.SobelDirection(source, result, direction);
}

BOOL ClipViewCtl::Motion(LONG source, LONG result) { return m_processor.Motion(source, result); }

BOOL ClipViewCtl::Difference(LONG source1, LONG source2, LONG result) {
  return m_processor.Difference(source1, source2, result);
}

BOOL ClipViewCtl::Threshold(LONG source, SHORT threshold, LONG result) {
  return m_processor.Threshold(source, threshold, result);
}

BOOL ClipViewCtl::Normalize(LONG source, SHORT min, SHORT max, LONG result) {
  return m_processor.Normalize(source, min, max, result);
}

BOOL ClipViewCtl::DrawText(LONG image, const char* text, LONG x, LONG y) {
  return m_processor.DrawText(image, text, x, y);
}

BOOL ClipViewCtl::DrawDateTime(LONG image, LONG x, LONG y) { return m_processor.DrawDateTime(image, x, y); }

BOOL ClipViewCtl::SetTextStyle(LONG image, const char* fontName, SHORT fontSize, SHORT red, SHORT green,
                               SHORT blue) {
  return m_processor.SetTextStyle(image, fontName, fontSize, red, green, blue);
}

BOOL ClipViewCtl::DrawCrosshair(LONG image, LONG x, LONG y, LONG red, LONG green, LONG blue) {
  return m_processor.DrawCrosshair(image, x, y, red, green, blue);
}

BOOL ClipViewCtl::DrawLine(LONG image, LONG x0, LONG y0, LONG x1, LONG y1, LONG red, LONG green, LONG blue) {
  return m_processor.DrawLine(image, x0, y0, x1, y1, red, green, blue);
}

LONGLONG ClipViewCtl::SumArea(LONG image, LONG x0, LONG y0, LONG x1, LONG y1) {
  return m_processor.SumArea(image, x0, y0, x1, y1);
}

LONG ClipViewCtl::MeanArea(LONG image, LONG x0, LONG y0, LONG x1, LONG y1) {
  return m_processor.MeanArea(image, x0, y0, x1, y1);
}

BOOL ClipViewCtl::Scale(LONG image, LONG scaled) { return m_processor.Scale(image, scaled); }

VARIANT ClipViewCtl::SumAreaValue(LONG image, LONG x0, LONG y0, LONG x1, LONG y1) {
  const LONGLONG sum = SumArea(image, x0, y0, x1, y1);
  VARIANT value;
  VariantInit(&value);
  if (sum <= std::numeric_limits<LONG>::max()) {
    value.vt = VT_I4;
    value.lVal = static_cast<LONG>(sum);
  } else {
    value.vt = VT_I8;
    value.llVal = sum;
  }
  return value;
}

// The dialog's texts and icons are all in its template.
void ClipViewCtl::AboutBox() {
  Platform::Dialog about(kDialogAbout, nullptr, Platform::ThisModule());
  about.DoModal();
}

HRESULT ClipViewCtl::GetPages(CAUUID* pages) {
  if (pages == nullptr) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (pages->pElems == nullptr) return E_OUTOFMEMORY;
  pages->pElems[0] = CLSID_ClipViewCtlPropPage;
  pages->cElems = 1;
  return S_OK;
}

}  // namespace clipview
