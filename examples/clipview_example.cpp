// clipview_example DIRECTORY
//
// The main job's ClipView part, a container of the image control as a form
// would hold it: it makes the control by its ProgID through the registry and
// calls it by name only (GetIDsOfNames, then Invoke). The container draws a
// scene of its own (a gradient sky, a house, a tree, a ball and a caption)
// and the same scene a moment later with the ball moved; the control finds
// the edges of the first, thresholds them, takes the difference and the
// motion between the two, scales the second and annotates it. Each picture
// is written into DIRECTORY as a BMP (the control's own format) and a PNG,
// and its measurements are printed beside its name.
//
// Exit status: 0 after writing every picture, 1 for a wrong command line,
// 2 when the control cannot be made, 3 when a call fails or a picture
// cannot be written.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "clipview/image.h"
#include "platform/com/com.h"

namespace {

constexpr const char* kProgId = "CLIPVIEWCTL.ClipViewCtlCtrl.1";
constexpr LONG kWidth = 320, kHeight = 240;
// Grey levels above these count as an edge and as a moved pixel.
constexpr short kEdgeThreshold = 24, kMotionThreshold = 32;
// Where the ball is in the first scene and a moment later.
constexpr LONG kBallFirst = 60, kBallLater = 108;

struct Failure {
  std::string what;
};

// The control as a script host reaches it.
class Control {
 public:
  explicit Control(IDispatch* control) : m_control(control) {}

  CComVariant Call(const char* name, std::initializer_list<CComVariant> arguments) {
    CComBSTR wide(name);
    LPOLESTR names[] = {wide.m_str};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = m_control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) throw Failure{std::string("the control has no member ") + name};
    // Dispatch arguments travel last first.
    std::vector<VARIANT> reversed(arguments.size());
    std::size_t at = arguments.size();
    for (const CComVariant& argument : arguments) reversed[--at] = argument;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    CComVariant result;
    hr = m_control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    if (FAILED(hr)) throw Failure{std::string(name) + " failed: " + Hex(hr)};
    return result;
  }

  // A method answering a boolean that must be TRUE.
  void Do(const char* name, std::initializer_list<CComVariant> arguments) {
    if (!IsTrue(Call(name, arguments))) throw Failure{std::string(name) + " answered FALSE"};
  }

  LONG Number(const char* name, std::initializer_list<CComVariant> arguments) {
    CComVariant number;
    CComVariant result = Call(name, arguments);
    if (FAILED(VariantChangeType(&number, &result, 0, VT_I4))) throw Failure{std::string(name) + " gave no number"};
    return number.lVal;
  }

  static bool IsTrue(const CComVariant& value) { return value.vt == VT_BOOL && value.boolVal != VARIANT_FALSE; }

  static std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(hr));
    return text;
  }

 private:
  IDispatch* m_control;
};

std::unique_ptr<ImageClass> NewImage(LONG width, LONG height, LONG format) {
  auto image = std::make_unique<ImageClass>();
  if (!image->Init(width, height, format)) throw Failure{"an image could not be made"};
  return image;
}

struct Colour {
  int red, green, blue;
};

void Put(ImageClass& image, LONG x, LONG y, Colour colour) {
  if (x < 0 || y < 0 || x >= image.m_nWidth || y >= image.m_nHeight) return;
  BYTE* pixel = image.Row(y) + 3 * x;  // stored blue, green, red
  pixel[0] = static_cast<BYTE>(colour.blue);
  pixel[1] = static_cast<BYTE>(colour.green);
  pixel[2] = static_cast<BYTE>(colour.red);
}

void FillRectangle(ImageClass& image, LONG x0, LONG y0, LONG x1, LONG y1, Colour colour) {
  for (LONG y = y0; y < y1; ++y)
    for (LONG x = x0; x < x1; ++x) Put(image, x, y, colour);
}

void FillCircle(ImageClass& image, LONG cx, LONG cy, LONG r, Colour colour) {
  for (LONG y = cy - r; y <= cy + r; ++y)
    for (LONG x = cx - r; x <= cx + r; ++x)
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) Put(image, x, y, colour);
}

