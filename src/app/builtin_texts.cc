#include "app/builtin_texts.h"

#include "app/language.h"
#include "app/stored_texts.h"
#include "foundation/encrypt.h"
#include "foundation/path_util.h"

namespace copyloom {
namespace {

std::wstring Decode(const std::wstring& stored) { return CEncrypt().DecodeText(stored); }

const stored::PerLanguage& StoredPair(ProductText which) {
  switch (which) {
    case ProductText::kSiteAddress:
      return stored::kSiteAddress;
    case ProductText::kSecondWebAddress:
      return stored::kSecondWebAddress;
    case ProductText::kThirdWebAddress:
      return stored::kThirdWebAddress;
    case ProductText::kHelpPageAddress:
      return stored::kHelpPageAddress;
    case ProductText::kWebPanelAddress:
      return stored::kWebPanelAddress;
    case ProductText::kContactEmail:
      return stored::kContactEmail;
    case ProductText::kContactMessenger:
      break;
  }
  return stored::kContactMessenger;
}

}  // namespace

void CLangTable::Clear() {
  for (auto& language : entries_) {
    for (auto& entry : language) entry.clear();
  }
}

void CLangTable::Init() {
  for (int i = 0; i < kBuiltInFilledEntries; ++i) entries_[0][i] = stored::kLanguageEntries[i];
}

const std::wstring& CLangTable::StoredEntry(int language, int entry) const {
  static const std::wstring kEmpty;
  if (language < 0 || language >= kBuiltInLanguageCount || entry < 0 ||
      entry >= kBuiltInEntryCount) {
    return kEmpty;
  }
  return entries_[language][entry];
}

CLangTable& g_lang() {
  static CLangTable table;
  return table;
}

std::wstring LookupBuiltInText(int entry, int language) {
  const std::wstring& stored = g_lang().StoredEntry(language, entry);
  if (stored.empty()) return {};
  std::wstring text = Decode(stored);
  ReplaceAll(&text, L"\\n", L"\n");
  return text;
}

std::wstring LookupBuiltInText(int entry) { return LookupBuiltInText(entry, languageIndex()); }

std::wstring StoredProductText(ProductText which, int language) {
  const stored::PerLanguage& pair = StoredPair(which);
  if (language == kEnglish) return pair.english;
  if (language == kChinese) return pair.chinese;
  return {};
}

std::wstring BuiltInMarkerText() { return Decode(stored::kMarkerText); }
std::wstring BuiltInLibraryPattern() { return Decode(stored::kLibraryPattern); }
std::wstring BuiltInFallbackTime() { return Decode(stored::kFallbackTime); }

}  // namespace copyloom
