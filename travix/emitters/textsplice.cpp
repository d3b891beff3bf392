#include "travix/emitters/textsplice.h"

#include <stdexcept>

namespace Travix {

std::string Splice(std::string_view text, std::initializer_list<Splicing> parts) {
  std::string result;
  result.reserve(text.size() + 64);
  std::size_t done = 0;
  for (;;) {
    const std::size_t open = text.find('@', done);
    if (open == std::string_view::npos) break;
    const std::size_t close = text.find('@', open + 1);
    if (close == std::string_view::npos) {
      throw std::logic_error("unterminated marker in template: " + std::string(text.substr(open)));
    }
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const Splicing* found = nullptr;
    for (const Splicing& part : parts) {
      if (part.first == name) found = &part;
    }
    if (!found) throw std::logic_error("no text for template marker @" + std::string(name) + "@");
    result.append(text, done, open - done);
    result += found->second;
    done = close + 1;
  }
  result.append(text, done);
  return result;
}

}  // namespace Travix
