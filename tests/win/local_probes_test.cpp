// The memory, disk, operating-system, conflicting-program, audio, camera
// and display checks against the real system calls.
#include <windows.h>
#include <objbase.h>
#include <uuids.h>

#include <gtest/gtest.h>

#include "probe_test_support.h"
#include "probes/local/audio_device_handler.h"
#include "probes/local/cpu_info_handler.h"
#include "probes/local/disk_space_handler.h"
#include "probes/local/display_adapter_handler.h"
#include "probes/local/memory_info_handler.h"
#include "probes/local/process_handler.h"
#include "probes/local/system_info_handler.h"
#include "probes/local/video_device_handler.h"

using probetest::HelperProcess;
using probetest::LogLinesWith;
using probetest::RunOnWorker;

namespace {

// Devices of a DirectShow category registered for the length of a test:
// one left out by its name ("Default ..."), then one listed, so that a
// list must count the left-out one in the listed one's index. Registry keys
// of a category are enumerated in the order of their names.
class FakeDevices {
 public:
  FakeDevices(REFCLSID category, const std::wstring& listedName) : m_listed(listedName) {
    wchar_t guid[64] = {};
    StringFromGUID2(category, guid, 64);
    m_key = std::wstring(L"CLSID\\") + guid + L"\\Instance";
    Add(L"kalto_test_0", L"Default " + listedName);
    Add(L"kalto_test_1", listedName);
  }
  ~FakeDevices() {
    for (const wchar_t* name : {L"kalto_test_0", L"kalto_test_1"})
      RegDeleteKeyW(HKEY_CLASSES_ROOT, (m_key + L"\\" + name).c_str());
  }
  // Checks that the listed device is in `list`, after the left-out one.
  void ExpectListedIn(const std::vector<DeviceEntry>& list) const {
    SCOPED_TRACE(m_listed);
    const DeviceEntry* found = nullptr;
    for (const DeviceEntry& entry : list) {
      EXPECT_TRUE(IsListedDeviceName(entry.strFriendlyName)) << entry.nIndex;
      if (entry.strFriendlyName == m_listed) found = &entry;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_NE(found->strDisplayName.find(L"kalto_test_1"), std::wstring::npos);
    EXPECT_GE(found->nIndex, 1) << "the left-out device before it is not counted";
    for (const DeviceEntry& entry : list) {
      if (&entry == found) continue;
      EXPECT_NE(entry.nIndex, found->nIndex - 1) << "that place belongs to the left-out device";
    }
  }

 private:
  void Add(const wchar_t* name, const std::wstring& friendlyName) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (m_key + L"\\" + name).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"FriendlyName", 0, REG_SZ, reinterpret_cast<const BYTE*>(friendlyName.c_str()),
                   static_cast<DWORD>((friendlyName.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }

  std::wstring m_key;
  std::wstring m_listed;
};

}  // namespace

TEST(MemoryProbe, TakesTheSystemFiguresUnrounded) {
  CMemoryInfoHandler handler;
  RunOnWorker([&] { EXPECT_EQ(handler.DoDetect(), 1); });
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof(status);
  ASSERT_TRUE(GlobalMemoryStatusEx(&status));
  EXPECT_EQ(handler.m_ullTotalPhys, status.ullTotalPhys);
  EXPECT_GT(handler.m_ullAvailPhys, 0u);
  // qemu-i386 passes the host's sysinfo() to a 32-bit process with the total
  // cut to 32 bits, while Wine reads the available memory whole from /proc:
  // on a host with more than 4 GiB the total can be the smaller figure.
  if (probetest::UnderEmulatedLoader() && status.ullTotalPhys < (1ull << 32)) {
    GTEST_SKIP() << "available <= total not checked: the emulated loader cuts the total memory to 32 bits";
  }
  EXPECT_LE(handler.m_ullAvailPhys, handler.m_ullTotalPhys);
}

TEST(DiskProbe, MeasuresBothVolumesAndNothingForPathsWithoutADrive) {
  CDiskSpaceHandler handler;
  RunOnWorker([&] { EXPECT_EQ(handler.DoDetect(), 1); });
  // Under Wine both folders are on C:.
  EXPECT_GT(handler.m_ullWinDriveFree, 0u);
  EXPECT_GT(handler.m_ullAppDataDriveFree, 0u);
  EXPECT_GT(CDiskSpaceHandler::GetDriveFreeSpace(L"C:\\Windows"), 0u);
  EXPECT_EQ(CDiskSpaceHandler::GetDriveFreeSpace(L"\\\\server\\share\\profile"), 0u);
  EXPECT_EQ(CDiskSpaceHandler::GetDriveFreeSpace(L"C\\Windows"), 0u);
  EXPECT_EQ(CDiskSpaceHandler::GetDriveFreeSpace(L""), 0u);
  EXPECT_EQ(CDiskSpaceHandler::GetDriveFreeSpace(L"Q:\\no volume here"), 0u);
}

TEST(SystemProbe, WmiNamesTheSystem) {
  CSystemInfoHandler handler;
  RunOnWorker([&] { EXPECT_EQ(handler.DoDetect(), 1); });
  // Wine presents itself as Windows 7 by default.
  EXPECT_NE(handler.m_strOsName.find(L"Windows"), std::wstring::npos);
  EXPECT_GE(handler.m_nMajorVersion, 6);
  EXPECT_EQ(handler.m_bSupported, IsSupportedOsVersion(handler.m_nMajorVersion, handler.m_nMinorVersion) ? 1 : 0);
}

TEST(SystemProbe, VersionRecordNamesTheSystemThroughTheTable) {
  CSystemInfoHandler handler;
  ASSERT_EQ(handler.GetVersionInfo(), 1);
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ASSERT_TRUE(GetVersionExW(&version));
#pragma GCC diagnostic pop
  EXPECT_EQ(handler.m_nMajorVersion, static_cast<int>(version.dwMajorVersion));
  EXPECT_EQ(handler.m_nMinorVersion, static_cast<int>(version.dwMinorVersion));
  EXPECT_FALSE(handler.m_strOsName.empty());
}

using WithoutWmi = probetest::WithoutWmi;

TEST_F(WithoutWmi, SystemAndProcessorProbesFallBackToTheirSecondMethod) {
  CCpuInfoHandler cpu;
  RunOnWorker([&] { EXPECT_EQ(cpu.QueryWmiInfo(), 0); });

  CSystemInfoHandler system;
  RunOnWorker([&] {
    EXPECT_EQ(system.QueryWmiOsInfo(), 0);
    EXPECT_EQ(system.DoDetect(), 1);
  });
  EXPECT_FALSE(system.m_strOsName.empty());
  EXPECT_GT(system.m_nMajorVersion, 0);

  CDisplayAdapterHandler display;
  RunOnWorker([&] { display.DoDetect(); });
  EXPECT_TRUE(display.m_vecDisplayAdapter.empty());
  EXPECT_EQ(display.GetMainAdapter(), nullptr);
  EXPECT_EQ(LogLinesWith("theWmiInfo.GetMutilpleItemInfo FAILED!", &display).size(), 1u);
}

TEST(ProcessProbe, FindsTheTrayProcessInAnyLetterCaseAndOnlyByItsWholeName) {
  CProcessHandler handler;
  EXPECT_EQ(handler.m_strProcessName, L"360tray.exe");
  RunOnWorker([&] { EXPECT_EQ(handler.DoDetect(), 1); });
  EXPECT_EQ(handler.m_bFound, 0);
  {
    HelperProcess lookalike(L"360trayx.exe", L"sleep 60000");
    HelperProcess backup(L"360tray.exe.bak.exe", L"sleep 60000");
    ASSERT_TRUE(lookalike.started() && backup.started());
    EXPECT_EQ(handler.CheckProcess(), 1);
    EXPECT_EQ(handler.m_bFound, 0);
  }
  HelperProcess tray(L"360TRAY.EXE", L"sleep 60000");
  ASSERT_TRUE(tray.started());
  EXPECT_EQ(handler.CheckProcess(), 1);
  EXPECT_EQ(handler.m_bFound, 1);
}

TEST(DeviceProbes, ListDevicesWithoutDefaultEntriesCountingThemInTheIndex) {
  const FakeDevices microphones(CLSID_AudioInputDeviceCategory, L"KALTO test microphone");
  const FakeDevices speakers(CLSID_AudioRendererCategory, L"KALTO test speaker");
  const FakeDevices cameras(CLSID_VideoInputDeviceCategory, L"KALTO test camera");
  CAudioDeviceHandler audio;
  CVideoDeviceHandler video;
  RunOnWorker([&] {
    EXPECT_EQ(audio.DoDetect(), 1);
    EXPECT_EQ(video.DoDetect(), 1);
  });
  microphones.ExpectListedIn(audio.m_vecAudioInput);
  speakers.ExpectListedIn(audio.m_vecAudioOutput);
  cameras.ExpectListedIn(video.m_vecVideoInput);
  // The sound-device query only writes the log.
  EXPECT_FALSE(LogLinesWith("Win32_SoundDevice").empty());

  // A second run lists the same devices again, not twice.
  const size_t inputs = audio.m_vecAudioInput.size();
  const size_t outputs = audio.m_vecAudioOutput.size();
  RunOnWorker([&] { audio.DoDetect(); });
  EXPECT_EQ(audio.m_vecAudioInput.size(), inputs);
  EXPECT_EQ(audio.m_vecAudioOutput.size(), outputs);
}

TEST(DeviceProbes, ThreadThatAlreadyInitialisedComGetsEmptyListsAndKeepsItsCom) {
  CAudioDeviceHandler audio;
  CVideoDeviceHandler video;
  audio.m_vecAudioOutput.push_back({L"@old", L"Old speaker", 0});
  RunOnWorker([&] {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    audio.DoDetect();
    video.DoDetect();
    // The probe left the thread's COM count as it was: one release ends it.
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
  });
  EXPECT_TRUE(audio.m_vecAudioInput.empty());
  EXPECT_TRUE(audio.m_vecAudioOutput.empty());
  EXPECT_TRUE(video.m_vecVideoInput.empty());
}

TEST(DisplayProbe, RecordsTheAdaptersWithThePrimaryScreenSize) {
  CDisplayAdapterHandler handler;
  RunOnWorker([&] { EXPECT_EQ(handler.DoDetect(), 1); });
  // Wine lists one video controller.
  ASSERT_FALSE(handler.m_vecDisplayAdapter.empty());
  for (const auto& adapter : handler.m_vecDisplayAdapter) {
    EXPECT_FALSE(adapter->strDescription.empty());
    EXPECT_NE(adapter->strDescription, L"Mirage Driver");
    EXPECT_EQ(adapter->nWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(adapter->nHeight, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GE(adapter->nRefreshRate, 0);
  }
  EXPECT_NE(handler.GetMainAdapter(), nullptr);
}
