#include "platform/posix/locale_posix.h"

#include <locale.h>
#include <stdlib.h>

#include <mutex>
#include <string_view>

namespace copyloom::platform::posix {
namespace {

// "zh_CN.UTF-8@euro" -> language "zh", territory "CN".
void SplitLocale(const std::string& name, std::string* language, std::string* territory) {
  const size_t end = name.find_first_of(".@");
  const std::string base = name.substr(0, end);
  const size_t underscore = base.find('_');
  *language = base.substr(0, underscore);
  *territory = underscore == std::string::npos ? "" : base.substr(underscore + 1);
  for (auto& c : *language) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  for (auto& c : *territory) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
}

bool OneOf(std::string_view value, std::initializer_list<std::string_view> set) {
  for (auto item : set) {
    if (value == item) return true;
  }
  return false;
}

}  // namespace

std::string LocaleName() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = getenv(variable);
    if (value && *value) return value;
  }
  return "C";
}

bool LocaleAvailable(const std::string& name) {
  if (name == "C" || name == "POSIX") return true;
  // Loading a locale reads files: remember the last answer.
  static std::mutex mutex;
  static std::string last_name;
  static bool last_answer = false;
  std::lock_guard<std::mutex> lock(mutex);
  if (name == last_name) return last_answer;
  locale_t loaded = newlocale(LC_CTYPE_MASK, name.c_str(), static_cast<locale_t>(0));
  last_answer = loaded != static_cast<locale_t>(0);
  if (loaded) freelocale(loaded);
  last_name = name;
  return last_answer;
}

unsigned CodePageForLocale(const std::string& name) {
  std::string language, territory;
  SplitLocale(name, &language, &territory);
  if (language == "zh") return OneOf(territory, {"TW", "HK", "MO"}) ? 950 : 936;
  if (language == "ja") return 932;
  if (language == "ko") return 949;
  if (OneOf(language, {"ru", "uk", "bg", "be", "sr"})) return 1251;
  if (OneOf(language, {"pl", "cs", "hu", "ro", "hr", "sk", "sl"})) return 1250;
  if (language == "el") return 1253;
  if (language == "tr") return 1254;
  if (language == "he") return 1255;
  if (language == "ar") return 1256;
  if (OneOf(language, {"lt", "lv", "et"})) return 1257;
  if (language == "vi") return 1258;
  if (language == "th") return 874;
  return 1252;
}

unsigned LanguageForLocale(const std::string& name) {
  std::string language, territory;
  SplitLocale(name, &language, &territory);
  return language == "zh" && (territory == "CN" || territory.empty()) ? 2052 : 1033;
}

}  // namespace copyloom::platform::posix
