// A table of localised texts, read from UTF-8 text:
//
//   # comment
//   s.app.name = KALTO Network Check
//   s.detect.problem = "Problem: "     (quotes keep outer blanks)
//
// Escapes in values: \n line feed, \t tab, \\ backslash, \" quote.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace skinkit {

class StringTable {
 public:
  // Parses `text`; lines that are not "key = value" are reported in
  // `errors` (with their line numbers) and skipped. A key given twice keeps
  // its first value and is reported too.
  static StringTable Parse(const std::string& text, std::vector<std::string>* errors = nullptr);

  // The text of `key`, or null when the table lacks it.
  const std::wstring* Find(const std::string& key) const;
  const std::map<std::string, std::wstring>& Entries() const { return m_entries; }

 private:
  std::map<std::string, std::wstring> m_entries;
};

}  // namespace skinkit
