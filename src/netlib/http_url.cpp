#include "netlib/http_url.h"

#include <cctype>

namespace {

bool IsHostChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

bool StartsWithNoCase(const std::string& text, const char* prefix, size_t length) {
  if (text.size() < length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

int CHttpUrl::ReleaseReference() {
  const int count = m_ref.DropReference();
  if (count == 0) delete this;
  return count;
}

bool CHttpUrl::Initialize(const std::string& url) {
  for (unsigned char c : url) {
    if (c <= ' ' || c == 0x7F) return false;
  }
  size_t pos;
  bool secure;
  if (StartsWithNoCase(url, "http://", 7)) {
    pos = 7;
    secure = false;
  } else if (StartsWithNoCase(url, "https://", 8)) {
    pos = 8;
    secure = true;
  } else {
    return false;
  }
  const size_t authorityEnd = url.find_first_of("/?#", pos);
  const std::string authority = url.substr(pos, authorityEnd == std::string::npos ? std::string::npos : authorityEnd - pos);
  if (authority.find('@') != std::string::npos) return false;  // no user information

  std::string host;
  std::string port;
  if (!authority.empty() && authority[0] == '[') {
    const size_t close = authority.find(']');
    if (close == std::string::npos || close == 1) return false;
    host = authority.substr(1, close - 1);
    for (char c : host) {
      if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') return false;
    }
    const std::string rest = authority.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':') return false;
      port = rest.substr(1);
    }
  } else {
    const size_t colon = authority.find(':');
    host = authority.substr(0, colon);
    if (colon != std::string::npos) port = authority.substr(colon + 1);
    for (char c : host) {
      if (!IsHostChar(c)) return false;
    }
  }
  if (host.empty()) return false;

  int portNumber = secure ? 443 : 80;
  if (!port.empty() || authority.find(':') != std::string::npos) {
    if (port.empty() || port.size() > 5) return false;
    portNumber = 0;
    for (char c : port) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
      portNumber = portNumber * 10 + (c - '0');
    }
    if (portNumber < 1 || portNumber > 65535) return false;
  }

  std::string target = authorityEnd == std::string::npos ? std::string() : url.substr(authorityEnd);
  const size_t fragment = target.find('#');
  if (fragment != std::string::npos) target.erase(fragment);
  if (target.empty() || target[0] != '/') target.insert(0, "/");

  m_strUrl = url;
  m_bSecure = secure;
  m_strHost = host;
  m_nPort = portNumber;
  m_strTarget = target;
  return true;
}
