#include "cli/command_help.h"

namespace copyloom::cli {
namespace {

constexpr char kHead[] =
    "usage: copyloom [--kit DIR] [--data-dir DIR] [--prefix DIR|--all-prefixes] [--json] [--yes]\n"
    "                COMMAND [ARGS]\n"
    "       copyloom --version\n"
    "\n"
    "commands:\n";

constexpr char kTail[] =
    "\n"
    "options:\n"
    "  --kit DIR       act as if started from DIR (packages, side, support files)\n"
    "  --data-dir DIR  keep clinst.cfg, the log and the support files in DIR\n"
    "  --json          print one JSON object instead of text\n"
    "  --yes           answer OK to prompts (default: Cancel)\n"
    "  --prefix DIR    work on the terminals of this Wine prefix (as WINEPREFIX)\n"
    "  --all-prefixes  run list, status, install or uninstall in each prefix with terminals\n"
    "  --version       print the version and exit\n"
    "options may also follow the command\n"
    "\n"
    "exit status: 0 success or nothing to do, 1 a row failed or the command was refused,\n"
    "2 bad usage\n";

// Where the texts of the commands' table start.
constexpr size_t kTextColumn = 36;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t from = 0;
  while (from <= text.size()) {
    const size_t end = text.find('\n', from);
    lines.push_back(text.substr(from, end == std::string::npos ? std::string::npos : end - from));
    if (end == std::string::npos) break;
    from = end + 1;
  }
  return lines;
}

}  // namespace

std::string UsageText(const std::vector<CommandHelp>& commands) {
  std::string usage = kHead;
  const std::string indent(kTextColumn, ' ');
  for (const CommandHelp& command : commands) {
    std::vector<std::string> synopsis = Lines(command.synopsis);
    synopsis.front() =
        "  " + std::string(command.name) + (synopsis.front().empty() ? "" : " " + synopsis.front());
    const std::vector<std::string> text = Lines(command.text);
    size_t first_text = 0;
    // A short synopsis shares its line with the first line of text.
    if (synopsis.size() == 1 && synopsis.front().size() + 2 <= kTextColumn) {
      synopsis.front().resize(kTextColumn, ' ');
      synopsis.front() += text.front();
      first_text = 1;
    }
    for (size_t i = 0; i < synopsis.size(); ++i) {
      usage += (i > 0 ? indent : "") + synopsis[i] + "\n";
    }
    for (size_t i = first_text; i < text.size(); ++i) usage += indent + text[i] + "\n";
  }
  return usage + kTail;
}

}  // namespace copyloom::cli
