// How long a full default echo series takes against a host that answers,
// and how much processor time the six ping threads of the media-server
// check use meanwhile. Six units, as the check runs them, against loopback
// addresses (the kernel answers). Run with bench/ping_series.sh.
#include <cstdio>
#include <memory>
#include <vector>

#include "ping/ping_unit.h"
#include "ping_test_support.h"
#include "probes/net/server_net_findings.h"

namespace {

double Seconds(const FILETIME& time) {
  ULARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  return static_cast<double>(value.QuadPart) / 1e7;
}

// User and kernel time of a thread, in seconds.
double ThreadCpuSeconds(HANDLE thread) {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return -1.0;
  return Seconds(kernel) + Seconds(user);
}

// Takes each unit's end time and its thread's processor time when it
// reports: the thread is still alive then, waiting in its report.
class MeasuringSink : public IPingSink {
 public:
  struct Figures {
    CPingUnit* unit = nullptr;
    ULONGLONG endMs = 0;
    double cpuSeconds = 0.0;
  };

  MeasuringSink() : m_hWnd(CreatePingNotifyWindow(this)) {}
  ~MeasuringSink() { DestroyWindow(m_hWnd); }
  void OnPingUnitStop(CPingUnit* unit) override {
    m_figures.push_back(Figures{unit, GetTickCount64(), ThreadCpuSeconds(unit->GetThreadHandle())});
  }
  HWND GetNotifyWnd() override { return m_hWnd; }
  const std::vector<Figures>& Reports() const { return m_figures; }

 private:
  HWND m_hWnd;
  std::vector<Figures> m_figures;
};

}  // namespace

int main() {
  WinsockSession winsock;
  const int times = ServerNetLimits().nTimes;
  const size_t count = MEDIA_SERVER_SLOTS;
  MeasuringSink sink;
  std::vector<std::unique_ptr<CPingUnit>> units;
  const ULONGLONG start = GetTickCount64();
  for (size_t i = 1; i <= count; ++i) {
    units.push_back(std::make_unique<CPingUnit>(&sink, "127.0.0." + std::to_string(i), times));
    if (!units.back()->Start()) {
      std::printf("could not start a ping unit\n");
      return 1;
    }
  }
  if (!PumpUntil([&] { return sink.Reports().size() == count; }, 10 * 60 * 1000)) {
    std::printf("the series did not end within 10 minutes\n");
    return 1;
  }

  std::printf("echo series of %d requests against loopback, %zu at once\n", times, count);
  double totalCpu = 0.0;
  for (const MeasuringSink::Figures& figures : sink.Reports()) {
    const CPingUnit& unit = *figures.unit;
    totalCpu += figures.cpuSeconds;
    std::printf("  %-10s duration %6.2f s  answers %3zu  mean round trip %.3f ms  thread cpu %.3f s\n",
                unit.GetAddr().c_str(), (figures.endMs - start) / 1000.0, unit.GetSeries().GetResults().size(),
                unit.GetAvgDelay(), figures.cpuSeconds);
  }
  const double wall = (GetTickCount64() - start) / 1000.0;
  std::printf("all threads: cpu %.3f s in %.2f s wall (%.3f %% of one core)\n", totalCpu, wall,
              100.0 * totalCpu / wall);
  return 0;
}
