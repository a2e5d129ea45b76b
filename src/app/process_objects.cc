#include "app/process_objects.h"

namespace copyloom {

CConfig& TheConfig() {
  static CConfig config;
  return config;
}

CCommon& TheLog() {
  static CCommon log;
  return log;
}

}  // namespace copyloom
