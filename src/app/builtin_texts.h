// The product's built-in texts: the language table g_lang and the names,
// addresses, contact texts, install patterns and fallback time. All are kept
// in the codec's scrambled form and decoded where they are used.
#pragma once

#include <array>
#include <string>

namespace copyloom {

inline constexpr int kBuiltInLanguageCount = 2;
inline constexpr int kBuiltInEntryCount = 120;
// The product fills entries 0 to 46 of language 0.
inline constexpr int kBuiltInFilledEntries = 47;

// Entry numbers with a fixed role.
inline constexpr int kEntryDisplayName = 0;
inline constexpr int kEntryCaptionSecond = 1;
inline constexpr int kEntryCaptionFirst = 2;
inline constexpr int kEntryOkCaption = 31;

// The built-in language table: 2 x 120 stored (scrambled) entries.
class CLangTable {
 public:
  virtual ~CLangTable() = default;
  // Every entry empty.
  void Clear();
  // Fills entries 0 to 46 of language 0 with their stored forms.
  void Init();
  // The stored form; empty out of range.
  const std::wstring& StoredEntry(int language, int entry) const;

 private:
  std::array<std::array<std::wstring, kBuiltInEntryCount>, kBuiltInLanguageCount> entries_;
};

// The process-wide table (created empty on first use; start-up fills it).
CLangTable& g_lang();

// Entry of g_lang in the language, decoded, with every backslash-"n" pair
// turned into a line break. Empty for an entry outside 0..119 or a language
// outside 0..1.
std::wstring LookupBuiltInText(int entry, int language);
// The same in the current languageIndex.
std::wstring LookupBuiltInText(int entry);

// Built-in texts with one value per language.
enum class ProductText {
  kSiteAddress,
  kSecondWebAddress,
  kThirdWebAddress,
  kHelpPageAddress,
  kWebPanelAddress,
  kContactEmail,      // the first contact text
  kContactMessenger,  // the second contact text (instant messaging)
};

// The stored (scrambled) form; empty for a language outside 0..1.
std::wstring StoredProductText(ProductText which, int language);

// Decoded afresh at each call.
std::wstring BuiltInMarkerText();      // every changed compiled expert must carry it
std::wstring BuiltInLibraryPattern();  // the package's support libraries
std::wstring BuiltInFallbackTime();    // "%d-%d-%d %d:%d:%d", a fixed past time

}  // namespace copyloom
