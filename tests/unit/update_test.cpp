// The updater's pure rules: the release-note rows, which published version is
// offered, the package's file name from an untrusted URL, what may be a
// package at all, and the digest check.
#include <gtest/gtest.h>

#include "update/config_keys.h"
#include "update/package_check.h"
#include "update/package_digest.h"
#include "update/package_name.h"
#include "update/speed_settings.h"
#include "update/update_offer.h"

namespace {

using update::PackageFileName;
using update::SplitReleaseNotes;
using Rows = std::vector<std::wstring>;

std::string Refused(const std::string& url) {
  std::string reason;
  const std::string name = PackageFileName(url, &reason);
  return name.empty() ? reason : "accepted " + name;
}

}  // namespace

TEST(ReleaseNotes, EveryBarStartsARow) {
  EXPECT_EQ(SplitReleaseNotes(L"faster|clearer sound|fixes"), (Rows{L"faster", L"clearer sound", L"fixes"}));
  EXPECT_EQ(SplitReleaseNotes(L"one|two|"), (Rows{L"one", L"two", L""}));
  EXPECT_EQ(SplitReleaseNotes(L"only one line"), (Rows{L"only one line"}));
  EXPECT_EQ(SplitReleaseNotes(L""), (Rows{L""}));
  EXPECT_EQ(SplitReleaseNotes(L"|a||b"), (Rows{L"", L"a", L"", L"b"}));
  EXPECT_EQ(SplitReleaseNotes(L"|"), (Rows{L"", L""}));
}

TEST(UpdateOffer, AnyDifferentPublishedTextIsOffered) {
  EXPECT_FALSE(update::IsUpdateOffered(L"1.0.0.1", L"1.0.0.1"));
  EXPECT_FALSE(update::IsUpdateOffered(L"", L"1.0.0.1"));
  EXPECT_TRUE(update::IsUpdateOffered(L"1.0.0.2", L"1.0.0.1"));
  EXPECT_TRUE(update::IsUpdateOffered(L"1.0.0.0", L"1.0.0.1"));   // older counts too
  EXPECT_TRUE(update::IsUpdateOffered(L"1.0.0.01", L"1.0.0.1"));  // no numeric comparison
  EXPECT_TRUE(update::IsUpdateOffered(L"V1.0", L"v1.0"));         // letter case differs
  EXPECT_TRUE(update::IsUpdateOffered(L"1.0.0.1", L""));          // no version resource
}

TEST(PackageName, TheLastSegmentWithoutQueryOrFragment) {
  EXPECT_EQ(Refused("http://download.orvane.com/pkg/kalto_setup_1.2.exe"), "accepted kalto_setup_1.2.exe");
  EXPECT_EQ(Refused("http://download.orvane.com/x.exe?y=1"), "accepted x.exe");
  EXPECT_EQ(Refused("http://download.orvane.com/x.exe#part/2"), "accepted x.exe");
  EXPECT_EQ(Refused("http://download.orvane.com/a/b?path=/c/d.exe"), "accepted b");
  EXPECT_EQ(Refused("kalto.exe"), "accepted kalto.exe");  // no slash: the whole text
  EXPECT_EQ(Refused("http://h/my%20setup.exe"), "accepted my setup.exe");
  EXPECT_EQ(Refused("http://h/100%.exe"), "accepted 100%.exe");  // a lone percent sign stays
}

