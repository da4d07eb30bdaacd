// A byte package: a growable buffer with a read position that can be marked
// and rewound, used for HTTP bodies.
#pragma once

#include <cstddef>
#include <string>

class CDataPackage {
 public:
  // `capacity` bytes are reserved; `length` bytes of `data` (if any) are
  // copied in. `flags` is kept for callers that pass it and means nothing here.
  CDataPackage(size_t capacity = 0, const char* data = nullptr, size_t length = 0, int flags = 0);

  // A new package (owned by the caller, freed with DestroyPackage) holding
  // the unread bytes of this one.
  CDataPackage* DuplicatePackage() const;
  // Frees a package made with new or DuplicatePackage.
  void DestroyPackage();

  void Append(const void* data, size_t length);
  // Copies up to `length` unread bytes out and moves the read position.
  size_t Read(void* out, size_t length);
  // Number of bytes not yet read.
  size_t GetPackageLength() const { return m_strData.size() - m_nReadPos; }

  // Remembers the read position; RewindPackage(1) goes back to it, any other
  // value to the very beginning.
  void SavePackageReadPtr() { m_nSavedPos = m_nReadPos; }
  void RewindPackage(int toSaved) { m_nReadPos = toSaved == 1 ? m_nSavedPos : 0; }

  // The unread bytes as one text.
  std::string FlattenPackage() const { return m_strData.substr(m_nReadPos); }

 private:
  std::string m_strData;
  size_t m_nReadPos = 0;
  size_t m_nSavedPos = 0;
};
