// The string tables and data items as the program reads them: from its own
// resources, through the default reader.
#include <windows.h>

#include <gtest/gtest.h>

#include "corekit/textconv.h"
#include "skinkit/format_keys.h"
#include "skinkit/resource_mgr.h"

TEST(ProgramResources, EveryLanguageLoadsFromTheResources) {
  DllResourceMgr::instance()->SetItemReader(skinkit::DefaultItemReader());
  for (const char* language : {"zh_CN", "zh_TW", "en_US"}) {
    EXPECT_EQ(DllResourceMgr::instance()->LoadSkin("kalto", language), 0) << language;
    EXPECT_GT(wcslen(DllResourceMgr::LoadStringW("s.app.name")), 5u) << language;
  }
  DllResourceMgr::instance()->LoadSkin("kalto", "zh_CN");
  EXPECT_STREQ(DllResourceMgr::LoadStringW("s.detect.cpu"), L"\u5904\u7406\u5668");
  EXPECT_EQ(skinkit::FormatText<skinkit::fmt::kServerResult>(std::wstring(L"\u7535\u4FE1\u670D\u52A1\u56681"), 20, 1),
            L"\u7535\u4FE1\u670D\u52A1\u56681\uFF1A\u5EF6\u8FDF 20 \u6BEB\u79D2\uFF0C\u4E22\u5305 1%");
}

TEST(ProgramResources, ServerSettingsCarryTheDefaults) {
  DllResourceMgr::instance()->SetItemReader(skinkit::DefaultItemReader());
  unsigned int length = 0;
  ASSERT_EQ(DllResourceMgr::LoadData("svrdata", nullptr, &length), 0);
  std::string xml(length, '\0');
  ASSERT_EQ(DllResourceMgr::LoadData("svrdata", &xml[0], &length), 0);
  EXPECT_NE(xml.find("lost=\"1\" deley=\"35\" times=\"100\""), std::string::npos);
}

TEST(ProgramResources, SystemCodePageConversionRoundTrips) {
  const std::wstring text = L"Intel(R) Ethernet";
  EXPECT_EQ(corekit::AcpToWide(corekit::WideToAcp(text)), text);
  EXPECT_EQ(corekit::AcpToWide(""), L"");
}
