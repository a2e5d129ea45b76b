#include "install/chart_profile.h"

#include <string>

#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "install/mt_assist.h"
#include "install/transaction.h"
#include "platform/platform.h"
#include "terminals/terminal_layout.h"

namespace copyloom {
namespace {

constexpr wchar_t kChartTemplate[] =
    L"<chart>\r\n"
    L"symbol={symbol}\r\n"
    L"period={period}\r\n"
    L"grid=1\r\n"
    L"shift=1\r\n"
    L"window_type=3\r\n"
    L"<expert>\r\n"
    L"name={eaname}\r\n"
    L"flags=343\r\n"
    L"</expert>\r\n"
    L"</chart>";

// A text file's content as read: empty when missing or when it starts with
// a zero byte.
bool HasText(const std::string& bytes) { return !bytes.empty() && bytes[0] != '\0'; }

// The bytes a text file is written with: ANSI, cut at the first character
// the code page cannot represent.
std::string AnsiFileBytes(const std::wstring& text) {
  namespace pf = platform;
  size_t unmappable = pf::kNoUnmappable;
  std::string bytes = pf::WideToCodePage(pf::AnsiCodePage(), text, &unmappable);
  if (unmappable != pf::kNoUnmappable) {
    bytes = pf::WideToCodePage(pf::AnsiCodePage(), text.substr(0, unmappable));
  }
  return bytes;
}

}  // namespace

std::optional<std::wstring> LastWindowSymbol(const std::wstring& list_text) {
  const size_t comma = list_text.rfind(L',');
  if (comma == std::wstring::npos || comma == 0) return std::nullopt;
  const std::wstring before = list_text.substr(0, comma);

  size_t line_break = before.rfind(L'\n');
  if (line_break == std::wstring::npos) line_break = before.rfind(L'\r');
  std::wstring symbol;
  if (line_break != std::wstring::npos) {
    symbol = before.substr(line_break);
  } else {
    // Only a single-line list is refused for a second comma.
    if (before.find(L',') != std::wstring::npos) return std::nullopt;
    symbol = before;
  }
  symbol = TrimChars(TrimChars(TrimWhite(symbol), L"\r"), L"\n");
  if (symbol.empty()) return std::nullopt;
  return symbol;
}

std::wstring ChartFileText(const std::wstring& symbol, const std::wstring& expert_name) {
  std::wstring text = kChartTemplate;
  ReplaceAll(&text, L"{symbol}", symbol);
  ReplaceAll(&text, L"{period}", kChartPeriod);
  ReplaceAll(&text, L"{eaname}", expert_name);
  return text;
}

std::wstring AppendWindowLine(const std::wstring& list_text, const std::wstring& symbol) {
  std::wstring text = list_text;
  if (!EndsWith(text, L"\r") && !EndsWith(text, L"\n")) text += L"\r\n";
  return text + symbol + L",Weekly\r\n";
}

bool IsPlainProfileName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  return name.find_first_of(L"\\/:") == std::wstring::npos;
}

std::wstring CMTAssist::WriteChartProfile(const std::wstring& terminal,
                                          const std::wstring& expert_name, bool check_only) {
  const CFileCtrl files;
  const TerminalLayout layout = ResolveTerminalLayout(terminal);
  const std::wstring profiles = layout.FolderFor(L"profiles");
  if (!check_only) m_Changes.clear();
  m_BrokenFile.clear();
  m_Failure = {};
  // A file of the terminal that is no plain one or is over its cap fails
  // the row, named, and stays as it is.
  auto read = [&](const std::wstring& path, uint64_t cap, std::string* bytes) {
    if (!platform::FoundBroken(platform::ReadCappedFile(path, cap, bytes))) return true;
    m_BrokenFile = path;
    return false;
  };

  std::string last_profile;
  if (!read(profiles + L"lastprofile.ini", platform::kSmallFileCap, &last_profile)) return {};
  if (!HasText(last_profile)) return {};
  // The whole file is the name; a zero byte ends it.
  last_profile.resize(last_profile.find('\0') == std::string::npos ? last_profile.size()
                                                                   : last_profile.find('\0'));
  const std::wstring name = TrimWhite(FromAnsi(last_profile));
  // The name comes from a file: it must not lead out of "profiles".
  if (!IsPlainProfileName(name)) return {};
  const std::wstring folder = profiles + name + L"\\";

  if (files.FileExists(folder + L"chart00.chr")) return kResultSuccess;
  const std::wstring order = folder + L"order.wnd";
  if (!files.FileExists(order)) return {};
  std::string order_bytes;
  if (!read(order, platform::kProfileFileCap, &order_bytes)) return {};
  // A zero byte anywhere means it is no ANSI text (a UTF-16 or damaged list):
  // appending to it would corrupt it further.
  if (!HasText(order_bytes) || order_bytes.find('\0') != std::string::npos) return {};
  const std::wstring list_text = FromAnsi(order_bytes);

  const std::optional<std::wstring> symbol = LastWindowSymbol(list_text);
  if (!symbol || check_only) return {};
  // The chart and its line in the window list go in together or not at
  // all: a line without its chart would be added again by the next install,
  // and a chart without its line would keep the next install from adding it.
  // A transaction of its own after the install's: a chart that cannot be
  // written must not undo a completed install.
  TerminalTransaction txn(layout.data_folder, dry_run_);
  txn.Write(AnsiFileBytes(ChartFileText(*symbol, expert_name)), folder + L"chart00.chr");
  txn.Write(AnsiFileBytes(AppendWindowLine(list_text, *symbol)), order);
  platform::Status failed;
  if (!Finish(txn, terminal, &failed)) m_Failure = failed;
  return {};
}

}  // namespace copyloom
