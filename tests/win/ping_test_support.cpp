#include "ping_test_support.h"

#include "ping/echo_packet.h"
#include "ping/ping.h"
#include "skinkit/resource_mgr.h"

IcmpListener::IcmpListener() : m_socket(WSASocketW(AF_INET, SOCK_RAW, IPPROTO_ICMP, nullptr, 0, 0)) {
  u_long nonBlocking = 1;
  if (IsOpen()) ioctlsocket(m_socket, FIONBIO, &nonBlocking);
}

IcmpListener::~IcmpListener() {
  if (IsOpen()) closesocket(m_socket);
}

int IcmpListener::CountOwnRequests(DWORD ms) {
  const uint16_t ownId = static_cast<uint16_t>(GetCurrentProcessId() & 0xFFFF);
  int count = 0;
  const ULONGLONG deadline = GetTickCount64() + ms;
  while (GetTickCount64() < deadline) {
    unsigned char buffer[256];
    const int received = recv(m_socket, reinterpret_cast<char*>(buffer), sizeof(buffer), 0);
    if (received == SOCKET_ERROR) {
      Sleep(10);
      continue;
    }
    const int header = (buffer[0] & 0x0F) * 4;
    if (received < header + 8 || buffer[header] != kIcmpEchoRequest) continue;
    uint16_t id;
    memcpy(&id, buffer + header + 4, sizeof(id));  // stored in host order by the engine
    if (id == ownId) ++count;
  }
  return count;
}

namespace {
unsigned long g_refusedPeer = 0;
int g_refusal = 0;

SOCKET RefusingOpener(unsigned long peer, int* error) {
  if (peer != g_refusedPeer) return OpenEchoSocket(peer, error);
  *error = g_refusal;
  return INVALID_SOCKET;
}
}  // namespace

RefusedEchoSocket::RefusedEchoSocket(const char* address, int error) {
  g_refusedPeer = inet_addr(address);
  g_refusal = error;
  SetEchoSocketOpener(RefusingOpener);
}

RefusedEchoSocket::~RefusedEchoSocket() { SetEchoSocketOpener(nullptr); }

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
