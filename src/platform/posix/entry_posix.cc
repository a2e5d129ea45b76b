#include <clocale>

#include "platform/entry.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  // The user's locale, for what iconv and the C library print.
  std::setlocale(LC_ALL, "");
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(copyloom::platform::Utf8ToWide(argv[i]));
  return WideMain(args);
}
