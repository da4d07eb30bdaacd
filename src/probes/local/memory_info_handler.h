// The memory check: physical memory installed and free at the moment of
// the check, as raw byte counts.
#pragma once

#include "detect/detect_handler.h"
#include "probes/local/memory_info.h"

class CMemoryInfoHandler : public IDetectHandler, public MemoryInfoFindings {
 public:
  int GetType() override { return DETECT_TYPE_MEMORY; }
  int DoDetect() override;
  // 1 when the snapshot was taken, 0 when the system refused it.
  int LogSystemMemoryInfo();
};
