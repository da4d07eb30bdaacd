// The network adapter check against Wine's WMI, IP helper and network list
// manager.
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <vector>

#include "probe_test_support.h"
#include "probes/net/net_adapter_handler.h"

using probetest::LogLinesWith;
using probetest::RunOnWorker;

namespace {

// The Ethernet adapters as the IP helper lists them.
int EthernetAdaptersOfTheSystem() {
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return 0;
  std::vector<unsigned char> buffer(size);
  auto* first = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (GetAdaptersInfo(first, &size) != NO_ERROR) return 0;
  int count = 0;
  for (const IP_ADAPTER_INFO* adapter = first; adapter; adapter = adapter->Next) {
    if (adapter->Type == MIB_IF_TYPE_ETHERNET) ++count;
  }
  return count;
}

}  // namespace

TEST(NetAdapterProbe, DoDetectListsAdaptersAndTheConnection) {
  CNetAdapterHandler handler;
  RunOnWorker([&] { EXPECT_EQ(handler.DoDetect(), 1); });
  if (EthernetAdaptersOfTheSystem() > 0) {
    EXPECT_FALSE(handler.m_adapters.empty());
  }
  for (const AdapterInfo& adapter : handler.m_adapters) {
    EXPECT_FALSE(adapter.strDescription.empty());
    EXPECT_NE(adapter.strDescription, L"Mirage Driver");
  }
  EXPECT_EQ(LogLinesWith("m_bNetWorkConnected = ", &handler).size(), 1u);
  EXPECT_EQ(LogLinesWith("TestNetConnect hr = ", &handler).size(), 1u);
}

TEST(NetAdapterProbe, IpHelperListsEveryAdapterWithItsAddressText) {
  CNetAdapterHandler handler;
  handler.GetAdapterInfo();
  int ethernet = 0;
  for (const AdapterInfo& adapter : handler.m_adapters) {
    if (adapter.strMac.empty()) continue;  // not Ethernet: all fields empty
    ++ethernet;
    EXPECT_FALSE(adapter.strAdapterName.empty());
    EXPECT_EQ(adapter.strMac.size() % 3, 2u);  // "XX-XX-..."
    for (wchar_t c : adapter.strMac) EXPECT_TRUE(iswxdigit(c) || c == L'-') << static_cast<int>(c);
  }
  EXPECT_EQ(ethernet, EthernetAdaptersOfTheSystem());
}

TEST(NetAdapterProbe, ConnectionTestLeavesTheThreadsComAsItWas) {
  CNetAdapterHandler handler;
  RunOnWorker([&] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    handler.TestNetConnect();  // its STA request fails: only the MTA stays
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
  });
}

using WithoutWmi = probetest::WithoutWmi;

TEST_F(WithoutWmi, AdapterListComesFromTheIpHelper) {
  CNetAdapterHandler handler;
  RunOnWorker([&] { handler.DoDetect(); });
  EXPECT_EQ(LogLinesWith("GetAdapterInfoEx GetMutilpleItemInfo failed", &handler).size(), 1u);
  EXPECT_EQ(static_cast<int>(handler.m_adapters.size() > 0), static_cast<int>(EthernetAdaptersOfTheSystem() > 0));
  for (const AdapterInfo& adapter : handler.m_adapters) EXPECT_NE(adapter.strAdapterName, L" ");
}
