#include "ui/skin_archive.h"

#include <windows.h>

#include <minizip/unzip.h>
// After unzip.h: it needs the declarations that brings.
#include <minizip/iowin32.h>


#include "corekit/log.h"
#include "corekit/textconv.h"
#include "ui/paint_manager.h"

namespace ui {
namespace {

// Skin files are small; anything larger is refused rather than read.
const uLong kMaxFileSize = 32u * 1024u * 1024u;

unzFile g_cachedZip = nullptr;
std::wstring g_cachedZipPath;

unzFile OpenZip(const std::wstring& path) {
  zlib_filefunc64_def functions;
  fill_win32_filefunc64W(&functions);
  return unzOpen2_64(path.c_str(), &functions);
}

std::string ArchiveName(const std::wstring& name) {
  std::wstring path = name;
  for (wchar_t& c : path)
    if (c == L'\\') c = L'/';
  while (!path.empty() && path[0] == L'/') path.erase(0, 1);
  return corekit::WideToUtf8(path);
}

bool ReadFromZip(unzFile zip, const std::wstring& name, std::string& bytes) {
  // Case-insensitive lookup (2), as file names on Windows.
  if (unzLocateFile(zip, ArchiveName(name).c_str(), 2) != UNZ_OK) return false;
  unz_file_info64 info;
  if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
  if (info.uncompressed_size > kMaxFileSize) {
    LOG_FUNC(LOG_LEVEL_ERROR, "skin file too large = " << name);
    return false;
  }
  if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
  bytes.assign(static_cast<size_t>(info.uncompressed_size), '\0');
  int read = bytes.empty() ? 0 : unzReadCurrentFile(zip, &bytes[0], static_cast<unsigned>(bytes.size()));
  bool ok = unzCloseCurrentFile(zip) == UNZ_OK && read == static_cast<int>(bytes.size());
  if (!ok) bytes.clear();
  return ok;
}

bool ReadFromFolder(const std::wstring& path, std::string& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = ::GetFileSizeEx(file, &size) && size.QuadPart <= kMaxFileSize;
  if (ok) {
    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    ok = bytes.empty() || (::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                           read == bytes.size());
  }
  ::CloseHandle(file);
  return ok;
}

}  // namespace

bool ReadSkinFile(const std::wstring& name, std::string& bytes) {
  bytes.clear();
  const std::wstring& zipName = CPaintManagerUI::GetResourceZip();
  if (zipName.empty()) {
    if (ReadFromFolder(CPaintManagerUI::GetResourcePath() + name, bytes)) return true;
    LOG_FUNC(LOG_LEVEL_ERROR, "skin file missing = " << name);
    return false;
  }
  std::wstring zipPath = CPaintManagerUI::GetResourcePath() + zipName;
  bool cached = CPaintManagerUI::IsCachedResourceZip();
  unzFile zip = nullptr;
  if (cached && g_cachedZip && g_cachedZipPath == zipPath) {
    zip = g_cachedZip;
  } else {
    zip = OpenZip(zipPath);
    if (!zip) {
      LOG_FUNC(LOG_LEVEL_ERROR, "skin archive missing or unreadable = " << zipPath);
      return false;
    }
    if (cached) {
      CloseSkinArchive();
      g_cachedZip = zip;
      g_cachedZipPath = zipPath;
    }
  }
  bool ok = ReadFromZip(zip, name, bytes);
  if (!cached) unzClose(zip);
  if (!ok) LOG_FUNC(LOG_LEVEL_ERROR, "skin file missing in " << zipName << " = " << name);
  return ok;
}

void CloseSkinArchive() {
  if (g_cachedZip) unzClose(g_cachedZip);
  g_cachedZip = nullptr;
  g_cachedZipPath.clear();
}

}  // namespace ui
