// Which network adapters the check lists, and how their addresses read.
#include <gtest/gtest.h>

#include <algorithm>

#include "probes/net/adapter_info.h"

namespace {
const std::wstring kYes = L"\u662F";
const std::wstring kNo = L"\u5426";
}  // namespace

TEST(NetAdapters, PhysicalOrConnectedAdaptersAreListed) {
  WmiInstanceMap answer;
  answer[0] = {L"Intel(R) Ethernet", kYes, L"2", L"00:1A:2B:3C:4D:5E", L"fe80::1"};
  answer[1] = {L"VirtualBox Host-Only", kNo, L"7", L"0A:00:27:00:00:00", L""};
  answer[2] = {L"Realtek unplugged", kYes, L"7", L"00:11:22:33:44:55", L""};
  answer[3] = {L"VPN tunnel", kNo, L"2", L"", L""};
  answer[4] = {L"Mirage Driver", kYes, L"2", L"", L""};
  answer[5] = {L"", kYes, L"2", L"", L""};
  answer[6] = {L"Too short", kYes};
  NetAdapterFindings findings;
  const std::wstring log = AppendWmiAdapters(answer, findings);
  ASSERT_EQ(findings.m_adapters.size(), 3u);
  EXPECT_EQ(findings.m_adapters[0].strDescription, L"Intel(R) Ethernet");
  EXPECT_EQ(findings.m_adapters[0].strAdapterName, L" ");
  EXPECT_EQ(findings.m_adapters[0].strMac, L"00:1A:2B:3C:4D:5E");
  EXPECT_EQ(findings.m_adapters[1].strDescription, L"Realtek unplugged");
  EXPECT_EQ(findings.m_adapters[2].strDescription, L"VPN tunnel");
  EXPECT_EQ(log.substr(0, log.find(L'\n') + 1), L"Intel(R) Ethernet, " + kYes + L", 2, 00:1A:2B:3C:4D:5E, fe80::1\n");
  EXPECT_EQ(std::count(log.begin(), log.end(), L'\n'), 7);

  EXPECT_TRUE(IsListedWmiAdapter({L"mirage driver", kYes, L"0", L"", L""}));  // exact-name filter only
  EXPECT_FALSE(IsListedWmiAdapter({L"Wi-Fi Direct", kNo, L"0", L"", L""}));
}

TEST(NetAdapters, MacTextsOfTwoEthernetAdapters) {
  const unsigned char first[] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  const unsigned char second[] = {0xF0, 0xDE, 0xF1, 0x0A, 0xB2, 0xC3};
  const std::wstring a = FormatMacAddress(first, sizeof(first));
  const std::wstring b = FormatMacAddress(second, sizeof(second));
  EXPECT_EQ(a, L"00-1A-2B-3C-4D-5E");
  EXPECT_EQ(b, L"F0-DE-F1-0A-B2-C3");
  EXPECT_EQ(a.size(), 17u);
  EXPECT_EQ(b.size(), 17u);
  EXPECT_EQ(FormatMacAddress(first, 0), L"");
  EXPECT_EQ(FormatMacAddress(nullptr, 6), L"");
}
