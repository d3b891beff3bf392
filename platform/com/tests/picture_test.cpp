#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "platform/com/com.h"

namespace {

// A BMP file of width x height pixels at the given depth.
std::vector<BYTE> BmpFile(LONG width, LONG height, WORD bits, std::function<void(BITMAPFILEHEADER&, BITMAPINFOHEADER&)> edit = {}) {
  DWORD colours = bits <= 8 ? (1u << bits) : 0;
  std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  std::size_t image = stride * static_cast<std::size_t>(height < 0 ? -height : height);
  BITMAPFILEHEADER file{0x4D42, 0, 0, 0, static_cast<DWORD>(14 + 40 + colours * 4)};
  BITMAPINFOHEADER info{40, width, height, 1, bits, BI_RGB, static_cast<DWORD>(image), 0, 0, 0, 0};
  if (edit)
    edit(file, info);
  std::vector<BYTE> bytes(14 + 40 + colours * 4 + image, 0x5A);
  std::memcpy(bytes.data(), &file, 14);
  std::memcpy(bytes.data() + 14, &info, 40);
  return bytes;
}

HBITMAP Load(const std::vector<BYTE>& file) { return Platform::CreateBitmapFromFile(file.data(), file.size()); }

TEST(Bitmap, DescribesItselfAndIsDeletedOnce) {
  HBITMAP bitmap = Load(BmpFile(33, 16, 24));
  ASSERT_NE(bitmap, nullptr);
  BITMAP description{};
  EXPECT_EQ(GetObject(bitmap, sizeof description, &description), static_cast<int>(sizeof description));
  EXPECT_EQ(description.bmWidth, 33);
  EXPECT_EQ(description.bmHeight, 16);
  EXPECT_EQ(description.bmWidthBytes, 100); // padded to four bytes
  EXPECT_EQ(description.bmBitsPixel, 24);
  EXPECT_EQ(static_cast<BYTE*>(description.bmBits)[99], 0x5A);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(GetObject(bitmap, sizeof description, &description), 0);
  EXPECT_FALSE(DeleteObject(&description));
}

TEST(Bitmap, MalformedFilesAreRefused) {
  using Edit = std::function<void(BITMAPFILEHEADER&, BITMAPINFOHEADER&)>;
  const Edit edits[] = {
      [](BITMAPFILEHEADER& f, BITMAPINFOHEADER&) { f.bfType = 0x4241; },
      [](BITMAPFILEHEADER& f, BITMAPINFOHEADER&) { f.bfOffBits = 1u << 30; },
      [](BITMAPFILEHEADER& f, BITMAPINFOHEADER&) { f.bfOffBits = 20; }, // inside the header
      [](BITMAPFILEHEADER&, BITMAPINFOHEADER& i) { i.biWidth = 0; },
      [](BITMAPFILEHEADER&, BITMAPINFOHEADER& i) { i.biHeight = 0; },
      [](BITMAPFILEHEADER&, BITMAPINFOHEADER& i) { i.biHeight = 1 << 20; },
      [](BITMAPFILEHEADER&, BITMAPINFOHEADER& i) { i.biBitCount = 7; },
      [](BITMAPFILEHEADER&, BITMAPINFOHEADER& i) { i.biPlanes = 2; },
      [](BITMAPFILEHEADER&, BITMAPINFOHEADER& i) { i.biCompression = 1; },
      [](BITMAPFILEHEADER&, BITMAPINFOHEADER& i) { i.biClrUsed = 257; },
      [](BITMAPFILEHEADER&, BITMAPINFOHEADER& i) { i.biSize = 0xFFFFFFFFu; },
  };
  for (const Edit& edit : edits) {
    HBITMAP bitmap = Load(BmpFile(4, 4, 8, edit));
    EXPECT_EQ(bitmap, nullptr);
    DeleteObject(bitmap);
  }
  std::vector<BYTE> truncated = BmpFile(4, 4, 8);
  truncated.pop_back();
  EXPECT_EQ(Load(truncated), nullptr);
  HBITMAP topDown = Load(BmpFile(4, -4, 8));
  ASSERT_NE(topDown, nullptr);
  EXPECT_EQ(Platform::FindBitmap(topDown)->Height(), 4);
  EXPECT_EQ(Platform::FindBitmap(topDown)->Colours().size(), 256u);
  DeleteObject(topDown);
}

TEST(Picture, WrapsABitmapWithItsSizeAndOwnership) {
  HBITMAP bitmap = Load(BmpFile(32, 16, 24));
  PICTDESC description{20, PICTYPE_BITMAP, {}};
  description.bmp.hbitmap = bitmap;
  CComPtr<IDispatch> dispatch;
  ASSERT_EQ(OleCreatePictureIndirect(&description, IID_IDispatch, TRUE, reinterpret_cast<void**>(&dispatch)), S_OK);
  CComQIPtr<IPicture> picture(dispatch.p);
  ASSERT_TRUE(picture);
  OLE_HANDLE handle = 0;
  SHORT type = 0;
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  picture->get_Handle(&handle);
  picture->get_Type(&type);
  picture->get_Width(&width);
  picture->get_Height(&height);
  EXPECT_EQ(handle, reinterpret_cast<OLE_HANDLE>(bitmap));
  EXPECT_EQ(type, PICTYPE_BITMAP);
  EXPECT_EQ(width, 847);  // 32 pixels at 96 per inch, in hundredths of a millimetre
  EXPECT_EQ(height, 423);

  DISPPARAMS none{nullptr, nullptr, 0, 0};
  CComVariant result;
  ASSERT_EQ(dispatch->Invoke(DISPID_PICT_WIDTH, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(result.lVal, 847);

  picture.Release();
  dispatch.Release();
  EXPECT_FALSE(DeleteObject(bitmap)); // the picture owned it

  HBITMAP kept = Load(BmpFile(2, 2, 24));
  description.bmp.hbitmap = kept;
  CComPtr<IPicture> borrowed;
  ASSERT_EQ(OleCreatePictureIndirect(&description, IID_IPicture, FALSE, reinterpret_cast<void**>(&borrowed)), S_OK);
  borrowed.Release();
  // Not handed out: the bitmap stays the caller's.
  CComPtr<IUnknown> refused;
  EXPECT_EQ(OleCreatePictureIndirect(&description, IID_IClassFactory, TRUE, reinterpret_cast<void**>(&refused)),
            E_NOINTERFACE);
  EXPECT_TRUE(DeleteObject(kept));

  EXPECT_EQ(OleCreatePictureIndirect(&description, IID_IPicture, TRUE, reinterpret_cast<void**>(&refused)),
            E_INVALIDARG); // the bitmap is gone
  description.cbSizeofstruct = 8;
  EXPECT_EQ(OleCreatePictureIndirect(&description, IID_IPicture, TRUE, reinterpret_cast<void**>(&refused)),
            E_INVALIDARG);
}

} // namespace
