// The user-interface thread's work queue. Windows and controls belong to
// that thread; work that other threads have for them (calls of screen
// readers into the accessibility objects, which COM delivers on its own
// threads) is handed over as a work item that the thread's message loop runs.
#pragma once

#include <utility>

// One piece of work for the user-interface thread.
class CUiWork {
 public:
  virtual void Execute() = 0;

 protected:
  ~CUiWork() = default;
};

namespace ui {

// Makes the calling thread the user-interface thread (the first call wins;
// the first skinned window does it).
void BindUiThread();
// Runs `work` on the user-interface thread and returns once it has run. On
// that thread itself, or before there is one, it runs at once. False when
// the thread no longer takes work (its queue is gone): nothing ran then.
bool RunOnUiThread(CUiWork& work);

template <typename Body>
bool RunOnUiThread(Body&& body) {
  struct Work : CUiWork {
    explicit Work(Body& b) : body(b) {}
    void Execute() override { body(); }
    Body& body;
  } work(body);
  return RunOnUiThread(static_cast<CUiWork&>(work));
}

}  // namespace ui
