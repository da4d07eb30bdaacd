#include "ping_test_support.h"

#include "skinkit/resource_mgr.h"

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!done()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now < 50 ? deadline - now : 50),
                              QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  return true;
}

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

TestServerSource::TestServerSource(const std::vector<std::string>& hosts) {
  m_slots = DefaultMediaServerSlots();
  for (size_t i = 0; i < hosts.size() && i < MEDIA_SERVER_SLOTS; ++i) m_slots[i].strDomain = hosts[i];
  SetMediaServerSource(this);
}

void ServeServerSettings(int times) {
  const std::string xml = "<SvrDetect><ICMP lost=\"1\" deley=\"35\" times=\"" + std::to_string(times) + "\"/></SvrDetect>";
  DllResourceMgr::instance()->SetItemReader([xml](const std::string& name, std::string& bytes) {
    if (name != "svrdata") return false;
    bytes = xml;
    return true;
  });
}
