// Internal to builtin_texts.cc: the stored forms, produced with the
// copyloom-encode tool. Never plain text here.
#pragma once

#include "app/builtin_texts.h"

namespace copyloom::stored {

extern const wchar_t* const kLanguageEntries[kBuiltInFilledEntries];

struct PerLanguage {
  const wchar_t* english;
  const wchar_t* chinese;
};

extern const PerLanguage kSiteAddress;
extern const PerLanguage kSecondWebAddress;
extern const PerLanguage kThirdWebAddress;
extern const PerLanguage kHelpPageAddress;
extern const PerLanguage kWebPanelAddress;
extern const PerLanguage kContactEmail;
extern const PerLanguage kContactMessenger;

extern const wchar_t kMarkerText[];
extern const wchar_t kLibraryPattern[];
extern const wchar_t kFallbackTime[];

}  // namespace copyloom::stored
