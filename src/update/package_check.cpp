#include "update/package_check.h"

#include <cctype>

namespace update {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "Text/HTML; charset=utf-8" -> "text/html".
std::string MediaType(const std::string& contentType) {
  std::string type = Lower(contentType.substr(0, contentType.find(';')));
  const size_t first = type.find_first_not_of(" \t");
  const size_t last = type.find_last_not_of(" \t");
  return first == std::string::npos ? std::string() : type.substr(first, last - first + 1);
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string PackageProblem(const std::string& name, uint64_t size, const std::string& contentType,
                           const std::string& head) {
  if (size == 0) return "the package is empty";
  if (MediaType(contentType) == "text/html") return "the package was served as text/html";
  if (EndsWith(Lower(name), ".exe") && head.compare(0, 2, "MZ") != 0) {
    return "the package is named .exe but is not a Windows program";
  }
  return std::string();
}

}  // namespace update
