#include "app/report_output.h"

#include <windows.h>

#include <functional>

#include "corekit/log.h"
#include "corekit/textconv.h"

std::wstring ReportComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &length)) {
    LOG_FUNC(LOG_LEVEL_ERROR, "GetComputerNameW failed err = " << static_cast<unsigned long>(GetLastError()));
    return std::wstring();
  }
  return std::wstring(name, length);
}

ReportClock ReportClockNow() {
  SYSTEMTIME local = {};
  GetLocalTime(&local);
  TIME_ZONE_INFORMATION zone = {};
  const DWORD kind = GetTimeZoneInformation(&zone);
  LONG bias = zone.Bias;  // UTC minus local, minutes
  if (kind == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
  if (kind == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
  if (kind == TIME_ZONE_ID_INVALID) bias = 0;
  return ReportClock{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond,
                     static_cast<int>(-bias)};
}

namespace {

// A file held by another program is tried again for this long, in steps.
constexpr int kSharedRetries = 20;
constexpr DWORD kSharedRetryMs = 100;

std::wstring TemporaryPath(const std::wstring& path) {
  return path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
}

// Runs `attempt` again while it fails because another program holds the
// file, up to about two seconds; the last error stays for the caller.
bool RetryWhileHeld(const std::function<bool()>& attempt) {
  for (int retry = 0;; ++retry) {
    if (attempt()) return true;
    const DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) || retry == kSharedRetries) return false;
    Sleep(kSharedRetryMs);
  }
}

// A report already at `path` can be replaced: not read-only, and opened for
// writing and deleting, as the rename will, beside whoever else reads it.
bool CanReplaceReport(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // nothing there yet
  const std::string shown = corekit::WideToUtf8(path);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    LOG_FUNC(LOG_LEVEL_ERROR, "report " << shown << " is a folder");
    return false;
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    LOG_FUNC(LOG_LEVEL_ERROR, "report " << shown << " is read-only");
    return false;
  }
  HANDLE file = INVALID_HANDLE_VALUE;
  const bool opened = RetryWhileHeld([&] {
    file = CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE;
  });
  if (!opened) {
    LOG_FUNC(LOG_LEVEL_ERROR, "report " << shown << " cannot be replaced err = "
                                        << static_cast<unsigned long>(GetLastError()));
    return false;
  }
  CloseHandle(file);
  return true;
}

}  // namespace

std::wstring FullReportPath(const std::wstring& path) {
  const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  std::wstring full(length, L'\0');
  const DWORD written = length ? GetFullPathNameW(path.c_str(), length, &full[0], nullptr) : 0;
  if (written == 0 || written >= length) {
    LOG_FUNC(LOG_LEVEL_ERROR, "GetFullPathNameW failed for " << corekit::WideToUtf8(path)
                                                            << " err = " << static_cast<unsigned long>(GetLastError()));
    return path;
  }
  full.resize(written);
  return full;
}

bool CanWriteReportFile(const std::wstring& path) {
  HANDLE file = CreateFileW(TemporaryPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    LOG_FUNC(LOG_LEVEL_ERROR, "report " << corekit::WideToUtf8(path) << " cannot be written err = "
                                        << static_cast<unsigned long>(GetLastError()));
    return false;
  }
  CloseHandle(file);
  return CanReplaceReport(path);
}

void WriteToConsole(const std::wstring& text, bool bError) {
  HANDLE redirected = GetStdHandle(bError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (redirected && redirected != INVALID_HANDLE_VALUE && GetFileType(redirected) != FILE_TYPE_UNKNOWN) {
    const std::string bytes = corekit::WideToUtf8(text);
    DWORD written = 0;
    WriteFile(redirected, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return;
  }
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (console != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteConsoleW(console, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(console);
  }
  FreeConsole();
}

bool WriteReportFile(const std::wstring& path, const std::string& bytes) {
  const std::wstring temporary = TemporaryPath(path);
  const std::string shown = corekit::WideToUtf8(path);
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    LOG_FUNC(LOG_LEVEL_ERROR, "report " << shown << " not created err = " << static_cast<unsigned long>(GetLastError()));
    return false;
  }
  DWORD written = 0;
  const bool whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                     written == bytes.size() && FlushFileBuffers(file);
  const DWORD writeError = GetLastError();
  CloseHandle(file);
  if (!whole || !RetryWhileHeld([&] {
        return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
      })) {
    LOG_FUNC(LOG_LEVEL_ERROR, "report " << shown << " not written err = "
                                        << static_cast<unsigned long>(whole ? GetLastError() : writeError));
    DeleteFileW(temporary.c_str());
    return false;
  }
  LOG_FUNC(LOG_LEVEL_INFO, "report " << shown << " written, bytes = " << static_cast<unsigned long>(bytes.size()));
  return true;
}
