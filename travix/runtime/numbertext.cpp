#include "numbertext.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace Travix::Internal {

namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

const char* SkipSpace(const char* text) {
  while (IsCSpace(*text))
    ++text;
  return text;
}

struct Decimal {
  bool negative = false;
  unsigned long long magnitude = 0; // saturates at ULLONG_MAX
};

Decimal ReadDecimal(const char* text) {
  Decimal number;
  const char* p = SkipSpace(text);
  if (*p == '+' || *p == '-') {
    number.negative = *p == '-';
    ++p;
  }
  const char* digitsEnd = p;
  while (*digitsEnd >= '0' && *digitsEnd <= '9')
    ++digitsEnd;
  if (std::from_chars(p, digitsEnd, number.magnitude).ec == std::errc::result_out_of_range)
    number.magnitude = ULLONG_MAX;
  return number;
}

} // namespace

int ParseInt(const char* text) {
  Decimal number = ReadDecimal(text);
  if (number.negative)
    return number.magnitude > static_cast<unsigned long long>(INT_MAX) + 1
               ? INT_MIN
               : static_cast<int>(-static_cast<long long>(number.magnitude));
  return number.magnitude > static_cast<unsigned long long>(INT_MAX)
             ? INT_MAX
             : static_cast<int>(number.magnitude);
}

unsigned int ParseUnsigned(const char* text) {
  Decimal number = ReadDecimal(text);
  if (number.magnitude > UINT_MAX)
    return UINT_MAX;
  unsigned int magnitude = static_cast<unsigned int>(number.magnitude);
  return number.negative ? 0u - magnitude : magnitude;
}

double ParseReal(const char* text) {
  const char* p = SkipSpace(text);
  if (*p == '+') {
    ++p;
    if (*p == '-')
      return 0.0; // one sign only
  }
  const char* end = p + std::strlen(p);
  double value = 0.0;
  auto [parsedEnd, error] = std::from_chars(p, end, value, std::chars_format::general);
  if (error == std::errc::invalid_argument)
    return 0.0;
  if (error != std::errc::result_out_of_range)
    return value;

  bool negative = *p == '-';
  double infinity = std::numeric_limits<double>::infinity();
  long double wide = 0.0L;
  if (std::from_chars(p, parsedEnd, wide, std::chars_format::general).ec == std::errc())
    return std::fabs(wide) > std::numeric_limits<double>::max() ? (negative ? -infinity : infinity)
                                                                  : (negative ? -0.0 : 0.0);
  // Beyond even long double: a negative exponent means tiny.
  const char* exponent = static_cast<const char*>(std::memchr(p, 'e', parsedEnd - p));
  if (!exponent)
    exponent = static_cast<const char*>(std::memchr(p, 'E', parsedEnd - p));
  bool tiny = exponent && exponent[1] == '-';
  return tiny ? (negative ? -0.0 : 0.0) : (negative ? -infinity : infinity);
}

namespace {

template <class T> void WriteWithToChars(std::ostream& stream, T value) {
  char text[64];
  auto written = std::to_chars(text, text + sizeof text, value);
  stream.write(text, written.ptr - text);
}

} // namespace

void WriteNumber(std::ostream& stream, long long value) { WriteWithToChars(stream, value); }

void WriteNumber(std::ostream& stream, unsigned long long value) {
  WriteWithToChars(stream, value);
}

void WriteNumber(std::ostream& stream, double value) { WriteWithToChars(stream, value); }

} // namespace Travix::Internal
