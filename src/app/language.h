// The interface language: languageIndex (0 English, 1 Chinese) selects every
// interface text, the engine's messages and the built-in texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace copyloom {

inline constexpr int kEnglish = 0;
inline constexpr int kChinese = 1;

// The process-wide language index. Set during start-up only; any value is
// accepted, and lookups treat values other than 0 and 1 as "no text".
int languageIndex();
void SetLanguageIndex(int index);

// Language id of Chinese as used in the People's Republic of China (0x0804).
inline constexpr uint32_t kChinesePrc = 2052;

// What the detection looks at.
struct LanguageSignals {
  uint32_t user_language = 0;
  uint32_t system_locale = 0;
  // "InstallLanguage" of HKLM\SYSTEM\CurrentControlSet\Control\Nls\Language;
  // empty when unreadable.
  std::wstring install_language;
  // The argument part of the command line (GetCommandLineArgs).
  std::wstring command_line_args;
};

// Chinese when any of the three signals says so; the single argument "en"
// forces English. Otherwise the current index is kept.
int ChooseLanguageIndex(const LanguageSignals& signals, int current_index);

// Tests pin the locale ids, which the platform takes from the environment.
struct LocaleOverrides {
  std::optional<uint32_t> user_language;
  std::optional<uint32_t> system_locale;
};

// Reads the signals from the platform (the registry value is read in every
// case, through CRegCtrl) and the command line.
LanguageSignals ReadLanguageSignals(const LocaleOverrides& overrides = {});

// Reads the signals, sets languageIndex from them and returns it.
int DetectLanguage(const LocaleOverrides& overrides = {});

}  // namespace copyloom
