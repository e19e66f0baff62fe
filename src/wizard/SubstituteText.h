// Placeholder substitution for page texts and captions.
//
// Page templates and string-table messages carry the placeholders "%app title%" and
// "%app setup%", which are replaced by the profile's "App Title" and "App Setup" values
// before anything is shown.
#pragma once

#include <string>
#include <utility>
#include <vector>

using CTextPair = std::pair<std::string, std::string>;

constexpr const char* kAppTitlePlaceholder = "%app title%";
constexpr const char* kAppSetupPlaceholder = "%app setup%";

// Replaces, pair by pair in the given order, every occurrence of the placeholder (first)
// by the value (second). The search for the next occurrence resumes after the inserted
// value, so a value that contains its own placeholder is inserted once and never loops.
// A pair with an empty placeholder is ignored.
void SubstituteText(std::string& text, const std::vector<CTextPair>& pairs);

// The two pairs every page uses: ("%app title%", title), ("%app setup%", setup).
std::vector<CTextPair> MakeTitlePairs(const std::string& appTitle, const std::string& appSetup);
