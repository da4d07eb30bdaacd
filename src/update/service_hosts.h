// The vendor's web services the program talks to. Deployment data: the host
// names are the program's own and are kept here only, beside the media-server
// defaults; the tests map them to local stand-ins through a private hosts file.
#pragma once

namespace service_hosts {

// The public-address service: answers which address a request came from.
constexpr const char kAddressHost[] = "ip.orvane.com";
constexpr const char kAddressUrl[] = "http://ip.orvane.com/orvane/api/v1/trueip";

// The download server: configuration file and installation packages.
constexpr const char kDownloadHost[] = "download.orvane.com";
// The configuration file "kalto.ini" on the download server.
constexpr const char kConfigUrl[] = "http://download.orvane.com/download/kalto/kalto.ini";

}  // namespace service_hosts
