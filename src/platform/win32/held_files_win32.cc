#include "platform/platform.h"

namespace copyloom::platform {

// Windows refuses to replace or delete a held file by itself.
HeldFilesSnapshot::HeldFilesSnapshot() = default;
HeldFilesSnapshot::~HeldFilesSnapshot() = default;

}  // namespace copyloom::platform
