// The control's filters and measurements over ImageClass buffers, one pass
// each over row pointers. Every filter checks its images first (pixels
// present, the formats and sizes it needs) and, when they do not fit,
// answers false or 0 and writes nothing. y is counted from the top.
#ifndef CLIPVIEW_FILTERS_H
#define CLIPVIEW_FILTERS_H

#include "clipview/image.h"

namespace clipview {

// Gradient magnitude of every interior pixel; grey images of one size. The
// outermost rows and columns of the results keep their pixels. The result
// (and the direction image) may be the source itself.
bool SobelMagnitude(const ImageClass& source, ImageClass& result);
// Also 4 x the direction code of each interior pixel into the direction
// image, a grey image of the source's size.
bool SobelDirection(const ImageClass& source, ImageClass& result, ImageClass& direction);
// The direction code (0 to 63) of a gradient.
int DirectionCode(int gx, int gy);

// |second - first| for every byte of the buffers; one size and format.
bool Difference(const ImageClass& first, const ImageClass& second, ImageClass& result);
// 255 where the source byte is above the threshold's low 8 bits, else 0.
bool Threshold(const ImageClass& source, SHORT threshold, ImageClass& result);
// Stretches the source's pixel range so that its smallest pixel maps to min
// and the scale is max: (p + min - pmin) x max / (pmax + min - pmin).
bool Normalize(const ImageClass& source, SHORT min, SHORT max, ImageClass& result);
// Nearest-neighbour resampling into the destination's own size; one format.
bool Scale(const ImageClass& source, ImageClass& destination);

// Sum of the grey pixels with x0 <= x < x1 and y0 <= y < y1, clipped to the
// image; 0 for colour images.
LONGLONG SumArea(const ImageClass& image, LONG x0, LONG y0, LONG x1, LONG y1);
// The sum divided by the number of pixels of the clipped area; 0 when the
// sum is 0 or the area empty.
LONG MeanArea(const ImageClass& image, LONG x0, LONG y0, LONG x1, LONG y1);

// |source - previous| into the result while the source replaces previous,
// byte for byte over count bytes; any of the three may be the same buffer.
void DifferenceAndKeep(const BYTE* source, BYTE* previous, BYTE* result, std::size_t count);

}  // namespace clipview

#endif
