// The new-project dictionary: a map from key to text that the steps fill
// and the confirmation text and the project set-up read. A flag key holds
// "Yes" when set and is absent otherwise; the project-type keys hold "1".
#ifndef TRAVIX_WIZARD_DICTIONARY_H
#define TRAVIX_WIZARD_DICTIONARY_H

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace Travix::Wizard {

namespace Key {
inline constexpr std::string_view InputFile = "Travix_INPUT_FILE";
inline constexpr std::string_view AddToProject = "Travix_ADD_TO_PROJECT";
inline constexpr std::string_view ExportSchema = "Travix_EXPORT_SCHEMA";
inline constexpr std::string_view NoNamespace = "Travix_NoNamespace";
inline constexpr std::string_view DisableRead = "Travix_DisableRead";
inline constexpr std::string_view Namespace = "Travix_Namespace";
inline constexpr std::string_view Mfc = "Travix_MFC";
inline constexpr std::string_view ProjTypeLib = "PROJTYPE_LIB";
inline constexpr std::string_view ProjTypeDll = "PROJTYPE_DLL";
inline constexpr std::string_view BaseTypeLib = "BASETYPE_LIB";
inline constexpr std::string_view BaseTypeDll = "BASETYPE_DLL";
// The project's directory, ending in a separator; set by whoever starts
// the wizard, never by a step.
inline constexpr std::string_view FullDirPath = "FULL_DIR_PATH";
}  // namespace Key

class Dictionary {
 public:
  void Set(std::string_view key, std::string_view value) { m_entries.insert_or_assign(std::string(key), std::string(value)); }
  void Remove(std::string_view key) {
    if (auto it = m_entries.find(key); it != m_entries.end()) m_entries.erase(it);
  }
  bool Has(std::string_view key) const { return m_entries.find(key) != m_entries.end(); }
  // The text of a key; empty when it is absent.
  std::string Value(std::string_view key) const {
    auto it = m_entries.find(key);
    return it == m_entries.end() ? std::string() : it->second;
  }
  bool IsYes(std::string_view key) const { return Has(key) && Value(key) == "Yes"; }
  bool IsOne(std::string_view key) const { return Has(key) && Value(key) == "1"; }
  // A flag key: "Yes" when on, absent when off.
  void SetFlag(std::string_view key, bool on) {
    if (on) {
      Set(key, "Yes");
    } else {
      Remove(key);
    }
  }
  const std::map<std::string, std::string, std::less<>>& Entries() const { return m_entries; }

 private:
  std::map<std::string, std::string, std::less<>> m_entries;
};

// The text shown before the project is made: the features the dictionary
// asks for, one line each, with its "$$key$$" macros expanded.
std::string ConfirmationText(const Dictionary& dictionary);

// Replaces each "$$key$$" by the key's text (empty for an absent key); a
// "$$" without a closing one is kept as it stands.
std::string ExpandMacros(std::string_view text, const Dictionary& dictionary);

}  // namespace Travix::Wizard

#endif
