// The updater in-process: the configuration file read at start and after its
// download, the server slots, the update offer, the package download with its
// untrusted name and optional digest, and the file manager's parameters. A
// local HTTP server (with_http_root.py) serves what each test writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "corekit/log.h"
#include "fake_handlers.h"
#include "update/config_keys.h"
#include "update/ov_update.h"

namespace {

using testing_support::PumpUntil;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The main window as the updater sees it.
class TestHost : public IUpdateHost {
 public:
  MediaServerList servers;
  int enabled = 0;
  std::vector<std::pair<std::wstring, std::wstring>> offers;
  std::vector<PackageStage> stages;
  bool accept = false;
  ovUpdate* update = nullptr;

  MediaServerList& GetServerList() override { return servers; }
  void EnableStart() override { ++enabled; }
  void ShowUpdateFrame(const std::wstring& version, const std::wstring& notes) override {
    offers.emplace_back(version, notes);
    if (accept) update->StartDownloadPackage();
  }
  void ShowPackageStage(PackageStage stage, int percent) override {
    if (stages.empty() || stages.back() != stage) stages.push_back(stage);
  }
  bool Ended() const {
    return !stages.empty() && stages.back() != PACKAGE_DOWNLOADING;
  }
};

// The updater with the file manager recorded instead of started.
class TestUpdate : public ovUpdate {
 public:
  using ovUpdate::ovUpdate;
  std::vector<std::string> fileManager;
  bool fileManagerStarts = true;

 protected:
  bool RunFileManager(const std::string& parameters) override {
    fileManager.push_back(parameters);
    return fileManagerStarts;
  }
};

class UpdaterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* root = std::getenv("KALTO_TEST_HTTP_ROOT");
    const char* port = std::getenv("KALTO_TEST_HTTP_PORT");
    ASSERT_TRUE(root && port) << "run through tests/win/with_http_root.py";
    served_ = std::string("Z:") + root + "\\";
    for (char& c : served_) c = c == '/' ? '\\' : c;
    base_ = std::string("http://127.0.0.1:") + port + "/";
    // A folder whose name holds a comma and blanks, as a user name may.
    char temp[MAX_PATH] = {0};
    GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    dir_ = std::string(temp) + "kalto, updater " + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++serial) + "\\";
  }

  void TearDown() override {
    update_.reset();
    // The served folder is shared by the tests of this run.
    DeleteFileA((served_ + "kalto.ini").c_str());
    for (const char* name : {"kalto_setup.exe", "kalto_setup.msi", "setup.html"}) {
      DeleteFileA((served_ + "pkg\\" + name).c_str());
    }
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir_ + "*").c_str(), &found);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found)) {
      DeleteFileA((dir_ + found.cFileName).c_str());
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    RemoveDirectoryA(dir_.c_str());
  }

  // A fresh updater whose configuration URL is `configUrl` (served "kalto.ini" by default).
  void MakeUpdate(const std::string& configUrl = std::string()) {
    update_.reset(new TestUpdate(&host_, configUrl.empty() ? base_ + "kalto.ini" : configUrl, dir_));
    host_.update = update_.get();
  }
  std::string LocalIni() const { return dir_ + "kalto.ini"; }
  // Writes the local file and reads it as a freshly downloaded one.
  void ParseDownloaded(const std::string& ini) {
    WriteFile(LocalIni(), "[KALTO_CH]\r\n" + ini);
    update_->ParseDownloadConfig();
  }
  bool LogHas(const std::string& text) {
    return ReadFile(CLogWrapper::Instance()->GetFilePath()).find(text) != std::string::npos;
  }

  TestHost host_;
  std::unique_ptr<TestUpdate> update_;
  std::string served_, base_, dir_;
};

TEST_F(UpdaterTest, WithoutAFileEverySlotTakesItsDefault) {
  MakeUpdate();
  EXPECT_TRUE(Exists(dir_)) << "the folder is created";
  EXPECT_EQ(update_->GetLocalVersion(), L"1.0.0.1");
  host_.servers.SetDomainCNC1("stale.example");
  EXPECT_TRUE(update_->ParseLocalConfig());
  for (int slot = 0; slot < MEDIA_SERVER_SLOTS; ++slot) {
    EXPECT_EQ(host_.servers.Slots()[slot].strName, DefaultMediaServerSlots()[slot].strName);
    EXPECT_EQ(host_.servers.Slots()[slot].strDomain, DefaultMediaServerSlots()[slot].strDomain);
  }
  EXPECT_EQ(host_.enabled, 0);
}

