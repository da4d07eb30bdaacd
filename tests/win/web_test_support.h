// Helpers of the tests that talk to tests/fixtures/web_standin.py inside the
// private network namespace: its control port, a recording request sink and
// the process's private memory.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "httprequest/httprequest.h"

// The stand-in's address (KALTO_WEB_STANDIN); empty outside the namespace.
std::string WebStandinAddress();
// GETs `query` ("set?path=/x&mode=stall") on the control port; its answer.
std::string WebControl(const std::string& query);
// The number of requests the stand-in saw for `path` ("proxy": via its proxy).
int WebHits(const std::string& path);

// Bytes of private memory the process has committed.
size_t PrivateBytes();

using Clock = std::chrono::steady_clock;

class RecordingRequestSink : public IHttpRequestSink {
 public:
  struct Report {
    int result;
    std::string body;
    Clock::time_point when;
  };
  void OnRequestEnd(int result, IHttpRequest* request, CDataPackage& body) override;
  // Waits up to `limit` for `count` reports; true when they came.
  bool WaitFor(size_t count, std::chrono::milliseconds limit);
  std::vector<Report> Reports();

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::vector<Report> m_reports;
};
