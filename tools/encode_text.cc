// copyloom-encode: prints the stored (scrambled) form of each argument, or of
// each line of standard input when there is no text argument. With --decode
// it prints the plain text of stored forms instead. Texts are UTF-8.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "foundation/encrypt.h"
#include "platform/entry.h"
#include "platform/platform.h"

namespace {

void PrintUsage() {
  std::fputs(
      "usage: copyloom-encode [--decode] [TEXT...]\n"
      "Encodes each TEXT (or each line of standard input) into the stored form of\n"
      "built-in texts; --decode turns stored forms back into plain text.\n",
      stdout);
}

void PrintLine(const std::wstring& text) {
  const std::string utf8 = copyloom::platform::WideToUtf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fputc('\n', stdout);
}

}  // namespace

int WideMain(const std::vector<std::wstring>& args) {
  bool decode = false;
  bool options_done = false;
  std::vector<std::wstring> texts;
  for (const auto& arg : args) {
    if (!options_done && arg == L"--decode") {
      decode = true;
    } else if (!options_done && (arg == L"--help" || arg == L"-h")) {
      PrintUsage();
      return 0;
    } else if (!options_done && arg == L"--") {
      options_done = true;
    } else if (!options_done && arg.size() > 1 && arg[0] == L'-' && arg[1] == L'-') {
      std::fprintf(stderr, "copyloom-encode: unknown option %s\n",
                   copyloom::platform::WideToUtf8(arg).c_str());
      return 2;
    } else {
      texts.push_back(arg);
    }
  }

  const copyloom::CEncrypt codec;
  auto convert = [&](const std::wstring& text) {
    PrintLine(decode ? codec.DecodeText(text) : codec.EncodeText(text));
  };
  if (!texts.empty()) {
    for (const auto& text : texts) convert(text);
  } else {
    std::string line;
    while (std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      convert(copyloom::platform::Utf8ToWide(line));
    }
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