// A triangle standing on its base from (x0, y1) to (x1, y1), its apex at
// (xm, y0).
void FillTriangle(ImageClass& image, LONG xm, LONG y0, LONG x0, LONG x1, LONG y1, Colour colour) {
  for (LONG y = y0; y <= y1; ++y) {
    const LONG left = xm - (xm - x0) * (y - y0) / (y1 - y0), right = xm + (x1 - xm) * (y - y0) / (y1 - y0);
    for (LONG x = left; x <= right; ++x) Put(image, x, y, colour);
  }
}

// The scene with the ball at ballX: the sky darkens towards the top, the
// ground is a band of grass, and the caption is drawn by the image itself.
std::unique_ptr<ImageClass> DrawScene(LONG ballX) {
  auto scene = NewImage(kWidth, kHeight, ImageClass::kColour);
  const LONG horizon = 180;
  for (LONG y = 0; y < horizon; ++y) {
    const int t = static_cast<int>(255 * y / horizon);
    FillRectangle(*scene, 0, y, kWidth, y + 1, {40 + t / 2, 70 + t / 2, 140 + t / 3});
  }
  FillRectangle(*scene, 0, horizon, kWidth, kHeight, {60, 140, 60});
  FillRectangle(*scene, 30, 110, 110, 180, {190, 60, 50});   // the house
  FillTriangle(*scene, 70, 70, 22, 118, 110, {110, 40, 30});  // its roof
  FillRectangle(*scene, 60, 145, 80, 180, {80, 50, 30});     // its door
  FillRectangle(*scene, 252, 130, 262, 180, {90, 60, 30});   // the tree's trunk
  FillCircle(*scene, 257, 112, 26, {30, 110, 40});           // its crown
  FillCircle(*scene, ballX, 200, 14, {250, 230, 40});        // the ball
  if (!scene->SetTextStyle("DejaVu Sans", 16, 255, 255, 255) || !scene->DrawText("ClipView", 200, 10))
    throw Failure{"the caption could not be drawn"};
  return scene;
}

// The grey image the filters take: the luma of each colour pixel.
std::unique_ptr<ImageClass> Grey(const ImageClass& colour) {
  auto grey = NewImage(colour.m_nWidth, colour.m_nHeight, ImageClass::kGrey);
  for (LONG y = 0; y < colour.m_nHeight; ++y) {
    const BYTE* from = colour.Row(y);
    BYTE* to = grey->Row(y);
    for (LONG x = 0; x < colour.m_nWidth; ++x, from += 3)
      to[x] = static_cast<BYTE>((114 * from[0] + 587 * from[1] + 299 * from[2]) / 1000);
  }
  return grey;
}

std::unique_ptr<ImageClass> Copy(const ImageClass& image) {
  auto copy = NewImage(image.m_nWidth, image.m_nHeight, image.m_nFormat);
  image.CopyTo(*copy);
  return copy;
}

// The image as a bitmap file: the file header, the image's own header and
// colour table, and its buffer as it is stored, bottom-up.
void WriteBmp(const ImageClass& image, const std::string& path) {
  const BITMAPINFOHEADER& header = image.m_pInfo->bmiHeader;
  const DWORD colours = header.biClrUsed * sizeof(RGBQUAD);
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + colours;
  const BITMAPFILEHEADER file{0x4D42, offset + static_cast<DWORD>(image.m_nSize), 0, 0, offset};
  std::FILE* out = std::fopen(path.c_str(), "wb");
  bool written = out != nullptr && std::fwrite(&file, sizeof file, 1, out) == 1 &&
                 std::fwrite(&header, sizeof header, 1, out) == 1 &&
                 (colours == 0 || std::fwrite(image.m_pInfo->bmiColors, colours, 1, out) == 1) &&
                 std::fwrite(image.m_pData, static_cast<std::size_t>(image.m_nSize), 1, out) == 1;
  if (out != nullptr && std::fclose(out) != 0) written = false;
  if (!written) throw Failure{"cannot write " + path};
}

