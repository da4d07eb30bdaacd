// The log file of one program start: created on the first line, in a folder
// that keeps the newest few files. Not thread-safe by itself; CLogWrapper
// serialises the calls.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

class LogFile {
 public:
  LogFile(std::filesystem::path folder, int keptFiles);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Appends one finished line (a line feed is added) and flushes it, so the
  // file is complete even if the process dies right after.
  void Append(const std::string& line);
  const std::filesystem::path& Path() const { return m_path; }

  // "kalto_20261208_021500_1234.log": sorts by start time.
  static std::string FileName(int year, int month, int day, int hour, int minute, int second,
                              unsigned long pid);
  // Deletes the oldest log files of the folder so that `kept` remain.
  static void Prune(const std::filesystem::path& folder, int kept);

 private:
  bool Open();

  std::filesystem::path m_folder;
  std::filesystem::path m_path;
  int m_nKeptFiles;
  std::FILE* m_pFile = nullptr;
  bool m_bFailed = false;
};
