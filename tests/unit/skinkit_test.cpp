// The resource library: string-table parsing, safe formatting of the format
// texts, and lookups with their fallbacks.
#include <gtest/gtest.h>

#include <cwchar>
#include <map>

#include "skinkit/format_keys.h"
#include "skinkit/resource_mgr.h"
#include "skinkit/string_table.h"
#include "skinkit/text_format.h"

using skinkit::FormatArg;
using skinkit::FormatPrintf;
using skinkit::FormatSignature;
using skinkit::StringTable;

TEST(StringTable, ParsesKeysValuesQuotesAndEscapes) {
  std::vector<std::string> errors;
  const StringTable table = StringTable::Parse(
      "\xEF\xBB\xBF# comment\r\n"
      "s.app.name = \"KALTO \"\r\n"
      "\n"
      "s.detect.cpu=\xE5\xA4\x84\xE7\x90\x86\xE5\x99\xA8\n"
      "  s.total =   \n"
      "s.two.lines = first\\nsecond \\\"quoted\\\" back\\\\slash\n"
      "s.detect.cpu = second value ignored\n"
      "not a key = x\n"
      "s.bad.escape = \\q\n"
      "S.Upper = x\n"
      "no equals sign\n",
      &errors);
  EXPECT_EQ(*table.Find("s.app.name"), L"KALTO ");
  EXPECT_EQ(*table.Find("s.detect.cpu"), L"\u5904\u7406\u5668");
  EXPECT_EQ(*table.Find("s.total"), L"");
  EXPECT_EQ(*table.Find("s.two.lines"), L"first\nsecond \"quoted\" back\\slash");
  EXPECT_EQ(table.Find("s.bad.escape"), nullptr);
  EXPECT_EQ(table.Find("s.missing"), nullptr);
  EXPECT_EQ(table.Entries().size(), 4u);
  ASSERT_EQ(errors.size(), 5u);
  EXPECT_EQ(errors[0], "line 7: duplicate key s.detect.cpu");
  EXPECT_EQ(errors[1].substr(0, 7), "line 8:");
  EXPECT_EQ(errors[4].substr(0, 8), "line 11:");
}

TEST(TextFormat, FillsIntegersDecimalsAndWideTexts) {
  EXPECT_EQ(FormatPrintf(L"Checking item %d of %d", {1, 11}), L"Checking item 1 of 11");
  EXPECT_EQ(FormatPrintf(L"%ls\uFF0C%d \u6838\uFF0C%.2f GHz", {std::wstring(L"Intel(R) Core"), 4, 1.8}),
            L"Intel(R) Core\uFF0C4 \u6838\uFF0C1.80 GHz");
  EXPECT_EQ(FormatPrintf(L"%ls: %d ms, %d%% loss", {L"\u7535\u4FE1\u670D\u52A1\u56681", 20, 0}),
            L"\u7535\u4FE1\u670D\u52A1\u56681: 20 ms, 0% loss");
  EXPECT_EQ(FormatPrintf(L"[%5d|%-4d|%05.1f|%6ls|%-6ls|%.2ls]", {42, 7, 3.14159, L"ab", L"cd", L"xyz"}),
            L"[   42|7   |003.1|    ab|cd    |xy]");
  EXPECT_EQ(FormatPrintf(L"no conversions", {}), L"no conversions");
  EXPECT_EQ(FormatPrintf(L"%g GB", {1.5}), L"1.5 GB");
}