TEST(PackageName, NamesThatCouldLeaveTheFolderOrNameADeviceAreRefused) {
  EXPECT_EQ(Refused("http://h/pkg/"), "the name is empty");
  EXPECT_EQ(Refused("http://h/pkg/?x=1"), "the name is empty");
  EXPECT_EQ(Refused(""), "the name is empty");
  EXPECT_EQ(Refused("http://h/.."), "the name is a folder reference");
  EXPECT_EQ(Refused("http://h/%2E%2E"), "the name is a folder reference");
  EXPECT_EQ(Refused("http://h/."), "the name is a folder reference");
  for (const char* url : {"http://h/..%5C..%5Cx.exe", "http://h/a\\b.exe", "http://h/..%2Fx.exe", "http://h/c:x.exe",
                          "http://h/x%3F.exe", "http://h/a*b", "http://h/a%22b", "http://h/a|b", "http://h/a<b>"}) {
    EXPECT_EQ(Refused(url), "the name holds a character not allowed in file names") << url;
  }
  for (const char* url : {"http://h/a%0Ab.exe", "http://h/a%00b.exe", "http://h/a%7Fb", "http://h/%E5%AE%89.exe"}) {
    EXPECT_EQ(Refused(url), "the name holds a control or non-ASCII character") << url;
  }
  for (const char* url : {"http://h/CON", "http://h/con.exe", "http://h/NUL", "http://h/Com1.msi", "http://h/LPT9",
                          "http://h/aux.tar.gz", "http://h/PRN%20.exe", "http://h/CONOUT$"}) {
    EXPECT_EQ(Refused(url), "the name is a device name") << url;
  }
  for (const char* url : {"http://h/kalto.ini", "http://h/KALTO.INI", "http://h/kalto.ini.download",
                          "http://h/Kalto.ini.UTF16"}) {
    EXPECT_EQ(Refused(url), "the name is one of the program's own files") << url;
  }
  EXPECT_EQ(Refused("http://h/kalto.ini.exe"), "accepted kalto.ini.exe");
  EXPECT_EQ(Refused("http://h/COM0.exe"), "accepted COM0.exe");
  EXPECT_EQ(Refused("http://h/CONSOLE.exe"), "accepted CONSOLE.exe");
  EXPECT_EQ(Refused("http://h/x.exe."), "the name ends in a dot or a blank");
  EXPECT_EQ(Refused("http://h/x.exe%20"), "the name ends in a dot or a blank");
  EXPECT_EQ(Refused("http://h/" + std::string(201, 'a')), "the name is too long");
  EXPECT_EQ(Refused("http://h/" + std::string(200, 'a')), "accepted " + std::string(200, 'a'));
}

