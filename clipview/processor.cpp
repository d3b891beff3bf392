#include "clipview/processor.h"

#include "clipview/filters.h"

namespace clipview {

namespace {

ImageClass* Find(LONG handle) { return ImageClass::FromHandle(handle); }
BOOL Answer(bool done) { return done ? TRUE : FALSE; }

}  // namespace

ClipViewProcessor::ClipViewProcessor() = default;
ClipViewProcessor::~ClipViewProcessor() = default;

BOOL ClipViewProcessor::SobelMagnitude(LONG source, LONG result) {
  ImageClass *s = Find(source), *r = Find(result);
  return Answer(s && r && clipview::SobelMagnitude(*s, *r));
}

BOOL ClipViewProcessor::SobelDirection(LONG source, LONG result, LONG direction) {
  ImageClass *s = Find(source), *r = Find(result), *d = Find(direction);
  return Answer(s && r && d && clipview::SobelDirection(*s, *r, *d));
}

BOOL ClipViewProcessor::Motion(LONG source, LONG result) {
  ImageClass *s = Find(source), *r = Find(result);
  if (!s || !r || !s->HasPixels() || s->m_nFormat != ImageClass::kGrey) return FALSE;
  if (!r->HasPixels() || r->m_nFormat != ImageClass::kGrey || !r->SameSize(*s)) return FALSE;
  if (!m_previous || !m_previous->SameSize(*s)) {
    auto frame = std::make_unique<ImageClass>();
    if (!frame->InitLike(*s) || !s->CopyTo(*frame)) return FALSE;
    m_previous = std::move(frame);
    return FALSE;
  }
  DifferenceAndKeep(s->m_pData, m_previous->m_pData, r->m_pData, static_cast<std::size_t>(s->m_nSize));
  return TRUE;
}

BOOL ClipViewProcessor::Difference(LONG source1, LONG source2, LONG result) {
  ImageClass *a = Find(source1), *b = Find(source2), *r = Find(result);
  return Answer(a && b && r && clipview::Difference(*a, *b, *r));
}

BOOL ClipViewProcessor::Threshold(LONG source, SHORT threshold, LONG result) {
  ImageClass *s = Find(source), *r = Find(result);
  return Answer(s && r && clipview::Threshold(*s, threshold, *r));
}

BOOL ClipViewProcessor::Normalize(LONG source, SHORT min, SHORT max, LONG result) {
  ImageClass *s = Find(source), *r = Find(result);
  return Answer(s && r && clipview::Normalize(*s, min, max, *r));
}

BOOL ClipViewProcessor::DrawText(LONG image, const char* text, LONG x, LONG y) {
  ImageClass* i = Find(image);
  return i ? i->DrawText(text, x, y) : FALSE;
}

BOOL ClipViewProcessor::DrawDateTime(LONG image, LONG x, LONG y) {
  ImageClass* i = Find(image);
  return i ? i->DrawDateTime(x, y) : FALSE;
}

BOOL ClipViewProcessor::SetTextStyle(LONG image, const char* fontName, SHORT fontSize, SHORT red, SHORT green,
                                     SHORT blue) {
  ImageClass* i = Find(image);
  return i ? i->SetTextStyle(fontName, fontSize, red, green, blue) : FALSE;
}

BOOL ClipViewProcessor::DrawCrosshair(LONG image, LONG x, LONG y, LONG red, LONG green, LONG blue) {
  ImageClass* i = Find(image);
  if (!i || !i->HasPixels()) return FALSE;
  i->DrawLine(0, y, i->m_nWidth - 1, y, blue, green, red);
  i->DrawLine(x, 0, x, i->m_nHeight - 1, blue, green, red);
  return TRUE;
}

BOOL ClipViewProcessor::DrawLine(LONG image, LONG x0, LONG y0, LONG x1, LONG y1, LONG red, LONG green, LONG blue) {
  ImageClass* i = Find(image);
  return i ? i->DrawLine(x0, y0, x1, y1, blue, green, red) : FALSE;
}

LONGLONG ClipViewProcessor::SumArea(LONG image, LONG x0, LONG y0, LONG x1, LONG y1) {
  ImageClass* i = Find(image);
  return i ? clipview::SumArea(*i, x0, y0, x1, y1) : 0;
}

LONG ClipViewProcessor::MeanArea(LONG image, LONG x0, LONG y0, LONG x1, LONG y1) {
  ImageClass* i = Find(image);
  return i ? clipview::MeanArea(*i, x0, y0, x1, y1) : 0;
}

BOOL ClipViewProcessor::Scale(LONG image, LONG scaled) {
  ImageClass *s = Find(image), *d = Find(scaled);
  return Answer(s && d && clipview::Scale(*s, *d));
}

}  // namespace clipview
