// Reference counting of the network library: objects that delete themselves
// when the last reference goes, and a counted pointer that holds one.
#pragma once

#include <atomic>

class IReferenceControl {
 public:
  virtual int AddReference() = 0;
  // Deletes the object when the count reaches 0; returns the new count.
  virtual int ReleaseReference() = 0;

 protected:
  ~IReferenceControl() = default;
};

// The count itself, for classes that implement IReferenceControl.
class CReferenceControlT {
 public:
  int AddReference() { return ++m_nRef; }
  // Returns the new count; the caller deletes the object at 0.
  int DropReference() { return --m_nRef; }
  int GetReference() const { return m_nRef; }

 protected:
  ~CReferenceControlT() = default;

 private:
  std::atomic<int> m_nRef{0};
};

// Holds one reference to a T with AddReference and ReleaseReference.
template <class T>
class CSmartPointer {
 public:
  CSmartPointer() = default;
  CSmartPointer(T* p) : m_p(p) {  // NOLINT: implicit, like a raw pointer
    if (m_p) m_p->AddReference();
  }
  CSmartPointer(const CSmartPointer& other) : CSmartPointer(other.m_p) {}
  ~CSmartPointer() { Reset(); }
  CSmartPointer& operator=(const CSmartPointer& other) {
    CSmartPointer copy(other);
    T* old = m_p;
    m_p = copy.m_p;
    copy.m_p = old;
    return *this;
  }
  void Reset() {
    T* old = m_p;
    m_p = nullptr;
    if (old) old->ReleaseReference();
  }
  T* Get() const { return m_p; }
  T* operator->() const { return m_p; }

 private:
  T* m_p = nullptr;
};
