#include "skinkit/string_table.h"

#include "corekit/textconv.h"

namespace skinkit {
namespace {

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  const size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool IsKey(const std::string& key) {
  if (key.size() < 3 || key.compare(0, 2, "s.") != 0 || key.back() == '.') return false;
  for (char c : key) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_';
    if (!ok) return false;
  }
  return key.find("..") == std::string::npos;
}

// Undoes the escapes; false on an unknown escape.
bool Unescape(const std::string& in, std::string& out) {
  out.clear();
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\') {
      out += in[i];
      continue;
    }
    if (++i == in.size()) return false;
    switch (in[i]) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      default: return false;
    }
  }
  return true;
}

}  // namespace

StringTable StringTable::Parse(const std::string& text, std::vector<std::string>* errors) {
  StringTable table;
  auto report = [&](int line, const std::string& what) {
    if (errors) errors->push_back("line " + std::to_string(line) + ": " + what);
  };
  size_t pos = 0;
  int lineNo = 0;
  // A UTF-8 byte-order mark at the start is ignored.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;

    const size_t eq = trimmed.find('=');
    const std::string key = Trim(trimmed.substr(0, eq));
    if (eq == std::string::npos || !IsKey(key)) {
      report(lineNo, "not a \"s.key = value\" line");
      continue;
    }
    std::string value = Trim(trimmed.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    std::string unescaped;
    if (!Unescape(value, unescaped)) {
      report(lineNo, "bad escape in the value of " + key);
      continue;
    }
    if (!table.m_entries.emplace(key, corekit::Utf8ToWide(unescaped)).second) {
      report(lineNo, "duplicate key " + key);
    }
  }
  return table;
}

const std::wstring* StringTable::Find(const std::string& key) const {
  const auto it = m_entries.find(key);
  return it == m_entries.end() ? nullptr : &it->second;
}

}  // namespace skinkit