void WritePng(const ImageClass& image, const std::string& path) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) throw Failure{"cannot write " + path};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  bool written = false;
  if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, out);
    const bool grey = image.m_nFormat == ImageClass::kGrey;
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.m_nWidth), static_cast<png_uint_32>(image.m_nHeight), 8,
                 grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (!grey) png_set_bgr(png);
    for (LONG y = 0; y < image.m_nHeight; ++y) png_write_row(png, image.Row(y));
    png_write_end(png, nullptr);
    written = true;
  }
  png_destroy_write_struct(&png, &info);
  if (std::fclose(out) != 0) written = false;
  if (!written) throw Failure{"cannot write " + path};
}

// The smallest rectangle holding every set pixel of a mask, as x0, y0, x1,
// y1 with the far edges excluded; empty when none is set.
struct Box {
  LONG x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Empty() const { return x1 <= x0; }
};

Box Bounds(const ImageClass& mask) {
  Box box{mask.m_nWidth, mask.m_nHeight, 0, 0};
  for (LONG y = 0; y < mask.m_nHeight; ++y)
    for (LONG x = 0; x < mask.m_nWidth; ++x)
      if (mask.Row(y)[x] != 0)
        box = {std::min(box.x0, x), std::min(box.y0, y), std::max(box.x1, x + 1), std::max(box.y1, y + 1)};
  return box.x1 > box.x0 ? box : Box{};
}

class Job {
 public:
  Job(Control& control, std::string directory) : m_control(control), m_directory(std::move(directory)) {}

  void Run() {
    auto first = DrawScene(kBallFirst), later = DrawScene(kBallLater);
    auto grey1 = Grey(*first), grey2 = Grey(*later);
    Picture("scene-1", *first, "the scene the job draws, " + Size(*first), Measures(*grey1, "its grey"));
    Picture("scene-2", *later,
            "the same a moment later, the ball moved " + std::to_string(kBallLater - kBallFirst) + " pixels",
            Measures(*grey2, "its grey"));

    auto edges = NewImage(kWidth, kHeight, ImageClass::kGrey);
    m_control.Do("SobelMagnitude", {grey1->Handle(), edges->Handle()});
    Picture("edges", *edges, "SobelMagnitude of scene-1", Measures(*edges, ""));

    auto edgeMask = NewImage(kWidth, kHeight, ImageClass::kGrey);
    m_control.Do("Threshold", {edges->Handle(), kEdgeThreshold, edgeMask->Handle()});
    Picture("threshold", *edgeMask, "Threshold " + std::to_string(kEdgeThreshold) + " of the edges",
            Measures(*edgeMask, "") + ", " + std::to_string(Count(*edgeMask)) + " edge pixels");

    auto difference = NewImage(kWidth, kHeight, ImageClass::kGrey);
    m_control.Do("Difference", {grey1->Handle(), grey2->Handle(), difference->Handle()});
    Picture("difference", *difference, "Difference of scene-1 and scene-2", Measures(*difference, ""));

    // Motion keeps the frame it is first given and answers FALSE; the next
    // frame is compared with it.
    auto motion = NewImage(kWidth, kHeight, ImageClass::kGrey), moved = NewImage(kWidth, kHeight, ImageClass::kGrey);
    if (Control::IsTrue(m_control.Call("Motion", {grey1->Handle(), motion->Handle()})))
      throw Failure{"Motion answered TRUE for its first frame"};
    m_control.Do("Motion", {grey2->Handle(), motion->Handle()});
    m_control.Do("Threshold", {motion->Handle(), kMotionThreshold, moved->Handle()});
    const LONG count = Count(*moved);
    Picture("motion", *moved, "Motion of scene-1 then scene-2, Threshold " + std::to_string(kMotionThreshold),
            "motion count " + std::to_string(count) + " pixels");

    auto scaled = NewImage(kWidth / 2, kHeight / 2, ImageClass::kColour);
    m_control.Do("Scale", {later->Handle(), scaled->Handle()});
    Picture("scaled", *scaled, "Scale of scene-2", Size(*scaled));

    auto annotated = Copy(*later);
    const Box box = Bounds(*moved);
    m_control.Do("SetTextStyle", {annotated->Handle(), "DejaVu Sans", 12, short{255}, short{255}, short{0}});
    m_control.Do("DrawText", {annotated->Handle(), ("moved: " + std::to_string(count) + " pixels").c_str(), 8, 8});
    m_control.Do("DrawDateTime", {annotated->Handle(), 8, 26});
    std::string marked = "no motion to mark";
    if (!box.Empty()) {
      const LONG x0 = box.x0 - 2, y0 = box.y0 - 2, x1 = box.x1 + 1, y1 = box.y1 + 1;
      const LONG cx = (box.x0 + box.x1) / 2, cy = (box.y0 + box.y1) / 2;
      const LONG sides[4][4] = {{x0, y0, x1, y0}, {x1, y0, x1, y1}, {x1, y1, x0, y1}, {x0, y1, x0, y0}};
      for (const auto& side : sides)
        m_control.Do("DrawLine", {annotated->Handle(), side[0], side[1], side[2], side[3], 255, 0, 0});
      m_control.Do("DrawCrosshair", {annotated->Handle(), cx, cy, 255, 255, 255});
      marked = "box " + Point(x0, y0) + " to " + Point(x1, y1) + ", cross-hair at " + Point(cx, cy);
    }
    Picture("annotated", *annotated, "scene-2 with the count, the date and time, a box round the motion", marked);
  }

