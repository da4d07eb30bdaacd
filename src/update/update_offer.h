// What the update window offers: whether a published version is offered at
// all, and the release notes as the rows of its list.
#pragma once

#include <string>
#include <vector>

namespace update {

// A published version is offered when it is not empty and differs from the
// program's own: a plain, case-sensitive comparison of the two texts, with no
// numeric ordering, so an older published version is offered too.
bool IsUpdateOffered(const std::wstring& published, const std::wstring& own);

// The release notes split at every vertical bar: n bars give n + 1 rows,
// empty rows kept; an empty text gives one empty row.
std::vector<std::wstring> SplitReleaseNotes(const std::wstring& notes);

}  // namespace update
