// The file download against the web stand-in: the target appears only whole.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "netlib/http_get_file.h"
#include "web_test_support.h"

using namespace std::chrono_literals;

namespace {

const std::string kPackageUrl = "http://download.orvane.com/download/kalto/kalto_setup.exe";
constexpr size_t kPackageSize = 3 * 1024 * 1024 + 17;  // as web_standin.py serves it

class DownloadSink : public IHttpGetFileSink {
 public:
  void OnDownloadResult(int result, IHttpGetFile* request) override {
    std::lock_guard<std::mutex> lock(mutex);
    results.push_back(result);
    urls.push_back(request->GetRequestURL());
    cv.notify_all();
  }
  void OnDownloadProgress(uint64_t received, uint64_t total) override {
    std::lock_guard<std::mutex> lock(mutex);
    if (received < lastReceived) progressWentBack = true;
    lastReceived = received;
    lastTotal = total;
  }
  bool WaitFor(size_t count, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex);
    return cv.wait_for(lock, limit, [&] { return results.size() >= count; });
  }
  std::mutex mutex;
  std::condition_variable cv;
  std::vector<int> results;
  std::vector<std::string> urls;
  uint64_t lastReceived = 0, lastTotal = 0;
  bool progressWentBack = false;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// The names of the files in `folder`.
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (WebStandinAddress().empty()) GTEST_SKIP() << "needs the web stand-in (tests/fixtures/netns_wine.sh)";
    ASSERT_EQ(WebControl("reset"), "ok");
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder = std::string(temp) + "kalto_download_" + std::to_string(GetCurrentProcessId()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const std::string& name : FilesIn(folder)) DeleteFileA((folder + "\\" + name).c_str());
    target = folder + "\\kalto_setup.exe";
    get = CreateHttpGetFile();
  }
  void TearDown() override {
    if (get) get->Release();
  }
  std::string folder, target;
  IHttpGetFile* get = nullptr;
};

}  // namespace

TEST_F(DownloadTest, WholeFileReplacesTheTargetWithProgressAlongTheWay) {
  // Over TLS too, from the stand-in's TLS 1.2 port.
  for (const std::string& url : {kPackageUrl, std::string("https") + kPackageUrl.substr(4)}) {
    WriteFile(target, "old");
    DownloadSink sink;
    ASSERT_EQ(get->StartDownload(url, &sink, target, 0, 0), 0) << url;
    ASSERT_TRUE(sink.WaitFor(1, 60s)) << url;
    EXPECT_EQ(sink.results, std::vector<int>{HTTP_GET_FILE_OK}) << url;
    EXPECT_EQ(sink.urls[0], url);
    EXPECT_EQ(get->GetRequestURL(), url);
    const std::string data = ReadFile(target);
    ASSERT_EQ(data.size(), kPackageSize) << url;
    bool pattern = true;
    for (size_t i = 2; i < data.size() && pattern; ++i) pattern = static_cast<unsigned char>(data[i]) == i % 251;
    EXPECT_EQ(data.substr(0, 2), "MZ") << url;
    EXPECT_TRUE(pattern) << url;
    EXPECT_EQ(sink.lastReceived, kPackageSize);
    EXPECT_EQ(sink.lastTotal, kPackageSize);
    EXPECT_FALSE(sink.progressWentBack);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"kalto_setup.exe"});
  }

  // The same object downloads again; a chunked body of unknown length too.
  DownloadSink again;
  ASSERT_EQ(get->StartDownload("http://download.orvane.com/t/chunked", &again, target, 0, 0), 0);
  ASSERT_TRUE(again.WaitFor(1, 30s));
  EXPECT_EQ(again.results, std::vector<int>{HTTP_GET_FILE_OK});
  EXPECT_EQ(ReadFile(target), "{\"ok\": true}");
  EXPECT_EQ(again.lastTotal, 0u);
}

TEST_F(DownloadTest, EveryFailureLeavesTheTargetAsItWas) {
  struct Case {
    std::string url;
    int result;
  } cases[] = {
      {"http://download.orvane.com/t/status/404", HTTP_GET_FILE_HTTP_STATUS},
      {"http://download.orvane.com/t/short", HTTP_GET_FILE_CONNECT},
      {"http://download.orvane.com/t/drop", HTTP_GET_FILE_CONNECT},
      {"http://download.orvane.com/t/declare/600000000", HTTP_GET_FILE_TOO_LARGE},
      {"http://127.0.0.1:1/kalto.ini", HTTP_GET_FILE_CONNECT},
  };
  WriteFile(target, "old");
  for (const Case& c : cases) {
    DownloadSink sink;
    ASSERT_EQ(get->StartDownload(c.url, &sink, target, 0, 0), 0) << c.url;
    ASSERT_TRUE(sink.WaitFor(1, 40s)) << c.url;
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(sink.results, std::vector<int>{c.result}) << c.url;
    EXPECT_EQ(ReadFile(target), "old") << c.url;
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"kalto_setup.exe"}) << c.url;
  }
  DownloadSink sink;  // a folder that does not exist
  ASSERT_EQ(get->StartDownload(kPackageUrl, &sink, folder + "\\missing\\kalto.ini", 0, 0), 0);
  ASSERT_TRUE(sink.WaitFor(1, 30s));
  EXPECT_EQ(sink.results, std::vector<int>{HTTP_GET_FILE_DISK});
}

TEST_F(DownloadTest, StopReportsOnceBeforeReturningAndRemovesThePartialFile) {
  DownloadSink sink;
  ASSERT_EQ(get->StartDownload("http://download.orvane.com/t/stall/30", &sink, target, 0, 0), 0);
  EXPECT_NE(get->StartDownload(kPackageUrl, &sink, target, 0, 0), 0);  // one at a time
  std::this_thread::sleep_for(1s);
  get->Stop();
  EXPECT_EQ(sink.results, std::vector<int>{HTTP_GET_FILE_STOPPED});
  get->Stop();  // nothing running: no second report
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(sink.results.size(), 1u);
  EXPECT_TRUE(FilesIn(folder).empty());
  EXPECT_NE(get->StartDownload("not a url", &sink, target, 0, 0), 0);
}

TEST_F(DownloadTest, ALowerLimitEndsALargerDownloadAsSoonAsItShows) {
  WriteFile(target, "old");
  get->SetMaxBytes(1024 * 1024);
  // 100 MB without a length, a length above the limit, and the 3 MB package:
  // the limit holds for every download started after it was set.
  for (const std::string url : {"http://download.orvane.com/t/hugechunked", "http://download.orvane.com/t/declare/2000000",
                                kPackageUrl.c_str()}) {
    DownloadSink sink;
    ASSERT_EQ(get->StartDownload(url, &sink, target, 0, 0), 0) << url;
    ASSERT_TRUE(sink.WaitFor(1, 40s)) << url;
    EXPECT_EQ(sink.results, std::vector<int>{HTTP_GET_FILE_TOO_LARGE}) << url;
    EXPECT_LE(sink.lastReceived, 1024u * 1024u) << url;
    EXPECT_EQ(ReadFile(target), "old") << url;
  }
  get->SetMaxBytes(IHttpGetFile::kMaxFileBytes);
  DownloadSink sink;
  ASSERT_EQ(get->StartDownload(kPackageUrl, &sink, target, 0, 0), 0);
  ASSERT_TRUE(sink.WaitFor(1, 60s));
  EXPECT_EQ(sink.results, std::vector<int>{HTTP_GET_FILE_OK});
  EXPECT_EQ(ReadFile(target).size(), kPackageSize);
}
