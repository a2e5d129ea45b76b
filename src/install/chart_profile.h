// The pieces of a first chart for the terminal's last profile: the symbol
// taken from the profile's window list, and the chart file's text.
#pragma once

#include <optional>
#include <string>

namespace copyloom {

// One week, in minutes: the period of the new chart.
inline constexpr wchar_t kChartPeriod[] = L"10080";

// The symbol of the last window of an order.wnd text: the text before its
// last ",", from the last line break on, trimmed. None when there is no
// usable comma, the symbol is empty, or a single-line text still holds a
// comma before it.
std::optional<std::wstring> LastWindowSymbol(const std::wstring& list_text);

// The eleven lines of chart00.chr, joined by "\r\n", without a final break.
std::wstring ChartFileText(const std::wstring& symbol, const std::wstring& expert_name);

// The list text with the new window's line: a line break first when the text
// does not end with one, then symbol + ",Weekly\r\n".
std::wstring AppendWindowLine(const std::wstring& list_text, const std::wstring& symbol);

// A profile name from lastprofile.ini that names a folder directly inside
// "profiles" (no separators, not "." or "..").
bool IsPlainProfileName(const std::wstring& name);

}  // namespace copyloom
