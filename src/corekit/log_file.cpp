#include "corekit/log_file.h"

#include <algorithm>
#include <ctime>
#include <system_error>
#include <vector>

#include "corekit/log_platform.h"

namespace fs = std::filesystem;

namespace {
bool IsLogFileName(const std::string& name) {
  return name.size() > 10 && name.compare(0, 6, "kalto_") == 0 &&
         name.compare(name.size() - 4, 4, ".log") == 0;
}

std::FILE* OpenForAppend(const fs::path& path) {
#ifdef _WIN32
  return _wfopen(path.c_str(), L"ab");
#else
  return std::fopen(path.c_str(), "ab");
#endif
}
}  // namespace

LogFile::LogFile(fs::path folder, int keptFiles) : m_folder(std::move(folder)), m_nKeptFiles(keptFiles) {}

LogFile::~LogFile() {
  if (m_pFile) std::fclose(m_pFile);
}

std::string LogFile::FileName(int year, int month, int day, int hour, int minute, int second,
                              unsigned long pid) {
  char name[64];
  std::snprintf(name, sizeof(name), "kalto_%04d%02d%02d_%02d%02d%02d_%lu.log", year, month, day, hour,
                minute, second, pid);
  return name;
}

void LogFile::Prune(const fs::path& folder, int kept) {
  std::error_code ec;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec) && IsLogFileName(it->path().filename().u8string())) {
      files.push_back(it->path());
    }
  }
  if (static_cast<int>(files.size()) <= kept) return;
  std::sort(files.begin(), files.end());
  for (size_t i = 0; i + kept < files.size(); ++i) fs::remove(files[i], ec);
}

bool LogFile::Open() {
  if (m_pFile) return true;
  if (m_bFailed || m_folder.empty()) return false;
  std::error_code ec;
  fs::create_directories(m_folder, ec);
  // One file per start; make room for it among the files kept.
  Prune(m_folder, m_nKeptFiles - 1);
  std::time_t now = std::time(nullptr);
  std::tm local = *std::localtime(&now);
  m_path = m_folder / FileName(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                               local.tm_min, local.tm_sec, corekit::CurrentProcessId());
  m_pFile = OpenForAppend(m_path);
  if (!m_pFile) {
    m_bFailed = true;  // the log is lost, the program goes on
    m_path.clear();
    return false;
  }
  return true;
}

void LogFile::Append(const std::string& line) {
  if (!Open()) return;
  if (std::fwrite(line.data(), 1, line.size(), m_pFile) != line.size() || std::fputc('\n', m_pFile) == EOF) {
    return;  // a full disk costs lines, nothing else
  }
  std::fflush(m_pFile);
}
