#include "travix/schema/secureparser.h"

namespace Travix {

namespace {
// Far above what any real schema or DTD needs, far below what an
// exponential entity definition would take to expand.
constexpr XMLSize_t kEntityExpansionLimit = 10000;
}  // namespace

SecureDOMParser::SecureDOMParser() {
  securityManager.setEntityExpansionLimit(kEntityExpansionLimit);
  setSecurityManager(&securityManager);
  setValidationScheme(Val_Never);
  setDoNamespaces(false);
  setDoSchema(false);
  setLoadSchema(false);
  setLoadExternalDTD(false);
  setSkipDTDValidation(true);
  setDisableDefaultEntityResolution(true);
  setCreateEntityReferenceNodes(false);
}

SecureDOMParser::~SecureDOMParser() = default;

}  // namespace Travix
