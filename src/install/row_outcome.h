// Why a row's command failed, as a value: the cause (kind, the trader's
// file or folder, the system's text) kept per row for the faces that show
// it. Texts are made from it only where it is shown.
#pragma once

#include <map>
#include <string>

#include "app/text_table.h"
#include "platform/failure.h"

namespace copyloom {

// Keyed by the row's folder as given to the engine; the latest cause wins.
// A row that succeeds clears its cause.
void RecordRowFailure(const std::wstring& row_folder, const platform::Status& cause);
void ClearRowFailure(const std::wstring& row_folder);
std::map<std::wstring, platform::Status> TakeRowFailures();
// The causes recorded so far, kept.
std::map<std::wstring, platform::Status> RowFailures();

// The short cause for a row's State and the faces: a held file keeps the
// engine's "close all the terminals" text; every other kind has its own.
std::wstring CauseText(const platform::Status& cause, const InterfaceTexts& texts);

}  // namespace copyloom
