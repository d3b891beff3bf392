// Random images, snapshots and OpenCV views shared by the control's tests.
#ifndef CLIPVIEW_TESTS_SUPPORT_H
#define CLIPVIEW_TESTS_SUPPORT_H

#include <opencv2/core.hpp>

#include <memory>
#include <random>
#include <vector>

#include "clipview/image.h"

namespace clipview::testing {

inline std::mt19937& Random() {
  static std::mt19937 rng(20240611);
  return rng;
}

// Every byte random, row padding included, so that a filter that reads or
// writes padding shows it.
inline std::unique_ptr<ImageClass> RandomImage(LONG width, LONG height, LONG format) {
  auto image = std::make_unique<ImageClass>();
  if (!image->Init(width, height, format)) return nullptr;
  std::uniform_int_distribution<int> byte(0, 255);
  for (LONG i = 0; i < image->m_nSize; ++i) image->m_pData[i] = static_cast<BYTE>(byte(Random()));
  return image;
}

inline std::vector<BYTE> Bytes(const ImageClass& image) {
  return image.m_pData ? std::vector<BYTE>(image.m_pData, image.m_pData + image.m_nSize) : std::vector<BYTE>{};
}

// The pixels as a top-down matrix of their own (row 0 is y = 0).
inline cv::Mat TopDown(const ImageClass& image) {
  cv::Mat out(image.m_nHeight, image.m_nWidth, image.m_nFormat == ImageClass::kGrey ? CV_8UC1 : CV_8UC3);
  for (LONG y = 0; y < image.m_nHeight; ++y)
    std::memcpy(out.ptr(y), image.Row(y), static_cast<std::size_t>(image.m_nWidth) * image.BytesPerPixel());
  return out;
}

inline bool Equal(const cv::Mat& a, const cv::Mat& b) {
  return a.size() == b.size() && a.type() == b.type() && cv::countNonZero(a.reshape(1) != b.reshape(1)) == 0;
}

}  // namespace clipview::testing

#endif