TEST(PackageCheck, EmptyBodiesWebPagesAndProgramsThatAreNoneAreRefused) {
  struct Row {
    const char* name;
    uint64_t size;
    const char* type;
    const char* head;
    const char* problem;
  } rows[] = {
      {"setup.exe", 0, "application/octet-stream", "", "the package is empty"},
      {"setup.exe", 512, "text/html", "MZ", "the package was served as text/html"},
      {"setup.msi", 512, " Text/HTML ; charset=utf-8", "<h", "the package was served as text/html"},
      {"setup.exe", 512, "application/octet-stream", "<h", "the package is named .exe but is not a Windows program"},
      {"SETUP.EXE", 1, "", "M", "the package is named .exe but is not a Windows program"},
      {"setup.exe", 512, "application/x-msdownload", "MZ", ""},
      {"setup.msi", 512, "", "\xD0\xCF", ""},  // no mark asked of other names
      {"setup.zip", 512, "text/plain", "PK", ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(update::PackageProblem(row.name, row.size, row.type, row.head), row.problem)
        << row.name << " " << row.type;
  }
}

TEST(PackageDigest, TheKeyMustNameTheDigestExactly) {
  uint8_t digest[update::kSha256Bytes];
  for (size_t i = 0; i < sizeof(digest); ++i) digest[i] = static_cast<uint8_t>(i * 37 + 5);
  const std::string hex = update::Sha256Hex(digest);
  ASSERT_EQ(hex.substr(0, 8), "052a4f74");
  EXPECT_TRUE(update::Sha256Matches(hex, digest));
  std::string upper = hex;
  for (char& c : upper) c = static_cast<char>(toupper(c));
  EXPECT_TRUE(update::Sha256Matches(upper, digest));
  std::string flipped = hex;
  flipped[63] = flipped[63] == '0' ? '1' : '0';
  EXPECT_FALSE(update::Sha256Matches(flipped, digest));
  EXPECT_FALSE(update::Sha256Matches(hex.substr(0, 63), digest));
  EXPECT_FALSE(update::Sha256Matches(hex + "0", digest));
  EXPECT_FALSE(update::Sha256Matches(" " + hex.substr(1), digest));
  std::string notHex = hex;
  notHex[10] = 'g';
  EXPECT_FALSE(update::Sha256Matches(notHex, digest));
  EXPECT_FALSE(update::Sha256Matches("", digest));
}

TEST(ConfigKeys, TheFileIsReadAsUtf16WithItsMark) {
  using update::ConfigTextAsUtf16;
  const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("a\0=\0\x35\x75\xAC\x4E\x3D\xD8\x00\xDE", 12);
  // "a=电京" and U+1F600 beyond the basic plane, as UTF-8 with and without its mark.
  const std::string utf8 = "a=\xE7\x94\xB5\xE4\xBA\xAC\xF0\x9F\x98\x80";
  EXPECT_EQ(ConfigTextAsUtf16(utf8), utf16);
  EXPECT_EQ(ConfigTextAsUtf16("\xEF\xBB\xBF" + utf8), utf16);
  EXPECT_EQ(ConfigTextAsUtf16(utf16), utf16);
  EXPECT_EQ(ConfigTextAsUtf16(""), std::string("\xFF\xFE", 2));
  EXPECT_EQ(ConfigTextAsUtf16("\xFF").substr(2), std::string("\xFD\xFF", 2));  // a bad byte: U+FFFD
}

TEST(ConfigKeys, OnlyAFileWithItsSectionStandsForTheConfiguration) {
  using update::IsConfigText;
  EXPECT_TRUE(IsConfigText("[KALTO_CH]\r\nversion=1.0.0.2\r\n"));
  EXPECT_TRUE(IsConfigText("; published\n  [ kalto_ch ]  \ncncDomain1=a"));  // as the profile functions read it
  EXPECT_TRUE(IsConfigText("\xEF\xBB\xBFversion=1\n[KALTO_CH]"));               // a mark, the section last
  EXPECT_TRUE(IsConfigText(update::ConfigTextAsUtf16("[KALTO_CH]\r\nurl=x\r\n")));
  EXPECT_FALSE(IsConfigText(""));
  EXPECT_FALSE(IsConfigText("<html><body>Service temporarily unavailable</body></html>"));
  EXPECT_FALSE(IsConfigText("[KALTO_CH"));        // cut inside the section line
  EXPECT_FALSE(IsConfigText("[OTHER]\nx=[KALTO_CH]"));  // named, but not as a section
  EXPECT_FALSE(IsConfigText(std::string("\0\xFF\x01[KALTO_CH]\xFE", 14)));  // not in a line of its own
  std::string large = "[KALTO_CH]\n" + std::string(update::kMaxConfigBytes, ';');
  EXPECT_FALSE(IsConfigText(large));
  large.resize(update::kMaxConfigBytes);
  EXPECT_TRUE(IsConfigText(large));
}

TEST(ConfigKeys, SlotsAreReadInTheirOwnOrderThroughTheirSetters) {
  for (int i = 0; i < MEDIA_SERVER_SLOTS; ++i) EXPECT_EQ(update::kServerKeys[i].slot, i);
  EXPECT_STREQ(update::kServerKeys[SLOT_CTC2].domainKey, "ctcDomain2");
  MediaServerList list;
  (list.*update::kServerKeys[SLOT_CMC1].setDomain)("10.0.0.5");
  (list.*update::kServerKeys[SLOT_CMC1].setName)(L"M");
  EXPECT_EQ(list.Slots()[SLOT_CMC1].strDomain, "10.0.0.5");
  EXPECT_EQ(list.Slots()[SLOT_CMC1].strName, L"M");
  EXPECT_EQ(list.Slots()[SLOT_CMC2].strDomain, DefaultMediaServerSlots()[SLOT_CMC2].strDomain);
}

TEST(ConfigKeys, SpeedSettingsTakeOnlyWholeLimitsInRange) {
  const auto parse = [](const std::string& min) {
    return ParseSpeedSettings([&](const char* key) -> std::string {
      if (std::string(key) == update::kKeySpeedUrl) return "http://download.orvane.com/speed.bin";
      return std::string(key) == update::kKeyMinDownKbps ? min : std::string();
    });
  };
  const SpeedSettings settings = parse("1500");
  EXPECT_TRUE(settings.IsEnabled());
  EXPECT_EQ(settings.strUploadUrl, "");
  EXPECT_EQ(settings.nMinDownKbps, 1500);
  EXPECT_EQ(settings.nMinUpKbps, 0);
  for (const char* bad : {"-1", "1.5", "15k", "10000001", "99999999999999999999", " "}) {
    EXPECT_EQ(parse(bad).nMinDownKbps, 0) << bad;
  }
  EXPECT_FALSE(ParseSpeedSettings([](const char*) { return std::string(); }).IsEnabled());
}
