// The notification map of a window: handlers registered by notification
// type and, optionally, by the sender's name.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/ui_defs.h"

class CNotifyPump {
 public:
  using Handler = std::function<void(TNotifyUI&)>;

  // An empty control name matches every sender.
  void AddNotifyHandler(const std::wstring& type, const std::wstring& controlName, Handler handler);
  // Runs the first entry that matches; false when none does.
  bool NotifyPump(TNotifyUI& msg);

 protected:
  ~CNotifyPump() = default;

 private:
  struct Entry {
    std::wstring type;
    std::wstring name;
    Handler handler;
  };
  std::vector<Entry> m_entries;
};
