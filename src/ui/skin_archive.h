// Reads the files of the skin (layouts, images): from the zip archive set
// with CPaintManagerUI::SetResourceZip, else from the resource folder.
#pragma once

#include <string>

namespace ui {

// The bytes of `name` (a path inside the archive; '\\' and '/' alike, case
// ignored). False, with a log line, when the archive or the file is missing
// or unreadable.
bool ReadSkinFile(const std::wstring& name, std::string& bytes);

// Closes the archive kept open for a cached resource zip.
void CloseSkinArchive();

}  // namespace ui
