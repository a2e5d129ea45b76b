// The locale facts Wine derives from the environment. Internal to posix/.
#pragma once

#include <string>

namespace copyloom::platform::posix {

// LC_ALL, else LC_CTYPE, else LANG (the first one set and not empty);
// "C" when none is.
std::string LocaleName();

// Whether the C library can load that locale (is it generated here).
bool LocaleAvailable(const std::string& name);

// The ANSI code page Wine uses for a locale name such as "zh_CN.UTF-8",
// without asking whether the locale is generated.
unsigned CodePageForLocale(const std::string& name);

// The Windows language id for a locale name: 2052 for Chinese (PRC),
// else 1033.
unsigned LanguageForLocale(const std::string& name);

}  // namespace copyloom::platform::posix
