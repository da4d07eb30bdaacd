#include "ui/notify_pump.h"

#include "ui/control.h"

void CNotifyPump::AddNotifyHandler(const std::wstring& type, const std::wstring& controlName, Handler handler) {
  // Later entries take precedence, as a derived window's map over its base's.
  m_entries.insert(m_entries.begin(), Entry{type, controlName, std::move(handler)});
}

bool CNotifyPump::NotifyPump(TNotifyUI& msg) {
  for (const Entry& entry : m_entries) {
    if (entry.type != msg.sType) continue;
    if (!entry.name.empty() && (!msg.pSender || msg.pSender->GetName() != entry.name)) continue;
    Handler handler = entry.handler;  // the handler may change the map
    handler(msg);
    return true;
  }
  return false;
}
