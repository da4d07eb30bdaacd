#include "update/update_offer.h"

namespace update {

bool IsUpdateOffered(const std::wstring& published, const std::wstring& own) {
  return !published.empty() && published != own;
}

std::vector<std::wstring> SplitReleaseNotes(const std::wstring& notes) {
  std::vector<std::wstring> rows;
  size_t begin = 0;
  for (size_t bar = notes.find(L'|'); bar != std::wstring::npos; bar = notes.find(L'|', begin)) {
    rows.push_back(notes.substr(begin, bar - begin));
    begin = bar + 1;
  }
  rows.push_back(notes.substr(begin));
  return rows;
}

}  // namespace update