TEST(TextFormat, RefusesConversionsThatDoNotFitTheirArguments) {
  bool ok = true;
  // A bare %s, a wrong kind, a missing argument, a surplus argument, a length modifier.
  EXPECT_EQ(FormatPrintf(L"a%sb", {L"x"}, &ok), L"ab");
  EXPECT_FALSE(ok);
  EXPECT_EQ(FormatPrintf(L"%d items", {L"nine"}, &ok), L" items");
  EXPECT_FALSE(ok);
  EXPECT_EQ(FormatPrintf(L"%d of %d", {3}, &ok), L"3 of ");
  EXPECT_FALSE(ok);
  FormatPrintf(L"%d", {1, 2}, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(FormatPrintf(L"%ld %n %p %x %", {1, 2, 3, 4}, &ok), L"    ");
  EXPECT_FALSE(ok);
  EXPECT_EQ(FormatPrintf(L"%.2f GB", {2.5}, &ok), L"2.50 GB");
  EXPECT_TRUE(ok);
}

TEST(TextFormat, SignaturesListTheArgumentKindsInOrder) {
  std::string sig, error;
  ASSERT_TRUE(FormatSignature(L"%d\u00D7%d\uFF0C%ls", sig, &error));
  EXPECT_EQ(sig, "dds");
  ASSERT_TRUE(FormatSignature(L"100%% sure, %.1f GB", sig));
  EXPECT_EQ(sig, "f");
  ASSERT_TRUE(FormatSignature(L"plain", sig));
  EXPECT_EQ(sig, "");
  EXPECT_FALSE(FormatSignature(L"Speaker: %s", sig, &error));
  EXPECT_NE(error.find("%ls"), std::string::npos);
  EXPECT_FALSE(FormatSignature(L"%u", sig, &error));
}

TEST(FormatKeys, CompileTimeSignatureCheck) {
  static_assert(skinkit::SignatureIs<int, int>("dd"));
  static_assert(skinkit::SignatureIs<std::wstring, int, double>("sdf"));
  static_assert(skinkit::SignatureIs<const wchar_t*>("s"));
  static_assert(!skinkit::SignatureIs<int>("dd"));
  static_assert(!skinkit::SignatureIs<unsigned>("d"));
  static_assert(skinkit::SignatureIs<>(""));
  // Every registered signature uses only the three letters.
  for (const skinkit::FormatKey* key : skinkit::kAllFormatKeys) {
    EXPECT_EQ(std::string(key->signature).find_first_not_of("dfs"), std::string::npos) << key->key;
  }
}

#ifdef _WIN32
// Why the tables write wide-string placeholders as %ls: mingw's printf family
// (ISO semantics in C++) reads a bare %s as a narrow string, %ls as wide.
TEST(TextFormat, MingwPrintfReadsLsAsWide) {
  wchar_t buffer[64];
  std::swprintf(buffer, 64, L"%ls|%d", L"\u6444\u50CF\u5934", 5);
  EXPECT_EQ(std::wstring(buffer), L"\u6444\u50CF\u5934|5");
  std::swprintf(buffer, 64, L"%s", "narrow");
  EXPECT_EQ(std::wstring(buffer), L"narrow");
}
#endif

class ResourceManager : public ::testing::Test {
 protected:
  void SetUp() override {
    items_["strings.en_US"] = "s.app.name = KALTO\ns.detect.cpu = Processor\ns.fmt.detect.err = %d problem(s) found\n";
    items_["strings.zh_CN"] = "s.app.name = KALTO \xE6\xA3\x80\xE6\xB5\x8B\ns.fmt.detect.err = \xE5\x8F\x91\xE7\x8E\xB0 %ls\n";
    items_["svrdata"] = "<SvrDetect><ICMP lost=\"1\"/></SvrDetect>";
    DllResourceMgr::instance()->SetItemReader([this](const std::string& name, std::string& bytes) {
      auto it = items_.find(name);
      if (it == items_.end()) return false;
      bytes = it->second;
      return true;
    });
  }
  std::map<std::string, std::string> items_;
};

TEST_F(ResourceManager, SelectsTheLanguageAndFallsBackToEnglish) {
  EXPECT_EQ(DllResourceMgr::instance()->LoadSkin("kalto", "zh_CN"), 0);
  EXPECT_EQ(DllResourceMgr::instance()->GetLanguage(), "zh_CN");
  EXPECT_STREQ(DllResourceMgr::LoadStringW("s.app.name"), L"KALTO \u68C0\u6D4B");
  EXPECT_STREQ(DllResourceMgr::LoadStringW("s.detect.cpu"), L"Processor");  // missing in zh_CN
  EXPECT_STREQ(DllResourceMgr::LoadStringW("s.nowhere"), L"");
  EXPECT_STREQ(DllResourceMgr::LoadStringW(nullptr), L"");
  // A table whose format does not fit its arguments yields what fits.
  EXPECT_EQ(skinkit::FormatText<skinkit::fmt::kErrorCount>(3), L"\u53D1\u73B0 ");

  EXPECT_EQ(DllResourceMgr::instance()->LoadSkin("kalto", "fr_FR"), -1);
  EXPECT_EQ(DllResourceMgr::instance()->GetLanguage(), "en_US");
  EXPECT_EQ(skinkit::FormatText<skinkit::fmt::kErrorCount>(3), L"3 problem(s) found");
}

TEST_F(ResourceManager, TextsStayValidAcrossLanguageChanges) {
  DllResourceMgr::instance()->LoadSkin("kalto", "en_US");
  const wchar_t* english = DllResourceMgr::LoadStringW("s.app.name");
  DllResourceMgr::instance()->LoadSkin("kalto", "zh_CN");
  DllResourceMgr::LoadStringW("s.app.name");
  EXPECT_STREQ(english, L"KALTO");
}

TEST_F(ResourceManager, DataItemsReportTheirLengthThenTheirBytes) {
  unsigned int length = 0;
  EXPECT_EQ(DllResourceMgr::LoadData("svrdata", nullptr, &length), 0);
  EXPECT_EQ(length, items_["svrdata"].size());
  std::string buffer(length + 1, '\0');
  EXPECT_EQ(DllResourceMgr::LoadData("svrdata", &buffer[0], &length), 0);
  EXPECT_EQ(buffer.c_str(), items_["svrdata"]);

  unsigned int small = 4;
  char four[4];
  DllResourceMgr::LoadData("svrdata", four, &small);
  EXPECT_EQ(small, 4u);
  EXPECT_EQ(std::string(four, 4), "<Svr");

  length = 99;
  EXPECT_EQ(DllResourceMgr::LoadData("absent", nullptr, &length), -1);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(DllResourceMgr::LoadData("svrdata", nullptr, nullptr), -1);
}
