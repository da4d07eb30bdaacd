#include "skinkit/resource_mgr.h"

namespace skinkit {
// The native build has no program resources; tests install a reader.
DllResourceMgr::ItemReader DefaultItemReader() { return nullptr; }
}  // namespace skinkit
