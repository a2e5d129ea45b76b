#include "app/language.h"

#include "foundation/path_util.h"
#include "foundation/reg_ctrl.h"
#include "platform/platform.h"

namespace copyloom {
namespace {

int g_language_index = kEnglish;

constexpr wchar_t kNlsLanguageKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Nls\\Language";

}  // namespace

int languageIndex() { return g_language_index; }

void SetLanguageIndex(int index) { g_language_index = index; }

int ChooseLanguageIndex(const LanguageSignals& signals, int current_index) {
  int index = current_index;
  if (signals.user_language == kChinesePrc || signals.system_locale == kChinesePrc ||
      signals.install_language == L"0804") {
    index = kChinese;
  }
  if (signals.command_line_args == L"en") index = kEnglish;
  return index;
}

LanguageSignals ReadLanguageSignals(const LocaleOverrides& overrides) {
  LanguageSignals signals;
  signals.user_language = overrides.user_language.value_or(platform::UserDefaultLanguage());
  signals.system_locale = overrides.system_locale.value_or(platform::SystemDefaultLocale());
  CRegCtrl registry;
  // An unreadable value comes back empty, which counts as "not Chinese".
  registry.ReadString(RegRoot::kLocalMachine, kNlsLanguageKey, L"InstallLanguage",
                      &signals.install_language);
  signals.command_line_args = GetCommandLineArgs();
  return signals;
}

int DetectLanguage(const LocaleOverrides& overrides) {
  SetLanguageIndex(ChooseLanguageIndex(ReadLanguageSignals(overrides), languageIndex()));
  return languageIndex();
}

}  // namespace copyloom
