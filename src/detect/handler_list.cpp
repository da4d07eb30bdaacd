#include "detect/delegate_detect.h"
#include "probes/local/audio_device_handler.h"
#include "probes/local/cpu_info_handler.h"
#include "probes/local/disk_space_handler.h"
#include "probes/local/display_adapter_handler.h"
#include "probes/local/memory_info_handler.h"
#include "probes/local/process_handler.h"
#include "probes/local/system_info_handler.h"
#include "probes/local/video_device_handler.h"
#include "probes/net/ip_site_handler.h"
#include "probes/net/net_adapter_handler.h"
#include "probes/net/server_net_handler.h"

// The run order: local checks first, the two network checks (whose
// background work started with the run) last.
void CreateDefaultHandlers(std::vector<IDetectHandler*>& handlers) {
  handlers.push_back(new CCpuInfoHandler());
  handlers.push_back(new CMemoryInfoHandler());
  handlers.push_back(new CDiskSpaceHandler());
  handlers.push_back(new CSystemInfoHandler());
  handlers.push_back(new CAudioDeviceHandler());
  handlers.push_back(new CVideoDeviceHandler());
  handlers.push_back(new CDisplayAdapterHandler());
  handlers.push_back(new CNetAdapterHandler());
  handlers.push_back(new CProcessHandler());
  handlers.push_back(new CIPSiteHandler());
  handlers.push_back(new CServerNetHandler());
}
