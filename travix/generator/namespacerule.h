// The rule a namespace given to the generator must satisfy, shared by the
// travix command line and the new-project wizard so that both accept the
// same names: a letter or "_", then letters, digits or "_". Letters and
// digits are those of the C locale, whatever locale the process runs in,
// so a name accepted on one machine is accepted on every other.
#ifndef TRAVIX_GENERATOR_NAMESPACERULE_H
#define TRAVIX_GENERATOR_NAMESPACERULE_H

#include <string_view>

namespace Travix {

constexpr bool IsNamespaceLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool IsNamespaceDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsNamespaceCharacter(char c) { return IsNamespaceLetter(c) || IsNamespaceDigit(c) || c == '_'; }

// What is wrong with a name, in the order a person is told: an empty name,
// then a character that may not appear anywhere, then a leading digit.
enum class NamespaceFault { None, Empty, BadCharacter, LeadingDigit };

constexpr NamespaceFault CheckNamespaceCharacters(std::string_view name) {
  if (name.empty()) return NamespaceFault::Empty;
  for (char c : name) {
    if (!IsNamespaceCharacter(c)) return NamespaceFault::BadCharacter;
  }
  if (IsNamespaceDigit(name.front())) return NamespaceFault::LeadingDigit;
  return NamespaceFault::None;
}

}  // namespace Travix

#endif
