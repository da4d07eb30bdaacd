#include "netlib/http_get_file.h"

#include <windows.h>

#include <memory>
#include <mutex>

#include "corekit/log.h"
#include "corekit/textconv.h"
#include "netlib/http_exchange.h"
#include "netlib/thread.h"

namespace {

// The folder part of a path, with its trailing separator; "." for a bare name.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

class CHttpGetFile final : public IHttpGetFile, private netlib::IExchangeSink {
 public:
  int StartDownload(const std::string& url, IHttpGetFileSink* sink, const std::string& path, int /*flag*/,
                    int /*option*/) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bRunning || !sink || path.empty()) return HTTP_GET_FILE_BAD_URL;
    CHttpUrl* parsed = new CHttpUrl();
    CSmartPointer<CHttpUrl> hold(parsed);
    if (!parsed->Initialize(url)) {
      LOG_METHOD(LOG_LEVEL_ERROR, "bad URL = " << url);
      return HTTP_GET_FILE_BAD_URL;
    }
    m_strUrl = url;
    m_strPath = path;
    m_pSink = sink;
    m_nReceived = 0;
    m_nTotal = 0;
    m_nMaxBytes = m_nNextMaxBytes;
    m_strTempPath.clear();
    m_strContentType.clear();
    m_pExchange = std::make_shared<netlib::CHttpExchange>(CThreadManager::Instance()->GetNetThread(),
                                                           static_cast<netlib::IExchangeSink*>(this));
    if (!m_pExchange->Send(*parsed, "GET", parsed->GetRequestTarget(), std::string())) {
      LOG_METHOD(LOG_LEVEL_ERROR, "WinHTTP refused, error = " << static_cast<unsigned long>(::GetLastError()));
      m_pExchange->Close();
      return HTTP_GET_FILE_CONNECT;
    }
    m_bRunning = true;
    LOG_METHOD(LOG_LEVEL_INFO, "url = " << url << ", path = " << path);
    return HTTP_GET_FILE_OK;
  }

  void Stop() override {
    if (!EndExchange()) return;
    Discard();
    LOG_METHOD(LOG_LEVEL_INFO, "stopped, url = " << GetRequestURL());
    m_pSink->OnDownloadResult(HTTP_GET_FILE_STOPPED, this);
  }

  void Release() override {
    if (EndExchange()) Discard();
    delete this;
  }

  std::string GetRequestURL() override {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_strUrl;
  }

  std::string GetContentType() override {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_strContentType;
  }

  void SetMaxBytes(uint64_t bytes) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nNextMaxBytes = bytes < kMaxFileBytes ? bytes : kMaxFileBytes;
  }

 private:
  ~CHttpGetFile() = default;

  // Closes the exchange (waiting for a report being handled elsewhere); true
  // when a download was running, which the caller then ends.
  bool EndExchange() {
    std::shared_ptr<netlib::CHttpExchange> exchange;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      exchange = m_pExchange;
    }
    if (exchange) exchange->Close();
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool running = m_bRunning;
    m_bRunning = false;
    return running;
  }

  // Removes the partial file.
  void Discard() {
    if (m_hFile != INVALID_HANDLE_VALUE) {
      ::CloseHandle(m_hFile);
      m_hFile = INVALID_HANDLE_VALUE;
    }
    if (!m_strTempPath.empty()) {
      ::DeleteFileW(corekit::Utf8ToWide(m_strTempPath).c_str());
      m_strTempPath.clear();
    }
  }

  // Ends the download from a report on the network thread.
  void Finish(int result) {
    if (m_pExchange) m_pExchange->Close();
    if (result != HTTP_GET_FILE_OK) Discard();
    LOG_METHOD(result == HTTP_GET_FILE_OK ? LOG_LEVEL_INFO : LOG_LEVEL_ERROR,
               "result = " << result << ", url = " << GetRequestURL() << ", bytes = "
                           << static_cast<unsigned long long>(m_nReceived));
    // Once not running, the next StartDownload may replace the sink.
    IHttpGetFileSink* sink = m_pSink;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_bRunning = false;
    }
    sink->OnDownloadResult(result, this);
  }

  void OnExchangeSent() override {
    if (!m_pExchange->Receive()) Finish(HTTP_GET_FILE_CONNECT);
  }

  bool OnExchangeHeaders(int status, uint64_t length, bool known) override {
    if (status != 200) {
      LOG_METHOD(LOG_LEVEL_ERROR, "status = " << status);
      Finish(HTTP_GET_FILE_HTTP_STATUS);
      return false;
    }
    if (known && length > m_nMaxBytes) {
      LOG_METHOD(LOG_LEVEL_ERROR, "length = " << static_cast<unsigned long long>(length) << ", above "
                                              << static_cast<unsigned long long>(m_nMaxBytes));
      Finish(HTTP_GET_FILE_TOO_LARGE);
      return false;
    }
    m_nTotal = known ? length : 0;
    {
      const std::string type = m_pExchange->ContentType();
      std::lock_guard<std::mutex> lock(m_mutex);
      m_strContentType = type;
    }
    wchar_t temp[MAX_PATH + 1] = {};
    if (!::GetTempFileNameW(corekit::Utf8ToWide(FolderOf(m_strPath)).c_str(), L"kal", 0, temp)) {
      LOG_METHOD(LOG_LEVEL_ERROR, "no temporary file, error = " << static_cast<unsigned long>(::GetLastError()));
      Finish(HTTP_GET_FILE_DISK);
      return false;
    }
    m_strTempPath = corekit::WideToUtf8(temp);
    m_hFile = ::CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE) {
      Finish(HTTP_GET_FILE_DISK);
      return false;
    }
    return true;
  }

  bool OnExchangeData(const char* data, size_t size) override {
    if (m_nReceived + size > m_nMaxBytes) {
      LOG_METHOD(LOG_LEVEL_ERROR, "more than " << static_cast<unsigned long long>(m_nMaxBytes) << " bytes");
      Finish(HTTP_GET_FILE_TOO_LARGE);
      return false;
    }
    DWORD written = 0;
    if (!::WriteFile(m_hFile, data, static_cast<DWORD>(size), &written, nullptr) || written != size) {
      LOG_METHOD(LOG_LEVEL_ERROR, "write failed, error = " << static_cast<unsigned long>(::GetLastError()));
      Finish(HTTP_GET_FILE_DISK);
      return false;
    }
    m_nReceived += size;
    m_pSink->OnDownloadProgress(m_nReceived, m_nTotal);
    return true;
  }

  void OnExchangeEnd() override {
    const bool flushed = ::FlushFileBuffers(m_hFile) != FALSE;
    ::CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    if (!flushed || !::MoveFileExW(corekit::Utf8ToWide(m_strTempPath).c_str(), corekit::Utf8ToWide(m_strPath).c_str(),
                                   MOVEFILE_REPLACE_EXISTING)) {
      LOG_METHOD(LOG_LEVEL_ERROR, "move failed, error = " << static_cast<unsigned long>(::GetLastError()));
      Finish(HTTP_GET_FILE_DISK);
      return;
    }
    m_strTempPath.clear();
    Finish(HTTP_GET_FILE_OK);
  }

  void OnExchangeError(bool /*connecting*/, unsigned long error) override { Finish(HTTP_GET_FILE_CONNECT); }

  std::mutex m_mutex;  // m_bRunning, m_strUrl, m_strContentType and m_pExchange, read on other threads
  bool m_bRunning = false;
  std::string m_strUrl;
  std::string m_strContentType;  // under m_mutex
  std::string m_strPath;
  IHttpGetFileSink* m_pSink = nullptr;
  std::shared_ptr<netlib::CHttpExchange> m_pExchange;
  std::string m_strTempPath;
  HANDLE m_hFile = INVALID_HANDLE_VALUE;
  uint64_t m_nReceived = 0;
  uint64_t m_nTotal = 0;
  uint64_t m_nNextMaxBytes = kMaxFileBytes;  // set by SetMaxBytes, under m_mutex
  uint64_t m_nMaxBytes = kMaxFileBytes;      // the running download's limit
};

}  // namespace

IHttpGetFile* CreateHttpGetFile() { return new CHttpGetFile(); }
