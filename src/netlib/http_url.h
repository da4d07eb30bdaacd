// A parsed http or https URL. Reference counted: deleted when the last
// reference goes.
#pragma once

#include <string>

#include "netlib/reference.h"

class CHttpUrl {
 public:
  CHttpUrl() = default;
  CHttpUrl(const CHttpUrl&) = delete;
  CHttpUrl& operator=(const CHttpUrl&) = delete;

  int AddReference() { return m_ref.AddReference(); }
  int ReleaseReference();

  // Parses "http[s]://host[:port][/path][?query]". True when the text is
  // such a URL: a known scheme, a host, a port from 1 to 65535 and no
  // spaces or control characters. The fragment is dropped.
  bool Initialize(const std::string& url);

  const std::string& GetUrl() const { return m_strUrl; }
  bool IsSecure() const { return m_bSecure; }
  const std::string& GetHost() const { return m_strHost; }  // without the brackets of an IPv6 address
  int GetPort() const { return m_nPort; }
  // What the request line asks for: path and query, at least "/".
  const std::string& GetRequestTarget() const { return m_strTarget; }

 private:
  class Count : public CReferenceControlT {};
  Count m_ref;
  std::string m_strUrl;
  bool m_bSecure = false;
  std::string m_strHost;
  int m_nPort = 0;
  std::string m_strTarget;
};
