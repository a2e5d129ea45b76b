// The short text of why a row's command failed, made from the cause (kind,
// the trader's file or folder, the system's text) the command's value keeps
// per row (CommandResult::failures). Texts are made only where shown.
#pragma once

#include <string>

#include "app/text_table.h"
#include "platform/failure.h"

namespace copyloom {

// The short cause for a row's State and the faces: a held file keeps the
// engine's "close all the terminals" text; every other kind has its own.
std::wstring CauseText(const platform::Status& cause, const InterfaceTexts& texts);

}  // namespace copyloom
