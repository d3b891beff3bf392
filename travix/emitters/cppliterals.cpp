#include "travix/emitters/cppliterals.h"

#include <array>
#include <charconv>
#include <climits>
#include <cmath>

namespace Travix {

namespace {

std::string_view TrimXmlSpace(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const auto first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

std::optional<long long> ParseInteger(std::string_view text) {
  text = TrimXmlSpace(text);
  // from_chars takes a minus but no plus; a sign must be followed by digits.
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  if (text.empty() || text.front() == '+') return std::nullopt;
  long long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::string> IntegerLiteral(std::string_view text, long long low, long long high) {
  auto value = ParseInteger(text);
  if (!value || *value < low || *value > high) return std::nullopt;
  return std::to_string(*value);
}

std::optional<std::string> FloatingLiteral(std::string_view text) {
  text = TrimXmlSpace(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  if (text.empty() || text.front() == '+') return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  std::array<char, 64> digits{};
  auto written = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  std::string literal(digits.data(), written.ptr);
  // Shortest form may look like an integer; keep it a double literal so
  // overloads on the plain type pick the floating one.
  if (literal.find_first_of(".e") == std::string::npos) literal += ".0";
  return literal;
}

}  // namespace

std::optional<std::string> NumericLiteral(std::u16string_view builtInType, std::string_view text) {
  if (builtInType == u"boolean") {
    text = TrimXmlSpace(text);
    if (text == "true" || text == "false") return std::string(text);
    return std::nullopt;
  }
  if (builtInType == u"real" || builtInType == u"decimal") return FloatingLiteral(text);
  if (builtInType == u"integer") return IntegerLiteral(text, INT_MIN, INT_MAX);
  if (builtInType == u"non-positive-integer") return IntegerLiteral(text, INT_MIN, 0);
  if (builtInType == u"negative-integer") return IntegerLiteral(text, INT_MIN, -1);
  if (builtInType == u"non-negative-integer") return IntegerLiteral(text, 0, UINT_MAX);
  if (builtInType == u"positive-integer") return IntegerLiteral(text, 1, UINT_MAX);
  return std::nullopt;
}

std::optional<std::string> CountLiteral(std::string_view text) {
  return IntegerLiteral(text, 0, UINT_MAX);
}

}  // namespace Travix
