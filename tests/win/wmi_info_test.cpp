// The WMI helper against Wine's WMI service, and the variant-to-text table.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "probe_test_support.h"
#include "stalled_wmi.h"
#include "sysinfo/wmi_info.h"
#include "sysinfo/wmi_variant.h"

using probetest::LogLinesWith;
using probetest::RunOnWorker;
using sysinfo::WmiVariantToText;

namespace {

SAFEARRAY* StringArray(const std::vector<const wchar_t*>& texts) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size()));
  for (LONG i = 0; i < static_cast<LONG>(texts.size()); ++i) {
    BSTR text = texts[i] ? SysAllocString(texts[i]) : nullptr;
    SafeArrayPutElement(array, &i, text);
    SysFreeString(text);
  }
  return array;
}

std::wstring TextOfArray(VARTYPE type, SAFEARRAY* array) {
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_ARRAY | type;
  V_ARRAY(&value) = array;
  std::wstring text = WmiVariantToText(value);
  VariantClear(&value);
  return text;
}

}  // namespace

TEST(WmiVariant, ScalarsByTypeTag) {
  VARIANT value;
  VariantInit(&value);
  EXPECT_EQ(WmiVariantToText(value), L"");  // VT_EMPTY
  V_VT(&value) = VT_NULL;
  EXPECT_EQ(WmiVariantToText(value), L"");
  V_VT(&value) = VT_I4;
  V_I4(&value) = -1800;
  EXPECT_EQ(WmiVariantToText(value), L"-1800");
  V_VT(&value) = VT_UI1;
  V_UI1(&value) = 200;
  EXPECT_EQ(WmiVariantToText(value), L"200");
  V_VT(&value) = VT_UI4;
  V_UI4(&value) = 4000000000u;
  EXPECT_EQ(WmiVariantToText(value), L"4000000000");  // unsigned, never negative
  V_VT(&value) = VT_BOOL;
  V_BOOL(&value) = VARIANT_TRUE;
  EXPECT_EQ(WmiVariantToText(value), L"\u662F");
  V_BOOL(&value) = 1;  // anything but VARIANT_TRUE is "no"
  EXPECT_EQ(WmiVariantToText(value), L"\u5426");
  V_VT(&value) = VT_R8;
  V_R8(&value) = 2.5;
  EXPECT_EQ(WmiVariantToText(value), L"");
  V_VT(&value) = VT_BSTR;
  V_BSTR(&value) = nullptr;
  EXPECT_EQ(WmiVariantToText(value), L"");
  V_BSTR(&value) = SysAllocStringLen(L"eth0\0tail", 9);
  EXPECT_EQ(WmiVariantToText(value), L"eth0");
  VariantClear(&value);
}

TEST(WmiVariant, ArraysGiveTheirFirstStringOrHexGroups) {
  EXPECT_EQ(TextOfArray(VT_BSTR, StringArray({L"192.168.1.5", L"fe80::1"})), L"192.168.1.5");
  EXPECT_EQ(TextOfArray(VT_BSTR, StringArray({nullptr, L"fe80::1"})), L"");
  EXPECT_EQ(TextOfArray(VT_BSTR, StringArray({})), L"");

  SAFEARRAY* bytes = SafeArrayCreateVector(VT_I4, 0, 3);
  const LONG values[] = {0x0A, 0xFF, 0x1B};
  for (LONG i = 0; i < 3; ++i) SafeArrayPutElement(bytes, &i, const_cast<LONG*>(&values[i]));
  EXPECT_EQ(TextOfArray(VT_I4, bytes), L"0AFF1B");
  EXPECT_EQ(TextOfArray(VT_I4, SafeArrayCreateVector(VT_I4, 0, 600)).size(), 1040u);
}

TEST(WmiQuery, WithoutAConnectionEveryQueryFailsAfterOneLogLine) {
  CWmiInfo unconnected;
  WmiInstanceMap answer;
  EXPECT_FALSE(unconnected.GetMutilpleItemInfo(L"Win32_Processor", {L"Name"}, answer));
  EXPECT_TRUE(answer.empty());
  const auto lines = LogLinesWith("", &unconnected);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("[CWmiInfo::GetMutilpleItemInfo m_pWbemSvc = 0x0]"), std::string::npos);
}

TEST(WmiQuery, MissingPropertyGivesAnEmptyTextInItsPlace) {
  WmiInstanceMap answer;
  RunOnWorker([&] {
    EXPECT_TRUE(theWmiInfo.GetMutilpleItemInfo(L"Win32_OperatingSystem", {L"Caption", L"NoSuchProperty", L"Version"},
                                               answer));
  });
  ASSERT_EQ(answer.size(), 1u);
  ASSERT_EQ(answer[0].size(), 3u);
  EXPECT_FALSE(answer[0][0].empty());
  EXPECT_EQ(answer[0][1], L"");
  EXPECT_NE(answer[0][2].find(L'.'), std::wstring::npos);
}

