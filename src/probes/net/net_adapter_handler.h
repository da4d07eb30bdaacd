// The network adapter check: the adapters that are physical cards or
// connected (from WMI, or every adapter of the IP helper when WMI lists
// none), and whether the system reports a network connection.
#pragma once

#include "detect/detect_handler.h"
#include "probes/net/adapter_info.h"

class CNetAdapterHandler : public IDetectHandler, public NetAdapterFindings {
 public:
  int GetType() override { return DETECT_TYPE_NET_ADAPTER; }
  int DoDetect() override;
  // Both return 1 when m_adapters is not empty afterwards.
  int GetAdapterInfoEx();  // WMI
  int GetAdapterInfo();    // IP helper
  // Sets m_bNetWorkConnected (network list manager, else IsNetworkAlive).
  int TestNetConnect();
};
