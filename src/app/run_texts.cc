#include "app/run_texts.h"

#include <iterator>

#include "app/bilingual_text.h"
#include "app/language.h"
#include "foundation/path_util.h"

namespace copyloom {
namespace {

constexpr BilingualText<RunText> kRunTexts[] = {
    {RunText::NoTerminalFound,
     L"No MT4 terminal found: add one with \"add DIR\", or choose a Wine prefix with "
     L"\"--prefix DIR\"",
     L"没有找到MT4软件：请用 \"add DIR\" 添加，或用 \"--prefix DIR\" 选择Wine环境"},
    {RunText::NoRowToWorkOn,
     L"No MT4 terminal to work on: name one (DIR), give --all, or add one with \"add DIR\"",
     L"没有可操作的MT4软件：请指定目录(DIR)、使用 --all，或用 \"add DIR\" 添加"},
    {RunText::TerminalNotStarted,
     L"MT4 Terminal never started - {Please start the MT4 Terminal once, then install again}",
     L"MT4软件从未运行 - {请先运行一次MT4软件，然后重新安装}"},
    {RunText::NothingToCompare,
     L"Nothing to compare: no Signal Provider or Signal Receiver package beside the program; "
     L"name the kit with \"--kit DIR\"",
     L"没有可比较的安装包：程序旁没有喊单或跟单系统；请用 \"--kit DIR\" 指定"},
    {RunText::NotAPrefix, L"{0} is no Wine prefix (it needs system.reg and drive_c)",
     L"{0} 不是Wine环境（需要 system.reg 和 drive_c）"},
    {RunText::PrefixUnreadable, L"cannot read the Wine prefix {0}: {1}",
     L"无法读取Wine环境 {0}：{1}"},
    {RunText::HomeNotSet,
     L"HOME is not set: set HOME or WINEPREFIX, or give \"--prefix DIR\" or \"--data-dir DIR\"",
     L"未设置 HOME：请设置 HOME 或 WINEPREFIX，或使用 \"--prefix DIR\"、\"--data-dir DIR\""},
    {RunText::FolderCannotBeMade, L"cannot create the folder {0} ({1}): {2}",
     L"无法创建目录 {0}（{1}）：{2}"},
    {RunText::FolderIsAFile, L"{0} ({1}) is a file, not a folder", L"{0}（{1}）是文件，不是目录"},
    {RunText::FolderNotWritable, L"cannot write in the folder {0} ({1})",
     L"无法写入目录 {0}（{1}）"},
    {RunText::OlderFolderNotUsed, L"{0} (not used: its logs are older)",
     L"{0}（未使用：其日志较旧）"},
    {RunText::UnloggedFolderNotUsed, L"{0} (not used: neither folder has logs)",
     L"{0}（未使用：两个目录都没有日志）"},
    {RunText::StoppedBySignal, L"stopped by a signal: {0} of {1} terminals done, the list saved",
     L"已被信号中止：{1} 个终端中已完成 {0} 个，列表已保存"},
    {RunText::StoppedDone, L"done: {0}", L"已完成：{0}"},
    {RunText::StoppedNotDone, L"not done: {0}", L"未完成：{0}"},
    {RunText::KitFolderMissing,
     L"No {0} package to install: the folder {1} is missing; name the kit with \"--kit DIR\"",
     L"没有可安装的{0}安装包：缺少目录 {1}；请用 \"--kit DIR\" 指定"},
    {RunText::KitExpertMissing, L"No {0} package to install: {1} holds no expert ({2})",
     L"没有可安装的{0}安装包：{1} 中没有EA文件（{2}）"},
    {RunText::DanglingFolderLink,
     L"{0} ({1}) is a link to {2}, which does not exist (a Wine prefix copied from another "
     L"user?): create {2}, or replace the link {1} by a folder or by a link to a folder that "
     L"exists",
     L"{0}（{1}）是指向 {2} 的链接，但 {2} 不存在（从其他用户复制的Wine环境？）：请创建 {2}，"
     L"或把链接 {1} 换成目录或指向已存在目录的链接"},
    {RunText::VerifyKitGenuine, L"{0}: genuine: {1} {2}, {3} files",
     L"{0}：正版：{1} {2}，{3} 个文件"},
    {RunText::VerifyKitUnsigned, L"{0}: not signed: its files cannot be checked",
     L"{0}：没有签名：其文件无法校验"},
    {RunText::VerifyKitNotGenuine, L"{0}: not genuine: {1}", L"{0}：不是正版：{1}"},
    {RunText::VerifyAsInstalled, L"{0}: {1} {2}, {3} files as installed",
     L"{0}：{1} {2}，{3} 个文件与安装时一致"},
    {RunText::VerifyModified, L"{0}: modified: {1}", L"{0}：已被改动：{1}"},
    {RunText::VerifyNoRecord, L"{0}: no signed kit recorded", L"{0}：没有已签名安装包的记录"},
    {RunText::LockWaiting, L"waiting for another copyloom run to finish with {0}",
     L"正在等待另一个 copyloom 运行结束使用 {0}"},
    {RunText::LockStillUsed, L"another copyloom run still uses {0}; try again later",
     L"另一个 copyloom 运行仍在使用 {0}；请稍后再试"},
    {RunText::LinkLeadsNowhere,
     L"{0} ({1}) is a link to a folder that does not exist (a Wine prefix copied from another "
     L"user?): replace the link {1} by a folder or by a link to a folder that exists",
     L"{0}（{1}）是指向不存在目录的链接（从其他用户复制的Wine环境？）：请把链接 {1} "
     L"换成目录或指向已存在目录的链接"},
};

static_assert(std::size(kRunTexts) == static_cast<size_t>(RunText::LinkLeadsNowhere) + 1);

static_assert(RowsInKeyOrder(kRunTexts), "rows are indexed by key");

}  // namespace

std::wstring RunMessageIn(int language, RunText key, const std::vector<std::wstring>& values) {
  std::wstring text = TextIn(kRunTexts, key, language);
  for (size_t i = 0; i < values.size(); ++i) {
    ReplaceAll(&text, L"{" + std::to_wstring(i) + L"}", values[i]);
  }
  return text;
}

std::wstring RunMessage(RunText key, const std::vector<std::wstring>& values) {
  return RunMessageIn(languageIndex(), key, values);
}

}  // namespace copyloom
