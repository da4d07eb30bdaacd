// Whole-name comparison of executable names, as Windows compares file
// names: letter case does not matter, nothing else is folded.
#pragma once

#include <string>

bool IsSameExecutableName(const std::wstring& a, const std::wstring& b);
