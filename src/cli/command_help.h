// What --help says of each command. The manual page and the bash completion
// are made from --help (dist/), so this is their source too.
#pragma once

#include <string>
#include <vector>

namespace copyloom::cli {

struct CommandHelp {
  const char* name;
  // The words after the name; '\n' wraps them onto lines of their own.
  const char* synopsis;
  // What the command does; '\n' starts a new line.
  const char* text;
};

// The whole --help: the synopsis of the program, a line or more per command
// (in the order given), the options and the exit statuses.
std::string UsageText(const std::vector<CommandHelp>& commands);

}  // namespace copyloom::cli
