// The base library: log lines to the character, the log file, text
// conversions, byte packages and time values.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "corekit/data_package.h"
#include "corekit/log.h"
#include "corekit/log_file.h"
#include "corekit/textconv.h"
#include "corekit/time_value.h"

namespace fs = std::filesystem;
using corekit::Utf8ToWide;
using corekit::WideToUtf8;

namespace {

fs::path FreshFolder(const std::string& name) {
  fs::path folder = fs::temp_directory_path() / ("kalto_test_" + name);
  fs::remove_all(folder);
  return folder;
}

std::vector<std::string> ReadLines(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Hex(const void* p) {
  char text[32];
  std::snprintf(text, sizeof(text), "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
  return text;
}

// The text part of a log line: what follows "time [thread] LEVEL ".
std::string TextOf(const std::string& line) {
  const size_t start = line.find("] ");
  return line.substr(start + 2 + 6);
}

struct Widget {
  int line = 0;
  void Report(int value) {
    line = __LINE__ + 1;
    LOG_METHOD(LOG_LEVEL_INFO, "DetectState = " << value << ", name = " << L"网卡");
  }
};

int g_freeLine = 0;
void FreeFunction() {
  g_freeLine = __LINE__ + 1;
  LOG_FUNC(LOG_LEVEL_INFO, "m_bNetWorkConnected = " << 1);
}

}  // namespace

TEST(LogRecorder, AppendsTextAndIntegersWithinItsBuffer) {
  CLogWrapper::CRecorder rec;
  rec.Advance("a = ") << -42 << ", b = " << 4294967295u << ", c = " << -9000000000LL << ", d = "
                      << 18446744073709551615ULL;
  EXPECT_STREQ(rec.c_str(), "a = -42, b = 4294967295, c = -9000000000, d = 18446744073709551615");

  CLogWrapper::CRecorder full;
  const std::string chunk(1000, 'x');
  for (int i = 0; i < 6; ++i) full.Advance(chunk.c_str());
  full << 12345;
  EXPECT_EQ(full.size(), 4095u);  // the 4096-byte buffer keeps its terminator
  EXPECT_EQ(std::string(full.c_str()), std::string(4095, 'x'));

  CLogWrapper::CRecorder wide;
  wide << L"摄像头" << std::wstring(L" ok");
  EXPECT_EQ(std::string(wide.c_str()), "\xE6\x91\x84\xE5\x83\x8F\xE5\xA4\xB4 ok");
  wide.Advance(nullptr);
  EXPECT_EQ(wide.size(), 12u);
}

TEST(LogRecorder, FunctionTagsComeFromPrettyNames) {
  EXPECT_EQ(corekit::FunctionTag("int DelegateDetect::OnDetectBegin(IDetectHandler*)"),
            "DelegateDetect::OnDetectBegin");
  EXPECT_EQ(corekit::FunctionTag("CCpuInfoHandler::CCpuInfoHandler()"), "CCpuInfoHandler::CCpuInfoHandler");
  EXPECT_EQ(corekit::FunctionTag("void wWinMain(HINSTANCE, int)"), "wWinMain");
  EXPECT_EQ(corekit::FunctionTag("static CLogWrapper* CLogWrapper::Instance()"), "CLogWrapper::Instance");
  EXPECT_EQ(corekit::FunctionTag("const std::map<int, int>& Foo::Bar(int) const"), "Foo::Bar");
  EXPECT_EQ(corekit::FunctionTag("bool Foo::operator()(int)"), "Foo::operator()");
  EXPECT_EQ(corekit::FunctionTag(nullptr), "");
}

TEST(LogFile, LinesHaveTheThreeShapesToTheCharacter) {
  const fs::path folder = FreshFolder("shapes");
  CLogWrapper::Instance()->SetDirectory(folder.u8string());

  Widget widget;
  widget.Report(2);
  FreeFunction();
  int assertLine = __LINE__ + 1;
  LOG_ASSERT(1 + 1 == 3);
  LOG_ASSERT(2 + 2 == 4);  // holds: writes nothing
  LOG_FUNC_TAG(LOG_LEVEL_INFO, "wWinMain", "_tWinMain");

  const fs::path file = fs::u8path(CLogWrapper::Instance()->GetFilePath());
  ASSERT_EQ(file.parent_path(), folder);
  const std::vector<std::string> lines = ReadLines(file);
  ASSERT_EQ(lines.size(), 4u);

  EXPECT_EQ(TextOf(lines[0]), "[this=" + Hex(&widget) + "][{anonymous}::Widget::Report:" +
                                  std::to_string(widget.line) + "][DetectState = 2, name = \xE7\xBD\x91\xE5\x8D\xA1]");
  EXPECT_EQ(TextOf(lines[1]), "[{anonymous}::FreeFunction:" + std::to_string(g_freeLine) + "][m_bNetWorkConnected = 1]");
  const std::string test = "LogFile_LinesHaveTheThreeShapesToTheCharacter_Test::TestBody";
  EXPECT_EQ(TextOf(lines[2]), "[" + test + ":" + std::to_string(assertLine) + "][" + std::string(__FILE__) + ":" +
                                  std::to_string(assertLine) + " Assert failed: 1 + 1 == 3]");
  EXPECT_NE(TextOf(lines[3]).find("[wWinMain:"), std::string::npos);

  // Time with milliseconds, thread id, level.
  const std::regex prefix(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[ *\d+\] (INFO |ERROR) \[.*\]$)");
  for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, prefix)) << line;
  EXPECT_NE(lines[2].find(" ERROR "), std::string::npos);
  EXPECT_NE(lines[0].find(" INFO  "), std::string::npos);
}

