// Downloads of one URL into a local file. The file appears only whole: the
// bytes go to a temporary file in the target's folder, which replaces the
// target once the download succeeded and is removed on any failure.
#pragma once

#include <cstdint>
#include <string>

class IHttpGetFile;

// Results of a download (0 is success).
enum HttpGetFileResult {
  HTTP_GET_FILE_OK = 0,
  HTTP_GET_FILE_BAD_URL = 1,
  HTTP_GET_FILE_CONNECT = 2,      // no connection, or it broke off
  HTTP_GET_FILE_HTTP_STATUS = 3,  // a reply other than 200
  HTTP_GET_FILE_TOO_LARGE = 4,    // beyond kMaxFileBytes
  HTTP_GET_FILE_DISK = 5,         // the file could not be written or moved in place
  HTTP_GET_FILE_STOPPED = 6,      // Stop was called
};

class IHttpGetFileSink {
 public:
  // The end of a started download, exactly once: 0 after the whole file is
  // at the local path, else one of the results above. Arrives on a network
  // thread (on the caller's thread for a Stop); it must not wait for the
  // thread that may be calling Stop.
  virtual void OnDownloadResult(int result, IHttpGetFile* request) = 0;
  // Progress: bytes received so far and the total (0 when unknown).
  virtual void OnDownloadProgress(uint64_t received, uint64_t total) {}

 protected:
  ~IHttpGetFileSink() = default;
};

class IHttpGetFile {
 public:
  // Starts downloading `url` into `path` (a narrow path in UTF-8). Returns 0
  // when started; nonzero (and no report) when the URL is unusable or a
  // download is already running. `flag` and `option` are kept for callers
  // that pass them (0).
  virtual int StartDownload(const std::string& url, IHttpGetFileSink* sink, const std::string& path, int flag,
                            int option) = 0;
  // Ends a running download; its report (HTTP_GET_FILE_STOPPED) arrives
  // before Stop returns. Nothing runs on the sink after that.
  virtual void Stop() = 0;
  // Frees the object. A download still running ends without a report.
  virtual void Release() = 0;
  // The URL the latest download was started with.
  virtual std::string GetRequestURL() = 0;
  // The Content-Type its reply was served with; empty before the reply or
  // without one.
  virtual std::string GetContentType() = 0;
  // The largest file the downloads started from now on accept (at most
  // kMaxFileBytes, which is also the limit until this is called); a larger
  // one ends with HTTP_GET_FILE_TOO_LARGE as soon as it shows.
  virtual void SetMaxBytes(uint64_t bytes) = 0;

  static constexpr uint64_t kMaxFileBytes = 512ull * 1024 * 1024;

 protected:
  ~IHttpGetFile() = default;
};

// A new get-file object, owned by the caller (free it with Release).
IHttpGetFile* CreateHttpGetFile();
