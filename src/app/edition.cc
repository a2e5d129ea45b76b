#include "app/edition.h"

#include "app/language.h"
#include "app/product_profile.h"

namespace copyloom {

std::wstring BuiltApplicationKey() {
#ifdef COPYLOOM_EA_EDITION
  return kExpertAdvisorKey;
#else
  return kCopierKey;
#endif
}

bool IsExpertAdvisorKey(const std::wstring& application_key) {
  return application_key == kExpertAdvisorKey;
}

void ApplyEditionStep(ProductProfile* profile) {
  if (IsExpertAdvisorKey(profile->m_ProductID)) {
    profile->product_code = L"cplm";
    profile->module_name = kExpertAdvisorModule;
    profile->side_chooser = false;
  }
  // The interface shows English whatever the detection found.
  SetLanguageIndex(0);
}

}  // namespace copyloom
