// A single object created on first use. The object may end its own life
// (a window deletes itself on its final message) and then calls Forget, so
// that a later Instance builds a fresh one.
#pragma once

template <typename T>
class Singleton {
 public:
  static T* Instance() {
    if (!s_pInstance) s_pInstance = new T();
    return s_pInstance;
  }
  static bool Exists() { return s_pInstance != nullptr; }

 protected:
  Singleton() = default;
  static void Forget() { s_pInstance = nullptr; }

 private:
  static inline T* s_pInstance = nullptr;
};
