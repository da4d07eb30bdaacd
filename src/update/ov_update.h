// The updater: the configuration file "kalto.ini" with the published version,
// the package URL, the release notes and the six media servers, its download
// at start-up, the update offer and the package download.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "netlib/http_get_file.h"
#include "update/update_host.h"

class ovUpdate : public IHttpGetFileSink {
 public:
  // The built-in configuration URL and the per-user folder "Orvane\KALTO".
  explicit ovUpdate(IUpdateHost* host);
  // A given configuration URL and folder (UTF-8, ending in a backslash); the
  // folder is created when missing.
  ovUpdate(IUpdateHost* host, const std::string& configUrl, const std::string& appDataDir);
  virtual ~ovUpdate();
  ovUpdate(const ovUpdate&) = delete;
  ovUpdate& operator=(const ovUpdate&) = delete;

  // The program's own file version, "a.b.c.d"; empty without a version resource.
  std::wstring GetLocalVersion() const { return m_strLocalVersion; }
  // Fills the six server slots from the previous run's file (or the defaults).
  bool ParseLocalConfig();
  // Starts the download of a fresh configuration file; true when started.
  bool StartDownloadConfig();
  // Reads the freshly downloaded file: version, notes, package, servers; enables
  // the start button and offers a different published version.
  void ParseDownloadConfig();
  // After the offer was accepted: downloads the package into the folder.
  bool StartDownloadPackage();
  // Shows the downloaded package selected in the file manager; true when the
  // file manager could be asked to.
  bool OpenPackageFolder();

  // Download reports, from the network threads; handed to the window thread.
  void OnDownloadResult(int result, IHttpGetFile* request) override;
  void OnDownloadProgress(uint64_t received, uint64_t total) override;

  const std::string& GetAppDataDir() const { return m_strAppDataDir; }
  const std::string& GetPackUrl() const { return m_strPackUrl; }
  const std::string& GetPackPath() const { return m_strPackPath; }
  const std::wstring& GetNewVersion() const { return m_strNewVersion; }
  const std::wstring& GetReleaseNote() const { return m_strReleaseNote; }

 protected:
  // Runs the file manager with `parameters` ("/select,"path""); true when
  // it was started.
  virtual bool RunFileManager(const std::string& parameters);

 private:
  static LRESULT CALLBACK NotifyProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  void OnDownloadEnd(int result, bool bConfig);
  void OnPackageDownloaded();
  // Why the downloaded package is none (empty, a web page, no program under
  // a program's name); empty when it may be one.
  std::string PackageProblem() const;
  // Removes temporary files an earlier download left in the folder (the
  // program ended without stopping it).
  void RemoveLeftoverDownloads() const;
  // Puts a downloaded file that reads as a configuration in place of the
  // previous one; false (and the download gone) otherwise.
  bool TakeDownloadedConfig();
  std::string ConfigPath() const;
  std::string DownloadedConfigPath() const;
  // A value of the file; the narrow one as UTF-8.
  std::wstring ReadText(const char* key, const std::wstring& fallback) const;
  std::string ReadBytes(const char* key, const std::string& fallback) const;
  void ReadServerSlots(const char* tag);

  IHttpGetFile* m_pHttpGetFile = nullptr;
  std::string m_strPackUrl;
  std::string m_strConfigUrl;
  std::string m_strPackPath;
  std::string m_strAppDataDir;
  std::wstring m_strNewVersion;
  std::wstring m_strLocalVersion;
  std::wstring m_strUpdate;
  std::wstring m_strReleaseNote;
  std::string m_strPackSha256;  // the optional digest of the package; empty when absent
  IUpdateHost* m_pHost;
  HWND m_hNotifyWnd = nullptr;                 // carries the download reports to the window thread
  std::atomic<bool> m_bPackageRunning{false};  // progress is shown for the package only
  std::atomic<int> m_nShownPercent{-2};         // the last percentage handed over; -2 before any
};
