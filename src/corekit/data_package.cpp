#include "corekit/data_package.h"

#include <cstring>

CDataPackage::CDataPackage(size_t capacity, const char* data, size_t length, int /*flags*/) {
  m_strData.reserve(capacity > length ? capacity : length);
  if (data && length) m_strData.assign(data, length);
}

CDataPackage* CDataPackage::DuplicatePackage() const {
  const std::string unread = FlattenPackage();
  return new CDataPackage(0, unread.data(), unread.size());
}

void CDataPackage::DestroyPackage() { delete this; }

void CDataPackage::Append(const void* data, size_t length) {
  if (data && length) m_strData.append(static_cast<const char*>(data), length);
}

size_t CDataPackage::Read(void* out, size_t length) {
  const size_t n = length < GetPackageLength() ? length : GetPackageLength();
  if (n) std::memcpy(out, m_strData.data() + m_nReadPos, n);
  m_nReadPos += n;
  return n;
}
