// The process-wide foundation objects: the settings object and the log.
// Created on first use; InitProductProfile wires them to the profile.
#pragma once

#include "foundation/common.h"
#include "foundation/ini_file.h"

namespace copyloom {

CConfig& TheConfig();
CCommon& TheLog();

}  // namespace copyloom