TEST(WmiQuery, BooleansArriveAsTheTwoWordsAndInstancesAreNumberedFromZero) {
  WmiInstanceMap answer;
  RunOnWorker([&] {
    EXPECT_TRUE(theWmiInfo.GetMutilpleItemInfo(L"Win32_NetworkAdapter", {L"Description", L"PhysicalAdapter"}, answer));
  });
  int expected = 0;
  for (const auto& instance : answer) {
    EXPECT_EQ(instance.first, expected++);
    ASSERT_EQ(instance.second.size(), 2u);
    EXPECT_TRUE(instance.second[1] == L"\u662F" || instance.second[1] == L"\u5426") << instance.first;
  }
}

TEST(WmiQuery, QueryThatCannotRunFailsAndLeavesTheAnswerEmpty) {
  WmiInstanceMap answer;
  RunOnWorker([&] {
    // A query text that does not parse ("SELECT * FROM " and nothing).
    EXPECT_FALSE(theWmiInfo.GetMutilpleItemInfo(L"", {L"Name"}, answer));
  });
  EXPECT_TRUE(answer.empty());
  EXPECT_FALSE(LogLinesWith("ExecQuery HR = ").empty());
  // The helper is usable again afterwards.
  RunOnWorker([&] { EXPECT_TRUE(theWmiInfo.GetMutilpleItemInfo(L"Win32_Processor", {L"Name"}, answer)); });
  EXPECT_FALSE(answer.empty());
}

TEST(WmiQuery, UnknownClassUnderWineAnswersLikeAClassWithoutInstances) {
  // Windows reports an unknown class on the first fetch (the helper then
  // answers false); Wine ends the enumeration without an error, which is
  // the answer of a class without instances: true and nothing found.
  WmiInstanceMap answer;
  RunOnWorker([&] { EXPECT_TRUE(theWmiInfo.GetMutilpleItemInfo(L"Win32_NoSuchClass", {L"Name"}, answer)); });
  EXPECT_TRUE(answer.empty());
}

TEST(WmiQuery, ReleasedHelperAnswersFalseAndCanConnectAgain) {
  CWmiInfo helper;
  RunOnWorker([&] {
    // A thread of its own, as start-up's user-interface thread.
    helper.InitWmi();
    WmiInstanceMap answer;
    EXPECT_TRUE(helper.GetMutilpleItemInfo(L"Win32_Processor", {L"Name"}, answer));
    helper.UninitWmi();
    answer.clear();
    EXPECT_FALSE(helper.GetMutilpleItemInfo(L"Win32_Processor", {L"Name"}, answer));
    EXPECT_TRUE(answer.empty());
    helper.UninitWmi();  // a second release does nothing

    helper.InitWmi();
    EXPECT_TRUE(helper.GetMutilpleItemInfo(L"Win32_Processor", {L"Name"}, answer));
    EXPECT_FALSE(answer.empty());
    helper.UninitWmi();
    // Every initialisation was balanced: the thread has left COM.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    CoUninitialize();
  });
}

// The main thread stays in the multithreaded apartment, where the stand-in
// provider is registered.
class StalledProvider : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(StalledProvider, FailedConnectionsLeaveComBalancedAndCanBeTriedAgain) {
  StalledWmi provider;
  ASSERT_TRUE(provider.IsRegistered());
  CWmiInfo helper;
  RunOnWorker([&] {
    provider.failCreate = true;
    EXPECT_TRUE(FAILED(helper.InitWmi()));
    provider.failCreate = false;
    provider.failConnect = true;
    EXPECT_TRUE(FAILED(helper.InitWmi()));
    WmiInstanceMap answer;
    EXPECT_FALSE(helper.GetMutilpleItemInfo(L"Win32_Processor", {L"Name"}, answer));
    provider.failConnect = false;
    helper.InitWmi();
    EXPECT_TRUE(helper.GetMutilpleItemInfo(L"Win32_Processor", {L"Name"}, answer)) << "connected on the third try";
    helper.UninitWmi();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK) << "the thread is still in an apartment";
    CoUninitialize();
  });
}

TEST_F(StalledProvider, ShutdownDoesNotWaitForAStalledQuery) {
  StalledWmi provider;
  ASSERT_TRUE(provider.IsRegistered());
  provider.stallQueries = true;
  CWmiInfo helper;
  helper.InitWmi();  // on this thread, as start-up on the user-interface thread
  std::atomic<bool> answered{true};
  std::thread worker([&] {
    WmiInstanceMap answer;
    answered = helper.GetMutilpleItemInfo(L"Win32_Processor", {L"Name"}, answer);
  });
  while (provider.fetches == 0) Sleep(10);
  const ULONGLONG start = GetTickCount64();
  helper.UninitWmi();
  // A fetch lasts at most half a second; the stand-in holds an unbounded
  // one for 10 s.
  EXPECT_LT(GetTickCount64() - start, 2500u);
  worker.join();
  provider.Unstall();
  EXPECT_FALSE(answered) << "nothing was read";
  EXPECT_FALSE(LogLinesWith("shutdown, query of Win32_Processor ended", &helper).empty());
}
