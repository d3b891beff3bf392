#include "travix/schema/schemavocabulary.h"

#include <algorithm>

namespace Travix::Vocabulary {

bool IsBuiltInType(std::u16string_view name) {
  return std::find(BuiltInTypes.begin(), BuiltInTypes.end(), name) != BuiltInTypes.end();
}

bool IsFacet(std::u16string_view elementName) {
  return std::find(Facets.begin(), Facets.end(), elementName) != Facets.end();
}

}  // namespace Travix::Vocabulary
