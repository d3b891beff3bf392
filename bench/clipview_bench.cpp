// Throughput of the image control's filters beside OpenCV doing the same
// work on one thread, in megapixels per second, at 640 x 480 and
// 1920 x 1080. Prints figures; judges nothing.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>

#include "clipview/filters.h"
#include "clipview/image.h"
#include "clipview/processor.h"

using namespace clipview;

namespace {

std::unique_ptr<ImageClass> Random(LONG w, LONG h, LONG format, std::mt19937& rng) {
  auto image = std::make_unique<ImageClass>();
  image->Init(w, h, format);
  for (LONG i = 0; i < image->m_nSize; ++i) image->m_pData[i] = static_cast<BYTE>(rng() >> 24);
  return image;
}

// The buffer as OpenCV sees it (rows in memory order).
cv::Mat View(const ImageClass& image) {
  return cv::Mat(image.m_nHeight, image.m_nWidth, image.m_nFormat == ImageClass::kGrey ? CV_8UC1 : CV_8UC3,
                 image.m_pData, static_cast<std::size_t>(image.m_nStride));
}

// Best of five rounds, each repeating the work for at least 40 ms.
double Seconds(const std::function<void()>& work) {
  using Clock = std::chrono::steady_clock;
  work();
  double best = 1e30;
  for (int round = 0; round < 5; ++round) {
    int count = 0;
    const auto start = Clock::now();
    std::chrono::duration<double> elapsed{};
    do {
      work();
      ++count;
      elapsed = Clock::now() - start;
    } while (elapsed.count() < 0.04);
    best = std::min(best, elapsed.count() / count);
  }
  return best;
}

void Line(const char* name, double pixels, const std::function<void()>& ours, const std::function<void()>& theirs) {
  const double a = pixels / 1e6 / Seconds(ours), b = pixels / 1e6 / Seconds(theirs);
  std::printf("  %-26s %9.1f MP/s   OpenCV %9.1f MP/s   ratio %5.2f\n", name, a, b, a / b);
}

void Run(LONG w, LONG h) {
  std::mt19937 rng(7);
  auto a = Random(w, h, ImageClass::kGrey, rng), b = Random(w, h, ImageClass::kGrey, rng);
  auto r = Random(w, h, ImageClass::kGrey, rng), d = Random(w, h, ImageClass::kGrey, rng);
  auto ca = Random(w, h, ImageClass::kColour, rng), cb = Random(w, h, ImageClass::kColour, rng);
  auto cr = Random(w, h, ImageClass::kColour, rng);
  auto half = Random(w / 2, h / 2, ImageClass::kGrey, rng), twice = Random(2 * w, 2 * h, ImageClass::kGrey, rng);
  auto chalf = Random(w / 2, h / 2, ImageClass::kColour, rng);
  const cv::Mat va = View(*a), vb = View(*b), vca = View(*ca), vcb = View(*cb);
  cv::Mat vr = View(*r), vd = View(*d), vcr = View(*cr), vhalf = View(*half), vtwice = View(*twice), vchalf = View(*chalf);
  cv::Mat dx, dy, mag, angle, previous = va.clone();
  const double px = double(w) * h;
  std::printf("%d x %d\n", static_cast<int>(w), static_cast<int>(h));

  Line("SobelMagnitude", px, [&] { SobelMagnitude(*a, *r); },
       [&] {
         cv::Sobel(va, dx, CV_32F, 1, 0, 3, 0.125);
         cv::Sobel(va, dy, CV_32F, 0, 1, 3, 0.125);
         cv::magnitude(dx, dy, mag);
         mag.convertTo(vr, CV_8U);
       });
  Line("SobelDirection", px, [&] { SobelDirection(*a, *r, *d); },
       [&] {
         cv::Sobel(va, dx, CV_32F, 1, 0, 3, 0.125);
         cv::Sobel(va, dy, CV_32F, 0, 1, 3, 0.125);
         cv::magnitude(dx, dy, mag);
         mag.convertTo(vr, CV_8U);
         cv::phase(dx, dy, angle);
         angle.convertTo(vd, CV_8U, 256 / (2 * CV_PI));
       });
  Line("Difference (grey)", px, [&] { Difference(*a, *b, *r); }, [&] { cv::absdiff(va, vb, vr); });
  Line("Difference (colour)", px, [&] { Difference(*ca, *cb, *cr); }, [&] { cv::absdiff(vca, vcb, vcr); });
  ClipViewProcessor processor;
  processor.Motion(a->Handle(), r->Handle());
  Line("Motion", px, [&] { processor.Motion(a->Handle(), r->Handle()); },
       [&] {
         cv::absdiff(va, previous, vr);
         va.copyTo(previous);
       });
  Line("Threshold", px, [&] { Threshold(*a, 100, *r); }, [&] { cv::threshold(va, vr, 100, 255, cv::THRESH_BINARY); });
  Line("Normalize", px, [&] { Normalize(*a, 0, 200, *r); },
       [&] { cv::normalize(va, vr, 0, 200, cv::NORM_MINMAX, CV_8U); });
  Line("Scale to half (grey)", px / 4, [&] { Scale(*a, *half); },
       [&] { cv::resize(va, vhalf, vhalf.size(), 0, 0, cv::INTER_NEAREST); });
  Line("Scale to twice (grey)", px * 4, [&] { Scale(*a, *twice); },
       [&] { cv::resize(va, vtwice, vtwice.size(), 0, 0, cv::INTER_NEAREST); });
  Line("Scale to half (colour)", px / 4, [&] { Scale(*ca, *chalf); },
       [&] { cv::resize(vca, vchalf, vchalf.size(), 0, 0, cv::INTER_NEAREST); });
  volatile LONGLONG sink = 0;
  Line("SumArea", px, [&] { sink = SumArea(*a, 0, 0, w, h); }, [&] { sink = static_cast<LONGLONG>(cv::sum(va)[0]); });
  Line("MeanArea", px, [&] { sink = MeanArea(*a, 0, 0, w, h); }, [&] { sink = static_cast<LONGLONG>(cv::mean(va)[0]); });
}

}  // namespace

int main() {
  cv::setNumThreads(1);
  std::printf("Image control filters, one thread, beside OpenCV %s\n", CV_VERSION);
  Run(640, 480);
  Run(1920, 1080);
}