TEST_F(UpdaterTest, ADownloadedFileWithOneHostChangesOnlyThatSlot) {
  MakeUpdate();
  WriteFile(served_ + "kalto.ini", "[KALTO_CH]\r\ncncDomain1=10.1.2.3\r\n");
  ASSERT_TRUE(update_->StartDownloadConfig());
  ASSERT_TRUE(PumpUntil([&] { return host_.enabled == 1; }, 20000));
  EXPECT_EQ(host_.servers.Slots()[SLOT_CNC1].strDomain, "10.1.2.3");
  EXPECT_EQ(host_.servers.Slots()[SLOT_CNC1].strName, DefaultMediaServerSlots()[SLOT_CNC1].strName);
  for (int slot = SLOT_CNC2; slot < MEDIA_SERVER_SLOTS; ++slot) {
    EXPECT_EQ(host_.servers.Slots()[slot].strDomain, DefaultMediaServerSlots()[slot].strDomain);
  }
  EXPECT_TRUE(host_.offers.empty());
  // Kept as UTF-16, which the profile functions read without loss.
  EXPECT_EQ(ReadFile(LocalIni()), update::ConfigTextAsUtf16("[KALTO_CH]\r\ncncDomain1=10.1.2.3\r\n"));
}

TEST_F(UpdaterTest, AFailedDownloadKeepsThePreviousFile) {
  MakeUpdate();
  const std::string previous = "[KALTO_CH]\r\nctcDomain2=kept.example\r\n";
  WriteFile(LocalIni(), previous);
  update_->ParseLocalConfig();
  ASSERT_TRUE(update_->StartDownloadConfig());  // nothing served: 404
  ASSERT_TRUE(PumpUntil([&] { return LogHas("download update failed!"); }, 20000));
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(ReadFile(LocalIni()), update::ConfigTextAsUtf16(previous));
  EXPECT_EQ(host_.servers.Slots()[SLOT_CTC2].strDomain, "kept.example");
  EXPECT_EQ(host_.enabled, 0);
  EXPECT_TRUE(host_.offers.empty());
}

TEST_F(UpdaterTest, OnlyADifferentVersionTextIsOffered) {
  MakeUpdate();
  ParseDownloaded("version=1.0.0.1\r\n");
  EXPECT_TRUE(host_.offers.empty());
  EXPECT_EQ(host_.enabled, 1);
  ParseDownloaded("version=1.0.0.01\r\nrerolve=one|two\r\n");
  ParseDownloaded("version=0.9.0.0\r\n");
  ParseDownloaded("update=forced\r\n");  // no version: nothing offered
  ASSERT_EQ(host_.offers.size(), 2u);
  EXPECT_EQ(host_.offers[0], std::make_pair(std::wstring(L"1.0.0.01"), std::wstring(L"one|two")));
  EXPECT_EQ(host_.offers[1].first, L"0.9.0.0");
}

TEST_F(UpdaterTest, ValuesAreCutTo511BytesAndNamesDecodedAsUtf8) {
  MakeUpdate();
  ParseDownloaded("cncDomain1=" + std::string(600, 'a') + "\r\n" +
                  "ctcName1=\xE7\x94\xB5\xE4\xBF\xA1\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8\x31\r\n" +  // 电信服务器1
                  "cmcName2=\xE5\x8C\x97\xE4\xBA\xAC\xE7\xA7\xBB\xE5\x8A\xA8\r\n");                // 北京移动
  EXPECT_EQ(host_.servers.Slots()[SLOT_CNC1].strDomain, std::string(511, 'a'));
  EXPECT_EQ(host_.servers.Slots()[SLOT_CTC1].strName, L"\u7535\u4FE1\u670D\u52A1\u56681");
  EXPECT_EQ(host_.servers.Slots()[SLOT_CMC2].strName, L"\u5317\u4EAC\u79FB\u52A8");
}

