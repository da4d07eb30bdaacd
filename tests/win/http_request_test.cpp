// The HTTP request and client against the web stand-in, under the program's
// own host names.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#include "netlib/http_client.h"
#include "web_test_support.h"

using namespace std::chrono_literals;

namespace {

const std::string kBase = "http://ip.orvane.com";
// Nothing listens there: connections are refused at once.
const std::string kRefused = "http://127.0.0.1:1/orvane/api/v1/trueip";

class WebTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (WebStandinAddress().empty()) GTEST_SKIP() << "needs the web stand-in (tests/fixtures/netns_wine.sh)";
    ASSERT_EQ(WebControl("reset"), "ok");
  }
};

// Holds one reference for the test's scope.
struct RequestRef {
  RequestRef() : p(new CHttpRequest()) { p->AddReference(); }
  ~RequestRef() {
    if (p) p->ReleaseReference();
  }
  void Release() {
    p->ReleaseReference();
    p = nullptr;
  }
  CHttpRequest* p;
};

}  // namespace

using HttpRequestTest = WebTest;

// The stand-in's TLS port takes TLS 1.2 and later only, as current servers
// do, with a certificate for the service's names from a test authority the
// namespace trusts.
TEST_F(HttpRequestTest, StatusDecidesTheResultAndTheBodyComesWhole) {
  struct Case {
    std::string url;
    int result;
    std::string bodyPart;
  } cases[] = {
      {kBase + "/orvane/api/v1/trueip", HTTP_REQUEST_OK, "\"clientIp\": \"203.0.113.7\""},
      {kBase + "/t/status/404", HTTP_REQUEST_HTTP_ERROR, "status 404"},
      {kBase + "/t/status/500", HTTP_REQUEST_HTTP_ERROR, "status 500"},
      {kBase + "/t/chunked", HTTP_REQUEST_OK, "{\"ok\": true}"},
      {kBase + "/t/redirect/orvane/api/v1/trueip", HTTP_REQUEST_OK, "203.0.113.7"},
      {"https://ip.orvane.com/orvane/api/v1/trueip", HTTP_REQUEST_OK, "203.0.113.7"},
      {"https://download.orvane.com/download/kalto/kalto.ini", HTTP_REQUEST_OK, "[KALTO_CH]"},
      // The same server under a name its certificate does not carry.
      {"https://" + WebStandinAddress() + "/orvane/api/v1/trueip", HTTP_REQUEST_BAD_URL, ""},
  };
  RequestRef request;
  for (const Case& c : cases) {
    RecordingRequestSink sink;
    ASSERT_EQ(request.p->Get(c.url, &sink, 5), 0) << c.url;
    ASSERT_TRUE(sink.WaitFor(1, 20s)) << c.url;
    const auto reports = sink.Reports();
    EXPECT_EQ(reports[0].result, c.result) << c.url;
    EXPECT_NE(reports[0].body.find(c.bodyPart), std::string::npos) << c.url << ": " << reports[0].body;
  }
}

TEST_F(HttpRequestTest, RefusedConnectionEndsWith10001AfterSixAttemptsASecondApart) {
  RequestRef request;
  RecordingRequestSink sink;
  const auto start = Clock::now();
  ASSERT_EQ(request.p->Get(kRefused, &sink, 5), 0);
  ASSERT_TRUE(sink.WaitFor(1, 30s));
  const auto elapsed = sink.Reports()[0].when - start;
  EXPECT_EQ(sink.Reports()[0].result, HTTP_REQUEST_BAD_URL);
  EXPECT_TRUE(sink.Reports()[0].body.empty());
  // Five waits of one second between six refused attempts.
  EXPECT_GE(elapsed, 4500ms);
  EXPECT_LE(elapsed, 15s);
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(sink.Reports().size(), 1u);
}

TEST_F(HttpRequestTest, SecondGetWhileBusyIsRefusedAndChangesNothing) {
  RequestRef request;
  RecordingRequestSink sink;
  RecordingRequestSink other;
  ASSERT_EQ(request.p->Get(kBase + "/t/delay/1", &sink, 5), 0);
  EXPECT_EQ(request.p->Get(kBase + "/t/status/404", &other, 5), HTTP_REQUEST_BUSY);
  ASSERT_TRUE(sink.WaitFor(1, 20s));
  EXPECT_EQ(sink.Reports()[0].result, HTTP_REQUEST_OK);
  EXPECT_EQ(sink.Reports()[0].body, "{\"ok\": true}");
  std::this_thread::sleep_for(500ms);
  EXPECT_TRUE(other.Reports().empty());
  EXPECT_EQ(WebHits("/t/status/404"), 0);
  // Idle again: the next request is taken.
  ASSERT_EQ(request.p->Get(kBase + "/t/status/404", &other, 0), 0);
  ASSERT_TRUE(other.WaitFor(1, 20s));
  EXPECT_EQ(other.Reports()[0].result, HTTP_REQUEST_HTTP_ERROR);
}

TEST_F(HttpRequestTest, UnparsableUrlIsRefusedWithoutReport) {
  RequestRef request;
  RecordingRequestSink sink;
  for (const char* url : {"", "ip.orvane.com/trueip", "http://", "http://ip.orvane.com:99999/", "gopher://x/"}) {
    EXPECT_EQ(request.p->Get(url, &sink, 5), HTTP_REQUEST_BAD_URL) << url;
  }
  std::this_thread::sleep_for(1500ms);
  EXPECT_TRUE(sink.Reports().empty());
  ASSERT_EQ(request.p->Get(kBase + "/orvane/api/v1/trueip", &sink, 0), 0);  // not left busy
  ASSERT_TRUE(sink.WaitFor(1, 20s));
}

