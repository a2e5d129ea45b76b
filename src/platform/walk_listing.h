// A walk built on ListEntries alone, for an implementation whose listings
// are cheap by full path (Windows) or that keeps no native files (the test
// store). Internal to the platform implementations.
#pragma once

#include <string>

#include "platform/platform.h"

namespace copyloom::platform {

// WalkFolder's contract, each folder listed by its full path.
bool WalkByListing(const std::wstring& folder, const std::wstring& pattern,
                   const WalkVisitor& visit);

}  // namespace copyloom::platform
