// The local file name of the installation package. The URL comes from the
// network, so the name is untrusted: it must be a plain file name that can
// only land inside the program's own folder.
#pragma once

#include <string>

namespace update {

// The last "/" segment of `url` without query or fragment, percent-escapes
// decoded. Refused (empty result, `reason` says why) when that name is empty,
// "." or "..", longer than 200 bytes, holds anything but printable ASCII or a
// character Windows forbids in file names (\ / : * ? " < > |), ends in a dot
// or a blank, or is a reserved device name (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, with or without an extension, in any letter case), or is one of
// the program's own files beside it ("kalto.ini" and the files it is
// rewritten through, in any letter case).
std::string PackageFileName(const std::string& url, std::string* reason);

}  // namespace update