 private:
  std::string Path(const std::string& name) const { return m_directory + "/" + name; }

  void Picture(const std::string& name, const ImageClass& image, const std::string& what, const std::string& measures) {
    WriteBmp(image, Path(name + ".bmp"));
    WritePng(image, Path(name + ".png"));
    std::printf("  %-24s %s: %s\n", (name + ".bmp, .png").c_str(), what.c_str(), measures.c_str());
  }

  // The sum and the mean of a grey image, from the control.
  std::string Measures(const ImageClass& grey, const std::string& of) {
    const LONG sum = m_control.Number("SumArea", {grey.Handle(), 0, 0, grey.m_nWidth, grey.m_nHeight});
    const LONG mean = m_control.Number("MeanArea", {grey.Handle(), 0, 0, grey.m_nWidth, grey.m_nHeight});
    return (of.empty() ? "" : of + " ") + "sum " + std::to_string(sum) + ", mean " + std::to_string(mean);
  }

  // The pixels a threshold set (to 255), from the control's sum.
  LONG Count(const ImageClass& mask) {
    return m_control.Number("SumArea", {mask.Handle(), 0, 0, mask.m_nWidth, mask.m_nHeight}) / 255;
  }

  static std::string Point(LONG x, LONG y) { return "(" + std::to_string(x) + ", " + std::to_string(y) + ")"; }

  static std::string Size(const ImageClass& image) {
    return std::to_string(image.m_nWidth) + " x " + std::to_string(image.m_nHeight);
  }

  Control& m_control;
  std::string m_directory;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: clipview_example DIRECTORY\n", stderr);
    return 1;
  }
  CoInitialize(nullptr);
  int status = 0;
  CLSID clsid = GUID_NULL;
  CComPtr<IDispatch> made;
  HRESULT hr = CLSIDFromProgID(CComBSTR(kProgId), &clsid);
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&made));
  if (FAILED(hr)) {
    std::fprintf(stderr, "clipview_example: cannot make %s: %s\n", kProgId, Control::Hex(hr).c_str());
    status = 2;
  } else {
    std::printf("The control %s, made through the registry and called by name; pictures in %s/:\n", kProgId, argv[1]);
    try {
      Control control(made);
      Job(control, argv[1]).Run();
    } catch (const Failure& failure) {
      std::fprintf(stderr, "clipview_example: %s\n", failure.what.c_str());
      status = 3;
    }
  }
  made.Release();
  CoUninitialize();
  return status;
}
