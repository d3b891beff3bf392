// The control's methods as the container calls them: images by handle,
// results as BOOL or a number. A handle of 0, a handle of no live image, an
// image without pixels or of the wrong format or size makes a method answer
// FALSE (or 0) and leave every image as it was. Text is UTF-8.
#ifndef CLIPVIEW_PROCESSOR_H
#define CLIPVIEW_PROCESSOR_H

#include <memory>

#include "clipview/image.h"

namespace clipview {

class ClipViewProcessor {
 public:
  ClipViewProcessor();
  ~ClipViewProcessor();

  BOOL SobelMagnitude(LONG source, LONG result);
  BOOL SobelDirection(LONG source, LONG result, LONG direction);
  // The first call keeps the source and answers FALSE; later calls give
  // |source - kept frame| and keep the source. A source of another size
  // than the kept frame starts again: it is kept and the call answers FALSE.
  BOOL Motion(LONG source, LONG result);
  BOOL Difference(LONG source1, LONG source2, LONG result);
  BOOL Threshold(LONG source, SHORT threshold, LONG result);
  BOOL Normalize(LONG source, SHORT min, SHORT max, LONG result);
  BOOL DrawText(LONG image, const char* text, LONG x, LONG y);
  BOOL DrawDateTime(LONG image, LONG x, LONG y);
  BOOL SetTextStyle(LONG image, const char* fontName, SHORT fontSize, SHORT red, SHORT green, SHORT blue);
  BOOL DrawCrosshair(LONG image, LONG x, LONG y, LONG red, LONG green, LONG blue);
  BOOL DrawLine(LONG image, LONG x0, LONG y0, LONG x1, LONG y1, LONG red, LONG green, LONG blue);
  LONGLONG SumArea(LONG image, LONG x0, LONG y0, LONG x1, LONG y1);
  LONG MeanArea(LONG image, LONG x0, LONG y0, LONG x1, LONG y1);
  BOOL Scale(LONG image, LONG scaled);

 private:
  std::unique_ptr<ImageClass> m_previous;  // the frame Motion compares with
};

}  // namespace clipview

#endif
