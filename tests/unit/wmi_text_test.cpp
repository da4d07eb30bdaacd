// The texts of WMI values and the numbers the probes read back out of them.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "sysinfo/wmi_text.h"

using sysinfo::ParseWmiInt;
using sysinfo::ParseWmiInteger;

TEST(WmiText, IntegersReadLikeTheProbesExpect) {
  EXPECT_EQ(ParseWmiInteger(L"1800"), 1800);
  EXPECT_EQ(ParseWmiInteger(L"  -42abc"), -42);
  EXPECT_EQ(ParseWmiInteger(L"+7"), 7);
  EXPECT_EQ(ParseWmiInteger(L"59.94"), 59);
  EXPECT_EQ(ParseWmiInteger(L""), 0);
  EXPECT_EQ(ParseWmiInteger(L"abc"), 0);
  EXPECT_EQ(ParseWmiInteger(L"-"), 0);
  EXPECT_EQ(ParseWmiInteger(L"99999999999999999999999"), LLONG_MAX);
  EXPECT_EQ(ParseWmiInteger(L"-99999999999999999999999"), LLONG_MIN);
  EXPECT_EQ(ParseWmiInteger(L"-9223372036854775808"), LLONG_MIN);
  EXPECT_EQ(ParseWmiInt(L"4294967296"), INT_MAX);
  EXPECT_EQ(ParseWmiInt(L"-4294967296"), INT_MIN);
}

TEST(WmiText, BooleansAreTheTwoWordsOnEveryCodePage) {
  EXPECT_EQ(sysinfo::WmiBooleanText(true), L"\u662F");
  EXPECT_EQ(sysinfo::WmiBooleanText(false), L"\u5426");
}

TEST(WmiText, IntegerArraysBecomeCappedHexGroups) {
  const std::vector<int32_t> entries = {0x00, 0x1A, 0xFF, 0x1234};
  EXPECT_EQ(sysinfo::WmiHexArrayText(entries.data(), entries.size()), L"001AFF34");
  EXPECT_EQ(sysinfo::WmiHexArrayText(nullptr, 3), L"");
  const std::vector<int32_t> many(600, 0xAB);
  EXPECT_EQ(sysinfo::WmiHexArrayText(many.data(), many.size()).size(), sysinfo::kMaxWmiArrayEntries * 2);
}