namespace {

// Which object the global operator delete below watches for.
std::atomic<void*> g_watched{nullptr};
std::atomic<bool> g_watchedFreed{false};

// Lets the last reference of its request go inside the report, as an owner
// that is done with the request may.
class ReleasingSink : public RecordingRequestSink {
 public:
  void OnRequestEnd(int result, IHttpRequest* request, CDataPackage& body) override {
    request->ReleaseReference();
    freedInside = g_watchedFreed.load();
    RecordingRequestSink::OnRequestEnd(result, request, body);
  }
  std::atomic<bool> freedInside{false};
};

}  // namespace

// Every delete of the process passes here, so a test can see when one object goes.
void operator delete(void* p) noexcept {
  if (p && p == g_watched.load()) g_watchedFreed = true;
  std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void* operator new(size_t size) {
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

TEST_F(HttpRequestTest, TheLastReferenceReleasedInsideTheReportGoesWhenTheReportReturns) {
  // A reply, and a refused connection with no attempt left: the report comes
  // from the receive callback and from the connect callback.
  for (const std::string& url : {kBase + "/orvane/api/v1/trueip", kRefused}) {
    ReleasingSink sink;
    CHttpRequest* request = new CHttpRequest();
    request->AddReference();
    g_watchedFreed = false;
    g_watched = request;
    ASSERT_EQ(request->Get(url, &sink, 0), 0) << url;
    ASSERT_TRUE(sink.WaitFor(1, 20s)) << url;
    for (int i = 0; i < 50 && !g_watchedFreed; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(sink.freedInside) << url << ": deleted under its own callback";
    EXPECT_TRUE(g_watchedFreed) << url << ": never deleted";
    g_watched = nullptr;
  }
}

TEST_F(HttpRequestTest, ReleasingTheLastReferenceEndsEverythingWithoutReport) {
  RecordingRequestSink sink;
  {
    RequestRef request;  // between refused attempts: the timer is pending
    ASSERT_EQ(request.p->Get(kRefused, &sink, 5), 0);
    std::this_thread::sleep_for(1300ms);
    request.Release();
  }
  {
    RequestRef request;  // the reply is on its way
    ASSERT_EQ(request.p->Get(kBase + "/t/delay/1", &sink, 5), 0);
    std::this_thread::sleep_for(300ms);
    request.Release();
  }
  for (int round = 0; round < 20; ++round) {  // released at once, in every state of the first attempt
    RequestRef request;
    ASSERT_EQ(request.p->Get(round % 2 ? kRefused : kBase + "/t/delay/1", &sink, 5), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(round * 3));
    request.Release();
  }
  std::this_thread::sleep_for(7s);  // past every retry and reply
  EXPECT_TRUE(sink.Reports().empty());
}

namespace {

// Records what a client reports.
class ClientRecorder : public IHttpClientSink {
 public:
  void OnConnect(int result, ITransport*) override { Add("connect " + std::to_string(result), result == 0); }
  void OnReceive(CDataPackage& body, ITransport*) override {
    Add("receive " + std::to_string(body.GetPackageLength()), false);
  }
  void OnSend(ITransport*) override { Add("send", false); }
  void OnDisconnect(int, ITransport*) override { Add("disconnect", false); }

  IHttpClient* client = nullptr;
  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> lock(mutex);
    return events;
  }
  bool WaitFor(size_t count, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex);
    return cv.wait_for(lock, limit, [&] { return events.size() >= count; });
  }

 private:
  void Add(const std::string& event, bool send) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      events.push_back(event);
      cv.notify_all();
    }
    if (send) {
      CDataPackage empty;
      client->SendData(empty);
    }
  }
  std::mutex mutex;
  std::condition_variable cv;
  std::vector<std::string> events;
};

}  // namespace

using HttpClientTest = WebTest;

TEST_F(HttpClientTest, HostileRepliesEndAsDropsWithBoundedMemory) {
  const size_t before = PrivateBytes();
  size_t largest = before;
  // The stalled body waits out the receive time-out.
  for (const char* mode : {"huge", "hugechunked", "short", "drop", "stall/40"}) {
    CSmartPointer<CHttpUrl> url(new CHttpUrl());
    ASSERT_TRUE(url->Initialize(kBase + "/t/" + mode));
    ClientRecorder recorder;
    ASSERT_EQ(CHttpManager::Instance()->Client(recorder.client, url.Get(), 1), 0);
    ASSERT_EQ(recorder.client->Open(&recorder), 0);
    const bool ended = recorder.WaitFor(2, 40s);
    largest = std::max(largest, PrivateBytes());
    recorder.client->Release();
    ASSERT_TRUE(ended) << mode;
    EXPECT_EQ(recorder.Events(), (std::vector<std::string>{"connect 0", "disconnect"})) << mode;
  }
  std::printf("private memory: %zu KiB before, at most %zu KiB while refusing the 100 MB bodies\n", before / 1024,
              largest / 1024);
  EXPECT_LT(largest - before, 16u * 1024 * 1024);
}

TEST_F(HttpClientTest, ReleaseFromAnotherThreadMidExchangeStopsItsCallbacks) {
  CSmartPointer<CHttpUrl> url(new CHttpUrl());
  ASSERT_TRUE(url->Initialize(kBase + "/t/delay/1"));
  for (int round = 0; round < 10; ++round) {
    ClientRecorder recorder;
    ASSERT_EQ(CHttpManager::Instance()->Client(recorder.client, url.Get(), 1), 0);
    ASSERT_EQ(recorder.client->Open(&recorder), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(round * 120));
    recorder.client->Release();
    const size_t seen = recorder.Events().size();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(recorder.Events().size(), seen) << "a callback after Release";
  }
}