TEST(LogFile, KeepsTheNewestTenFiles) {
  const fs::path folder = FreshFolder("rotation");
  fs::create_directories(folder);
  for (int day = 1; day <= 14; ++day) {
    std::ofstream(folder / LogFile::FileName(2026, 11, day, 8, 0, 0, 100)) << "old\n";
  }
  std::ofstream(folder / "notes.txt") << "not a log\n";

  LogFile log(folder, CLogWrapper::kKeptFiles);
  log.Append("first line of this start");

  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().u8string());
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 11u);  // ten logs and the unrelated file
  EXPECT_EQ(names.front(), "kalto_20261106_080000_100.log");  // days 1 to 5 went
  EXPECT_EQ(names.back(), "notes.txt");
  EXPECT_EQ(ReadLines(log.Path()), std::vector<std::string>{"first line of this start"});
}

TEST(LogFile, HeldLinesCostNoKeptLogUntilReleased) {
  const fs::path folder = FreshFolder("held");
  fs::create_directories(folder);
  for (int day = 1; day <= CLogWrapper::kKeptFiles; ++day) {
    std::ofstream(folder / LogFile::FileName(2026, 11, day, 8, 0, 0, 100)) << "old\n";
  }
  auto names = [&] {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) found.push_back(entry.path().filename().u8string());
    std::sort(found.begin(), found.end());
    return found;
  };
  const std::vector<std::string> before = names();
  CLogWrapper::Instance()->SetDirectory(folder.u8string());
  CLogWrapper::Instance()->HoldLines();
  LOG_FUNC(LOG_LEVEL_INFO, "held line");
  EXPECT_EQ(names(), before);
  EXPECT_EQ(CLogWrapper::Instance()->GetFilePath(), "");

  CLogWrapper::Instance()->ReleaseLines();
  LOG_FUNC(LOG_LEVEL_INFO, "later line");
  const std::vector<std::string> after = names();
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.front(), before[1]) << "the oldest made room only now";
  const auto lines = ReadLines(fs::u8path(CLogWrapper::Instance()->GetFilePath()));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("held line"), std::string::npos);
  EXPECT_NE(lines[1].find("later line"), std::string::npos);
}

TEST(LogFile, AnUnwritableFolderCostsTheLogNotTheProgram) {
  const fs::path blocker = FreshFolder("blocked");
  std::ofstream(blocker) << "a file where the folder should be";
  CLogWrapper::Instance()->SetDirectory((blocker / "log").u8string());
  LOG_FUNC(LOG_LEVEL_INFO, "dropped");
  EXPECT_EQ(CLogWrapper::Instance()->GetFilePath(), "");

  CLogWrapper::Instance()->SetDirectory("");
  LOG_FUNC(LOG_LEVEL_INFO, "logging off");
  EXPECT_EQ(CLogWrapper::Instance()->GetFilePath(), "");
}

