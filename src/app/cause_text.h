// The short text of a failure's cause, for the faces that show it: one text
// per kind, naming the trader's file as they can find it on this machine.
#pragma once

#include <string>

#include "app/text_table.h"
#include "platform/failure.h"

namespace copyloom {

// Empty for a success. A held file is "another program is using it": what
// holds a terminal's file is said by the engine's own text instead
// (CauseText of install/row_outcome.h).
std::wstring FailureText(const platform::Status& cause, const InterfaceTexts& texts);

}  // namespace copyloom
