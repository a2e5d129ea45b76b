// The two editions of the program. They share all code; the application key
// fixed at build time decides which one runs.
#pragma once

#include <string>

namespace copyloom {

struct ProductProfile;

// "EXPConfig" selects the expert-advisor edition; any other key the copier.
inline constexpr wchar_t kExpertAdvisorKey[] = L"EXPConfig";
inline constexpr wchar_t kCopierKey[] = L"Copyloom";
inline constexpr wchar_t kExpertAdvisorModule[] = L"vlmexp.dll";

// The key this program was built with: "Copyloom", or "EXPConfig" when built
// with COPYLOOM_EA_EDITION.
std::wstring BuiltApplicationKey();

bool IsExpertAdvisorKey(const std::wstring& application_key);

// The edition step of the start-up: applies the expert-advisor edition's
// values when the profile's key asks for it, and sets languageIndex to 0 in
// either edition.
void ApplyEditionStep(ProductProfile* profile);

}  // namespace copyloom