TEST(LogFile, ConcurrentWritersKeepWholeLines) {
  const fs::path folder = FreshFolder("threads");
  CLogWrapper::Instance()->SetDirectory(folder.u8string());
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) LOG_FUNC(LOG_LEVEL_INFO, "thread " << t << " line " << i);
    });
  }
  for (auto& thread : threads) thread.join();
  const auto lines = ReadLines(fs::u8path(CLogWrapper::Instance()->GetFilePath()));
  ASSERT_EQ(lines.size(), 800u);
  for (const std::string& line : lines) EXPECT_EQ(line.back(), ']') << line;
}

TEST(TextConversion, RoundTripsNonAsciiText) {
  const std::string utf8 = "KALTO \xE4\xB8\x8A\xE8\xAF\xBE \xE6\xAA\xA2\xE6\xB8\xAC \xF0\x9F\x8E\x93";  // 上课 檢測 🎓
  const std::wstring wide = Utf8ToWide(utf8);
  if (sizeof(wchar_t) == 2) {
    ASSERT_EQ(wide.size(), 14u);  // the emoji is a surrogate pair
    EXPECT_EQ(wide[12], static_cast<wchar_t>(0xD83C));
    EXPECT_EQ(wide[13], static_cast<wchar_t>(0xDF93));
  } else {
    ASSERT_EQ(wide.size(), 13u);
  }
  EXPECT_EQ(wide.substr(0, 8), std::wstring(L"KALTO \u4E0A\u8BFE"));
  EXPECT_EQ(WideToUtf8(wide), utf8);
  EXPECT_EQ(WideToUtf8(L""), "");
  EXPECT_EQ(Utf8ToWide(""), L"");
}

TEST(TextConversion, BadInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToWide("a\xFF" "b"), std::wstring(L"a\uFFFDb"));
  EXPECT_EQ(Utf8ToWide("\xE4\xB8"), std::wstring(L"\uFFFD"));          // cut short
  EXPECT_EQ(Utf8ToWide("\xC0\xAF"), std::wstring(L"\uFFFD\uFFFD"));    // overlong
  EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), std::wstring(L"\uFFFD"));  // an encoded surrogate
  EXPECT_EQ(Utf8ToWide("\xE4" "x"), std::wstring(L"\uFFFDx"));        // the next character survives
  std::wstring lone;
  lone += static_cast<wchar_t>(0xD800);
  lone += L'x';
  EXPECT_EQ(WideToUtf8(lone), "\xEF\xBF\xBDx");
}

TEST(DataPackage, ReadsMarksRewindsAndDuplicates) {
  CDataPackage empty(0, nullptr, 0, 0);
  EXPECT_EQ(empty.GetPackageLength(), 0u);
  EXPECT_EQ(empty.FlattenPackage(), "");

  CDataPackage body(16, "hello", 5);
  body.Append(" world", 6);
  char out[6] = {0};
  EXPECT_EQ(body.Read(out, 5), 5u);
  EXPECT_STREQ(out, "hello");
  body.SavePackageReadPtr();
  EXPECT_EQ(body.FlattenPackage(), " world");
  EXPECT_EQ(body.Read(out, 100), 6u);
  EXPECT_EQ(body.GetPackageLength(), 0u);
  body.RewindPackage(1);
  EXPECT_EQ(body.FlattenPackage(), " world");
  body.RewindPackage(0);
  EXPECT_EQ(body.FlattenPackage(), "hello world");

  CDataPackage* copy = body.DuplicatePackage();
  body.Append("!", 1);
  EXPECT_EQ(copy->FlattenPackage(), "hello world");
  copy->DestroyPackage();

  const std::string binary("a\0b", 3);
  CDataPackage bytes(0, binary.data(), binary.size());
  EXPECT_EQ(bytes.FlattenPackage(), binary);
}

TEST(TimeValue, IsNormalisedAndComparable) {
  CTimeValueWrapper one(1, 0);
  EXPECT_EQ(one.GetTotalInMsec(), 1000);
  CTimeValueWrapper carried(1, 2500000);
  EXPECT_EQ(carried.GetSec(), 3);
  EXPECT_EQ(carried.GetUsec(), 500000);
  CTimeValueWrapper negative(2, -1);
  EXPECT_EQ(negative.GetSec(), 1);
  EXPECT_EQ(negative.GetUsec(), 999999);
  EXPECT_EQ((carried - one).GetTotalInUsec(), 2500000);
  EXPECT_TRUE(one < carried);
  EXPECT_TRUE(one + CTimeValueWrapper(2, 500000) == carried);
}
