#include "update/ov_update.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "corekit/log.h"
#include "corekit/textconv.h"
#include "corekit/user_folder.h"
#include "update/config_keys.h"
#include "update/own_version.h"
#include "update/package_check.h"
#include "update/package_digest.h"
#include "update/package_name.h"
#include "update/service_hosts.h"
#include "update/update_offer.h"

namespace {

const wchar_t kNotifyClass[] = L"KaltoUpdateNotify";
// wParam: the download's result; lParam: 1 for the configuration file.
const UINT WM_UPDATE_DOWNLOAD_END = WM_USER + 1;
// wParam: the package's percentage, or -1 while its size is unknown.
const UINT WM_UPDATE_PROGRESS = WM_USER + 2;

// Paths are UTF-8 inside the updater and wide at every call to Windows: the
// system code page cannot hold every user's name (a Chinese profile folder on
// an English Windows).
std::wstring WidePath(const std::string& path) { return corekit::Utf8ToWide(path); }

// "<application data>\Orvane\KALTO\"; empty when Windows names no such folder.
std::string UserAppDataDir() {
  const std::string folder = corekit::UserDataFolder();
  if (folder.empty()) LOG_FUNC(LOG_LEVEL_ERROR, "no application data folder");
  return folder.empty() ? folder : folder + "\\";
}

void EnsureFolder(const std::string& dir) {
  if (dir.empty() || GetFileAttributesW(WidePath(dir).c_str()) != INVALID_FILE_ATTRIBUTES) return;
  const int code = SHCreateDirectoryExW(nullptr, WidePath(dir.substr(0, dir.size() - 1)).c_str(), nullptr);
  if (code != ERROR_SUCCESS) LOG_FUNC(LOG_LEVEL_ERROR, "cannot create " << dir << ", err = " << code);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Widen(const char* ascii) { return std::wstring(ascii, ascii + strlen(ascii)); }

// The profile functions read a file without a byte-order mark in the
// system's code page, which garbles UTF-8 names under a Chinese one; as
// UTF-16 behind its mark every value reads as it was written.
void StoreConfigAsUtf16(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  if (!in) {
    // Another program may hold it open without sharing.
    if (FileExists(path)) LOG_FUNC(LOG_LEVEL_ERROR, "cannot read " << path << ", the built-in values apply");
    return;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  if (bytes.size() > update::kMaxConfigBytes) {
    LOG_FUNC(LOG_LEVEL_ERROR, "configuration file of " << static_cast<unsigned long long>(bytes.size())
                                                         << " bytes left as it is");
    return;
  }
  const std::string utf16 = update::ConfigTextAsUtf16(bytes);
  if (utf16 == bytes) return;
  // Written beside it first: the file is replaced only by a whole copy.
  const std::string temporary = path + update::kRewriteSuffix;
  std::ofstream out(std::filesystem::u8path(temporary), std::ios::binary | std::ios::trunc);
  out << utf16;
  out.close();
  if (!out || !MoveFileExW(WidePath(temporary).c_str(), WidePath(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    LOG_FUNC(LOG_LEVEL_ERROR, "cannot rewrite " << path << ", err = " << static_cast<unsigned long>(GetLastError()));
    DeleteFileW(WidePath(temporary).c_str());
  }
}

HWND CreateNotifyWindow(WNDPROC proc, void* self) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.lpszClassName = kNotifyClass;
  RegisterClassW(&wc);  // fails harmlessly when already registered
  HWND hWnd = CreateWindowExW(0, kNotifyClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (!hWnd) {
    LOG_FUNC(LOG_LEVEL_ERROR, "no update notify window, err = " << static_cast<unsigned long>(GetLastError()));
    return nullptr;
  }
  SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  return hWnd;
}

}  // namespace

ovUpdate::ovUpdate(IUpdateHost* host) : ovUpdate(host, service_hosts::kConfigUrl, UserAppDataDir()) {}

ovUpdate::ovUpdate(IUpdateHost* host, const std::string& configUrl, const std::string& appDataDir)
    : m_strConfigUrl(configUrl), m_strAppDataDir(appDataDir), m_pHost(host) {
  m_pHttpGetFile = CreateHttpGetFile();
  m_hNotifyWnd = CreateNotifyWindow(&ovUpdate::NotifyProc, this);
  EnsureFolder(m_strAppDataDir);
  RemoveLeftoverDownloads();
  m_strLocalVersion = update::OwnFileVersion();
  LOG_METHOD(LOG_LEVEL_INFO, "m_strAppDataDir = " << m_strAppDataDir << ", m_strLocalVersion = " << m_strLocalVersion);
}

ovUpdate::~ovUpdate() {
  if (m_pHttpGetFile) {
    m_pHttpGetFile->Stop();
    m_pHttpGetFile->Release();
  }
  // Reports still queued for the window go with it.
  if (m_hNotifyWnd) DestroyWindow(m_hNotifyWnd);
}

std::string ovUpdate::ConfigPath() const {
  // Without the folder the file lies in the current directory; the profile
  // functions would take a bare name as one in the Windows folder.
  return (m_strAppDataDir.empty() ? std::string(".\\") : m_strAppDataDir) + update::kConfigFileName;
}

std::wstring ovUpdate::ReadText(const char* key, const std::wstring& fallback) const {
  wchar_t value[update::kConfigValueBuffer] = {0};
  GetPrivateProfileStringW(Widen(update::kConfigSection).c_str(), Widen(key).c_str(), fallback.c_str(), value,
                           update::kConfigValueBuffer, WidePath(ConfigPath()).c_str());
  return value;
}

std::string ovUpdate::ReadBytes(const char* key, const std::string& fallback) const {
  return corekit::WideToUtf8(ReadText(key, corekit::Utf8ToWide(fallback)));
}

void ovUpdate::ReadServerSlots(const char* tag) {
  StoreConfigAsUtf16(ConfigPath());
  MediaServerList& servers = m_pHost->GetServerList();
  for (const update::ServerKeys& keys : update::kServerKeys) {
    (servers.*keys.setName)(ReadText(keys.nameKey, DefaultMediaServerSlots()[keys.slot].strName));
    const std::string domain = ReadBytes(keys.domainKey, DefaultMediaServerSlots()[keys.slot].strDomain);
    (servers.*keys.setDomain)(domain);
    LOG_METHOD_TAG(LOG_LEVEL_INFO, tag, keys.domainSetter << " strVal = " << domain);
  }
  const SpeedSettings speed = ParseSpeedSettings([this](const char* key) { return ReadBytes(key, ""); });
  servers.SetSpeed(speed);
  if (speed.IsEnabled()) {
    LOG_METHOD_TAG(LOG_LEVEL_INFO, tag, "speedUrl = " << speed.strSpeedUrl << ", uploadUrl = " << speed.strUploadUrl
                                        << ", minDownKbps = " << speed.nMinDownKbps << ", minUpKbps = " << speed.nMinUpKbps);
  }
}

bool ovUpdate::ParseLocalConfig() {
  ReadServerSlots("ovUpdate::ParseLocalConfig");
  return true;
}

std::string ovUpdate::DownloadedConfigPath() const { return ConfigPath() + update::kDownloadSuffix; }

bool ovUpdate::StartDownloadConfig() {
  if (m_strConfigUrl.empty() || !m_pHttpGetFile) return false;
  // The previous file stays until the fresh copy has arrived whole and reads
  // as a configuration (TakeDownloadedConfig), so a failed download, an error
  // page or garbage keeps the last good configuration for the next run.
  m_pHttpGetFile->SetMaxBytes(update::kMaxConfigBytes);
  const int code = m_pHttpGetFile->StartDownload(m_strConfigUrl, this, DownloadedConfigPath(), 0, 0);
  LOG_METHOD(LOG_LEVEL_INFO, "m_strConfigUrl = " << m_strConfigUrl << ", start = " << code);
  return code == 0;
}

void ovUpdate::OnDownloadResult(int result, IHttpGetFile* /*request*/) {
  // One download runs at a time; the package's is marked when it starts, so
  // a package URL equal to the configuration's is still the package's.
  const bool bConfig = !m_bPackageRunning;
  if (!m_hNotifyWnd || !PostMessageW(m_hNotifyWnd, WM_UPDATE_DOWNLOAD_END, static_cast<WPARAM>(result), bConfig)) {
    LOG_METHOD(LOG_LEVEL_ERROR, "download report lost, result = " << result);
  }
}

void ovUpdate::OnDownloadProgress(uint64_t received, uint64_t total) {
  // Only a changed percentage of the package is handed over, so a fast
  // download does not flood the window thread.
  if (!m_bPackageRunning) return;
  const int percent = total > 0 ? static_cast<int>(std::min<uint64_t>(received, total) * 100 / total) : -1;
  if (m_nShownPercent.exchange(percent) != percent && m_hNotifyWnd) {
    PostMessageW(m_hNotifyWnd, WM_UPDATE_PROGRESS, static_cast<WPARAM>(percent), 0);
  }
}

LRESULT CALLBACK ovUpdate::NotifyProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  ovUpdate* self = reinterpret_cast<ovUpdate*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  if (self && uMsg == WM_UPDATE_DOWNLOAD_END) {
    self->OnDownloadEnd(static_cast<int>(wParam), lParam != 0);
    return 0;
  }
  if (self && uMsg == WM_UPDATE_PROGRESS) {
    self->m_pHost->ShowPackageStage(PACKAGE_DOWNLOADING, static_cast<int>(wParam));
    return 0;
  }
  return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

void ovUpdate::OnDownloadEnd(int result, bool bConfig) {
  if (!bConfig) m_bPackageRunning = false;
  if (result != 0) {
    LOG_METHOD(LOG_LEVEL_ERROR, "download update failed! result = " << result);
    if (!bConfig) m_pHost->ShowPackageStage(PACKAGE_FAILED, -1);
    return;
  }
  if (bConfig) {
    if (TakeDownloadedConfig()) ParseDownloadConfig();
  } else {
    OnPackageDownloaded();
  }
}

bool ovUpdate::TakeDownloadedConfig() {
  const std::string downloaded = DownloadedConfigPath();
  std::ifstream in(std::filesystem::u8path(downloaded), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  bool taken = update::IsConfigText(bytes);
  if (!taken) {
    LOG_METHOD(LOG_LEVEL_ERROR, "download update failed! " << static_cast<unsigned long long>(bytes.size())
                                                           << " bytes without [" << update::kConfigSection
                                                           << "], the previous configuration stays");
  } else if (!MoveFileExW(WidePath(downloaded).c_str(), WidePath(ConfigPath()).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    LOG_METHOD(LOG_LEVEL_ERROR, "download update failed! cannot replace " << ConfigPath() << ", err = "
                                                                          << static_cast<unsigned long>(GetLastError()));
    taken = false;
  }
  if (!taken) DeleteFileW(WidePath(downloaded).c_str());
  return taken;
}

void ovUpdate::ParseDownloadConfig() {
  ReadServerSlots("ovUpdate::ParseDownloadConfig");
  m_strNewVersion = ReadText(update::kKeyVersion, L"");
  m_strReleaseNote = ReadText(update::kKeyReleaseNote, L"");
  m_strUpdate = ReadText(update::kKeyUpdate, L"");
  m_strPackUrl = ReadBytes(update::kKeyPackUrl, "");
  m_strPackSha256 = ReadBytes(update::kKeySha256, "");
  m_pHost->EnableStart();
  LOG_METHOD(LOG_LEVEL_INFO, "m_strPackUrl = " << m_strPackUrl);
  if (!m_strPackUrl.empty()) {
    std::string reason;
    const std::string name = update::PackageFileName(m_strPackUrl, &reason);
    if (!name.empty()) {
      m_strPackPath = m_strAppDataDir + name;
    } else {
      // A name that could leave the folder or name a device is never used.
      m_strPackPath.clear();
      LOG_METHOD(LOG_LEVEL_ERROR, "package name refused: " << reason);
    }
  }
  if (!m_strPackSha256.empty() && !update::IsSha256Hex(m_strPackSha256)) {
    LOG_METHOD(LOG_LEVEL_ERROR, "sha256 is not 64 hex digits; no package will match it");
  }
  LOG_METHOD(LOG_LEVEL_INFO, "m_strNewVersion = " << m_strNewVersion << ", m_strLocalVersion = " << m_strLocalVersion);
  if (update::IsUpdateOffered(m_strNewVersion, m_strLocalVersion)) {
    m_pHost->ShowUpdateFrame(m_strNewVersion, m_strReleaseNote);
  }
}

bool ovUpdate::StartDownloadPackage() {
  int code = -1;
  if (m_strPackUrl.empty() || m_strPackPath.empty() || !m_pHttpGetFile) {
    LOG_METHOD(LOG_LEVEL_ERROR, "no package to download");
  } else {
    m_nShownPercent = -2;
    m_bPackageRunning = true;
    m_pHost->ShowPackageStage(PACKAGE_DOWNLOADING, -1);
    m_pHttpGetFile->SetMaxBytes(IHttpGetFile::kMaxFileBytes);
    code = m_pHttpGetFile->StartDownload(m_strPackUrl, this, m_strPackPath, 0, 0);
    if (code != 0) m_bPackageRunning = false;
    LOG_METHOD(LOG_LEVEL_INFO, "m_strPackPath = " << m_strPackPath << ", start = " << code);
  }
  // The user accepted: say so when nothing will arrive.
  if (code != 0) m_pHost->ShowPackageStage(PACKAGE_FAILED, -1);
  return code == 0;
}

std::string ovUpdate::PackageProblem() const {
  std::ifstream in(std::filesystem::u8path(m_strPackPath), std::ios::binary | std::ios::ate);
  if (!in) return "the package cannot be read";
  const uint64_t size = static_cast<uint64_t>(in.tellg());
  in.seekg(0);
  char head[2] = {0};
  in.read(head, sizeof(head));
  const std::string name = m_strPackPath.substr(m_strPackPath.find_last_of('\\') + 1);
  return update::PackageProblem(name, size, m_pHttpGetFile->GetContentType(),
                                std::string(head, static_cast<size_t>(in.gcount())));
}

void ovUpdate::RemoveLeftoverDownloads() const {
  // GetTempFileName names ours "kalXXXX.tmp" (up to four hex digits).
  if (m_strAppDataDir.empty()) return;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(WidePath(m_strAppDataDir + "kal*.tmp").c_str(), &found);
  for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found)) {
    const std::string name = corekit::WideToUtf8(found.cFileName);
    const std::string digits = name.size() > 7 ? name.substr(3, name.size() - 7) : std::string();
    const bool ours = !digits.empty() && digits.size() <= 4 &&
                      digits.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos &&
                      !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (!ours) continue;
    if (DeleteFileW(WidePath(m_strAppDataDir + name).c_str())) {
      LOG_METHOD(LOG_LEVEL_INFO, "leftover download removed: " << name);
    } else {
      LOG_METHOD(LOG_LEVEL_ERROR, "leftover download kept: " << name << ", err = "
                                                              << static_cast<unsigned long>(GetLastError()));
    }
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

void ovUpdate::OnPackageDownloaded() {
  const std::string problem = PackageProblem();
  if (!problem.empty()) {
    LOG_METHOD(LOG_LEVEL_ERROR, "package refused: " << problem);
    DeleteFileW(WidePath(m_strPackPath).c_str());
    m_pHost->ShowPackageStage(PACKAGE_FAILED, -1);
    return;
  }
  if (!m_strPackSha256.empty()) {
    uint8_t digest[update::kSha256Bytes] = {0};
    const bool hashed = update::Sha256OfFile(m_strPackPath, digest);
    if (!hashed || !update::Sha256Matches(m_strPackSha256, digest)) {
      LOG_METHOD(LOG_LEVEL_ERROR, "package damaged, sha256 = " << (hashed ? update::Sha256Hex(digest) : "?")
                                                                 << ", expected " << m_strPackSha256);
      DeleteFileW(WidePath(m_strPackPath).c_str());
      m_pHost->ShowPackageStage(PACKAGE_DAMAGED, -1);
      return;
    }
  }
  // "Ready" only once the user is shown where it lies; the package stays
  // when the file manager cannot be started, and the log says where.
  const bool shown = OpenPackageFolder();
  if (!shown) LOG_METHOD(LOG_LEVEL_ERROR, "package kept at " << m_strPackPath << ", not shown");
  m_pHost->ShowPackageStage(shown ? PACKAGE_READY : PACKAGE_FAILED, shown ? 100 : -1);
}

bool ovUpdate::OpenPackageFolder() {
  if (m_strPackPath.empty() || !FileExists(m_strPackPath)) return false;
  // The path in quotes: a folder with commas or blanks still selects the
  // right file and cannot add parameters of its own.
  return RunFileManager("/select,\"" + m_strPackPath + "\"");
}

bool ovUpdate::RunFileManager(const std::string& parameters) {
  const INT_PTR code =
      reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, L"explorer", WidePath(parameters).c_str(), nullptr, SW_SHOWNORMAL));
  LOG_METHOD(code > 32 ? LOG_LEVEL_INFO : LOG_LEVEL_ERROR, "explorer " << parameters << ", code = " << static_cast<long long>(code));
  return code > 32;
}