TEST_F(UpdaterTest, ThePackageNameIsTheUrlsLastSegmentOrNothing) {
  MakeUpdate();
  ParseDownloaded("url=http://h/pkg/\r\n");
  EXPECT_EQ(update_->GetPackPath(), "");
  ParseDownloaded("url=http://h/pkg/x.exe?y=1\r\n");
  EXPECT_EQ(update_->GetPackPath(), dir_ + "x.exe");
  for (const char* url : {"http://h/..%5C..%5Cx.exe", "http://h/a\\b.exe", "http://h/CON", "http://h/kalto.ini",
                          "http://h/Kalto.INI.download", "http://h/kalto.ini.utf16"}) {
    ParseDownloaded(std::string("url=") + url + "\r\n");
    EXPECT_EQ(update_->GetPackPath(), "") << url;
    host_.stages.clear();
    EXPECT_FALSE(update_->StartDownloadPackage()) << url;
    EXPECT_EQ(host_.stages, std::vector<PackageStage>{PACKAGE_FAILED}) << url;
  }
  EXPECT_TRUE(LogHas("package name refused: the name is a device name"));
  EXPECT_TRUE(LogHas("package name refused: the name is one of the program's own files"));
}

// Serves a configuration that offers version 2.0 with the package `name`
// holding `bytes`.
class PackageTest : public UpdaterTest {
 protected:
  void Offer(const std::string& extra, const std::string& name = "kalto_setup.exe",
             const std::string& bytes = "MZ KALTO package 2.0") {
    CreateDirectoryA((served_ + "pkg").c_str(), nullptr);
    WriteFile(served_ + "pkg\\" + name, bytes);
    WriteFile(served_ + "kalto.ini", "[KALTO_CH]\r\nversion=2.0\r\nrerolve=a|b\r\nurl=" + base_ + "pkg/" + name +
                                         "?from=cfg\r\n" + extra);
    MakeUpdate();
    ASSERT_TRUE(update_->StartDownloadConfig());
    ASSERT_TRUE(PumpUntil([&] { return host_.enabled == 1; }, 20000));
    ASSERT_EQ(host_.offers.size(), 1u);
  }
  std::string Package() const { return dir_ + "kalto_setup.exe"; }
};

TEST_F(PackageTest, AnAcceptedPackageLandsInTheFolderAndIsSelected) {
  host_.accept = true;
  Offer("");
  ASSERT_TRUE(PumpUntil([&] { return host_.Ended(); }, 20000));
  EXPECT_EQ(host_.stages, (std::vector<PackageStage>{PACKAGE_DOWNLOADING, PACKAGE_READY}));
  EXPECT_EQ(ReadFile(Package()), "MZ KALTO package 2.0");
  EXPECT_EQ(update_->fileManager, std::vector<std::string>{"/select,\"" + Package() + "\""});
}

TEST_F(PackageTest, ADeclinedOfferDownloadsNothing) {
  Offer("");
  PumpUntil([] { return false; }, 500);
  EXPECT_TRUE(host_.stages.empty());
  EXPECT_FALSE(Exists(Package()));
  EXPECT_TRUE(update_->fileManager.empty());
}

TEST_F(PackageTest, AMatchingDigestIsAccepted) {
  host_.accept = true;
  Offer("sha256=D76DE8842F9B5BCFF9071F8E25B4C1B15B5257D575ECD11D6786585F16B1DCB6\r\n");
  ASSERT_TRUE(PumpUntil([&] { return host_.Ended(); }, 20000));
  EXPECT_EQ(host_.stages.back(), PACKAGE_READY);
  EXPECT_EQ(update_->fileManager.size(), 1u);
}

TEST_F(PackageTest, ADamagedPackageIsDeletedAndReported) {
  host_.accept = true;
  Offer("sha256=" + std::string(64, '0') + "\r\n");
  ASSERT_TRUE(PumpUntil([&] { return host_.Ended(); }, 20000));
  EXPECT_EQ(host_.stages.back(), PACKAGE_DAMAGED);
  EXPECT_FALSE(Exists(Package()));
  EXPECT_TRUE(update_->fileManager.empty());
}

TEST_F(PackageTest, WhatCannotBeAPackageIsDeletedAndReportedAsFailed) {
  host_.accept = true;
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"kalto_setup.exe", ""},                                         // empty
      {"kalto_setup.exe", "<html><body>404 Not Found</body></html>"},  // no program under a program's name
      {"setup.html", "MZ served as a web page"},                      // text/html
  };
  for (const Case& c : cases) {
    host_ = TestHost();
    host_.accept = true;
    Offer("", c.name, c.bytes);
    ASSERT_TRUE(PumpUntil([&] { return host_.Ended(); }, 20000)) << c.name;
    EXPECT_EQ(host_.stages.back(), PACKAGE_FAILED) << c.name << " " << c.bytes;
    EXPECT_FALSE(Exists(dir_ + c.name)) << c.name;
    EXPECT_TRUE(update_->fileManager.empty()) << c.name;
  }
  EXPECT_TRUE(LogHas("package refused: the package is empty"));
  EXPECT_TRUE(LogHas("package refused: the package is named .exe but is not a Windows program"));
  EXPECT_TRUE(LogHas("package refused: the package was served as text/html"));
  // Any other name takes what came.
  host_ = TestHost();
  host_.accept = true;
  Offer("", "kalto_setup.msi", "<msi>");
  ASSERT_TRUE(PumpUntil([&] { return host_.Ended(); }, 20000));
  EXPECT_EQ(host_.stages.back(), PACKAGE_READY);
}

