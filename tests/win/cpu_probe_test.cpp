// The processor check against the real system: identity through WMI and
// the direct method, the load sampling with watched client programs, and
// the named event by which another process cuts the sampling short.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "probe_test_support.h"
#include "probes/local/cpu_info_handler.h"

using probetest::HelperProcess;
using probetest::LogLinesWith;
using probetest::RunOnWorker;

namespace {

unsigned LogicalProcessorsOfTheSystem() {
  SYSTEM_INFO info = {};
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors;
}

bool IsOpenHandle(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

}  // namespace

TEST(CpuProbe, DoDetectFindsTheProcessorAndItsLoad) {
  CCpuInfoHandler handler;
  RunOnWorker([&] { EXPECT_EQ(handler.DoDetect(), 1); });
  EXPECT_FALSE(handler.m_strName.empty());
  EXPECT_GT(handler.m_nCoreCount, 0);
  EXPECT_GE(handler.m_nLogicalCount, handler.m_nCoreCount);
  EXPECT_GT(handler.m_llClockHz, 0);
  EXPECT_GE(handler.m_nMinTotalUsage, 0);
  EXPECT_LE(handler.m_nMinTotalUsage, 100);
  // No client program runs: the "other" load is the whole load.
  EXPECT_EQ(handler.m_nMinOtherUsage, handler.m_nMinTotalUsage);
  EXPECT_EQ(handler.m_nSampleCount, 0);
  EXPECT_TRUE(handler.m_vecClientProc.empty());
  EXPECT_EQ(LogLinesWith("[CPU ", &handler).size(), 5u);
}

TEST(CpuProbe, DirectMethodMeasuresWhatWmiWouldSay) {
  CCpuInfoHandler handler;
  handler.ReadBrandString();
  EXPECT_FALSE(handler.m_strName.empty());
  ASSERT_EQ(handler.Processor(), 1);
  EXPECT_GT(handler.m_nCoreCount, 0);
  EXPECT_EQ(static_cast<unsigned>(handler.m_nLogicalCount), LogicalProcessorsOfTheSystem());
  ASSERT_EQ(handler.MeasureClockSpeed(), 1);
  EXPECT_GT(handler.m_llClockHz, 100000000LL);  // any processor that runs Windows 7 is above 100 MHz
}

TEST(CpuProbe, ZeroLogicalProcessorsMeansNoProcessSample) {
  CCpuInfoHandler handler;  // no identity read yet
  ClientProcInfo self(L"self.exe", OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, GetCurrentProcessId()));
  EXPECT_EQ(handler.SampleProcess(&self), -1);
  EXPECT_EQ(self.nUsage, 0);
  EXPECT_EQ(handler.SampleProcess(nullptr), -1);
  handler.m_nLogicalCount = 1;
  ClientProcInfo closed(L"gone.exe", nullptr);
  EXPECT_EQ(handler.SampleProcess(&closed), -1);
  EXPECT_EQ(closed.nUsage, 0);
}

TEST(CpuProbe, FirstSystemSampleOnlySetsTheBaseline) {
  CCpuInfoHandler handler;
  EXPECT_EQ(handler.SampleSystemUsage(), -1);
  EXPECT_NE(handler.m_llLastIdleTime, 0);
  Sleep(200);
  const int usage = handler.SampleSystemUsage();
  EXPECT_GE(usage, 0);
  EXPECT_LE(usage, 100);
}

TEST(CpuProbe, EveryInstanceOfAWatchedProgramIsSampledAndItsHandleClosed) {
  HelperProcess first(L"stavel.exe", L"sleep 60000");
  HelperProcess second(L"STAVEL.EXE", L"sleep 60000");
  ASSERT_TRUE(first.started() && second.started());
  CCpuInfoHandler handler;
  handler.m_nLogicalCount = static_cast<int>(LogicalProcessorsOfTheSystem());
  ASSERT_EQ(handler.FindClientProcesses(), 1);
  ASSERT_EQ(handler.m_vecClientProc.size(), 2u);
  std::vector<HANDLE> handles;
  for (const ClientProcInfo& record : handler.m_vecClientProc) {
    EXPECT_TRUE(IsOpenHandle(record.hProcess)) << static_cast<const void*>(record.hProcess);
    handles.push_back(record.hProcess);
  }
  handler.m_vecClientProc.clear();
  for (HANDLE handle : handles) EXPECT_FALSE(IsOpenHandle(handle));

  RunOnWorker([&] { EXPECT_EQ(handler.GetFileTime(), 1); });
  EXPECT_TRUE(handler.m_vecClientProc.empty());
  EXPECT_GE(handler.m_nMinOtherUsage, 0);
  EXPECT_LE(handler.m_nMinOtherUsage, handler.m_nMinTotalUsage);
}

TEST(CpuProbe, NamedEventSetByAnotherProcessCutsTheSamplingShort) {
  HelperProcess sleeper(L"morrow.exe", L"sleep 60000");
  ASSERT_TRUE(sleeper.started());
  CCpuInfoHandler handler;
  handler.m_nLogicalCount = 1;
  HelperProcess setter(L"probe_helper.exe", L"set-event KALTO_CpuTimeWaitEvent");
  ASSERT_EQ(setter.Wait(), 0);

  RunOnWorker([&] { EXPECT_EQ(handler.GetFileTime(), 0); });
  EXPECT_EQ(handler.m_nSampleCount, CCpuInfoHandler::kSampleCount - 1);
  EXPECT_TRUE(handler.m_vecClientProc.empty());  // the watched program's handle is closed too
  // No sample was taken: the minima say nothing was measured.
  EXPECT_EQ(handler.m_nMinTotalUsage, 0);
  EXPECT_EQ(handler.m_nMinOtherUsage, 0);
}

TEST(CpuProbe, AClientProgramsShareIsCountedPerLogicalProcessor) {
  // This process, kept busy by a thread, stands in for a client program:
  // Wine reports no processor times for other processes.
  std::atomic<bool> spinning{true};
  std::thread spinner([&] {
    volatile unsigned long spins = 0;
    while (spinning) ++spins;
  });
  CCpuInfoHandler handler;
  handler.m_nLogicalCount = 4;
  ClientProcInfo record(L"stavel.exe", OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, GetCurrentProcessId()));
  handler.SampleProcess(&record);
  Sleep(1000);
  const int ofOneProcessor = handler.SampleProcess(&record);
  spinning = false;
  spinner.join();
  EXPECT_GT(ofOneProcessor, 0) << "the busy thread used no processor time";
  EXPECT_EQ(record.nUsage, ofOneProcessor / 4);
}
