#include "platform/platform.h"
#include "tool_main.h"

int main(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(copyloom::platform::Utf8ToWide(argv[i]));
  return ToolMain(args);
}