TEST_F(PackageTest, ReadyOnlyOnceTheFileManagerWasStarted) {
  host_.accept = true;
  CreateDirectoryA((served_ + "pkg").c_str(), nullptr);
  WriteFile(served_ + "pkg\\kalto_setup.exe", "MZ KALTO package 2.0");
  WriteFile(served_ + "kalto.ini", "[KALTO_CH]\r\nversion=2.0\r\nurl=" + base_ + "pkg/kalto_setup.exe\r\n");
  MakeUpdate();
  update_->fileManagerStarts = false;
  ASSERT_TRUE(update_->StartDownloadConfig());
  ASSERT_TRUE(PumpUntil([&] { return host_.Ended(); }, 20000));
  EXPECT_EQ(host_.stages, (std::vector<PackageStage>{PACKAGE_DOWNLOADING, PACKAGE_FAILED}));
  EXPECT_EQ(update_->fileManager.size(), 1u);
  EXPECT_TRUE(Exists(Package())) << "the package stays where the log says";
}

TEST_F(PackageTest, APackageAtTheConfigurationsOwnUrlIsStillThePackage) {
  host_.accept = true;
  CreateDirectoryA((served_ + "pkg").c_str(), nullptr);
  const std::string url = base_ + "pkg/kalto_setup.msi";
  WriteFile(served_ + "pkg\\kalto_setup.msi", "[KALTO_CH]\r\nversion=2.0\r\nurl=" + url + "\r\n");
  MakeUpdate(url);
  ASSERT_TRUE(update_->StartDownloadConfig());
  ASSERT_TRUE(PumpUntil([&] { return host_.Ended(); }, 20000)) << "left on downloading";
  EXPECT_EQ(host_.stages.back(), PACKAGE_READY);
  EXPECT_EQ(host_.enabled, 1) << "read as the configuration once only";
}

TEST_F(UpdaterTest, LeftoverDownloadsOfOursGoAtStart) {
  CreateDirectoryA(dir_.c_str(), nullptr);
  for (const char* name : {"kal1A2B.tmp", "kalF.tmp", "kalendar.tmp", "kal12345.tmp", "notes.tmp"}) {
    WriteFile(dir_ + name, "partial");
  }
  MakeUpdate();
  EXPECT_FALSE(Exists(dir_ + "kal1A2B.tmp"));
  EXPECT_FALSE(Exists(dir_ + "kalF.tmp"));
  for (const char* name : {"kalendar.tmp", "kal12345.tmp", "notes.tmp"}) EXPECT_TRUE(Exists(dir_ + name)) << name;
}

TEST_F(PackageTest, AMissingPackageIsReportedAsFailed) {
  host_.accept = true;
  DeleteFileA((served_ + "pkg\\kalto_setup.exe").c_str());
  CreateDirectoryA((served_ + "pkg").c_str(), nullptr);
  WriteFile(served_ + "kalto.ini", "[KALTO_CH]\r\nversion=2.0\r\nurl=" + base_ + "pkg/gone.exe\r\n");
  MakeUpdate();
  ASSERT_TRUE(update_->StartDownloadConfig());
  ASSERT_TRUE(PumpUntil([&] { return host_.Ended(); }, 20000));
  EXPECT_EQ(host_.stages.back(), PACKAGE_FAILED);
  EXPECT_FALSE(Exists(dir_ + "gone.exe"));
  EXPECT_TRUE(update_->fileManager.empty());
}

TEST_F(UpdaterTest, AcceptingWithoutAPackageUrlSaysThatNothingComes) {
  host_.accept = true;
  MakeUpdate();
  ParseDownloaded("version=2.0\r\n");
  ASSERT_EQ(host_.offers.size(), 1u);
  EXPECT_EQ(host_.stages, std::vector<PackageStage>{PACKAGE_FAILED});
}

}  // namespace
