// The verdict of a finished item, shown in its row. Until the verdict rules
// exist, a finished row keeps code 0 and says that its check is done.
#include "app/detect_item_ui.h"
#include "skinkit/resource_mgr.h"
#include "ui/ui.h"

void CDetectItemUI::UpdateResult(IDetectHandler* handler) {
  if (!handler || !m_pState) return;
  m_pState->SetText(DllResourceMgr::LoadStringW("s.detect.done"));
}
