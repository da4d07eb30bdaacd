// The layout of the configuration file "kalto.ini": its section, the size of
// a value, and the keys that fill the six media-server slots.
#pragma once

#include <string>

#include "update/media_servers.h"

namespace update {

constexpr char kConfigFileName[] = "kalto.ini";
// Beside it while it changes: the fresh download, and the UTF-16 copy.
constexpr char kDownloadSuffix[] = ".download";
constexpr char kRewriteSuffix[] = ".utf16";
constexpr char kConfigSection[] = "KALTO_CH";
// Each value is read into a buffer of this many characters: at most 511 are kept.
constexpr unsigned kConfigValueBuffer = 512;
// The largest file taken as a configuration: a real one has a few kilobytes.
constexpr unsigned kMaxConfigBytes = 1024 * 1024;

// Keys of the published version, release notes, the kept "update" text, the
// package URL and the package's optional SHA-256 digest.
constexpr char kKeyVersion[] = "version";
constexpr char kKeyReleaseNote[] = "rerolve";
constexpr char kKeyUpdate[] = "update";
constexpr char kKeyPackUrl[] = "url";
constexpr char kKeySha256[] = "sha256";

// One media-server slot in the file: its keys, its setters and their name in
// the log ("SetDomainCNC1").
struct ServerKeys {
  MediaServerSlot slot;
  const char* nameKey;
  const char* domainKey;
  void (MediaServerList::*setName)(const std::wstring&);
  void (MediaServerList::*setDomain)(const std::string&);
  const char* domainSetter;
};

// The six slots in the order they are read: cnc 1, cnc 2, ctc 1, ctc 2, cmc 1, cmc 2.
extern const ServerKeys kServerKeys[MEDIA_SERVER_SLOTS];

// The file as the profile functions read it without loss: UTF-16 (little
// endian) behind its byte-order mark. The published file is UTF-8, with or
// without its mark; a file that is UTF-16 already comes back unchanged.
std::string ConfigTextAsUtf16(const std::string& bytes);

// Whether a downloaded file can stand for the configuration: at most
// kMaxConfigBytes, with a line that opens the section "KALTO_CH" (as the
// profile functions find it: blanks around it and letter case do not
// matter). An error page, a truncated head or garbage is refused, so it
// never replaces the last good file.
bool IsConfigText(const std::string& bytes);

}  // namespace update
