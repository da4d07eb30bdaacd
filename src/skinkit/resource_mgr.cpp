#include "skinkit/resource_mgr.h"

#include <cstring>

#include "corekit/log.h"

namespace {
const char kFallbackLanguage[] = "en_US";
const wchar_t kEmptyText[] = L"";
}  // namespace

DllResourceMgr::DllResourceMgr() : m_reader(skinkit::DefaultItemReader()) {}

DllResourceMgr* DllResourceMgr::instance() {
  static DllResourceMgr* manager = new DllResourceMgr();  // texts must outlive every caller
  return manager;
}

void DllResourceMgr::SetItemReader(ItemReader reader) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_reader = std::move(reader);
  m_tables.clear();
  m_reportedMissing.clear();
}

const skinkit::StringTable* DllResourceMgr::Table(const std::string& langTag) {
  auto it = m_tables.find(langTag);
  if (it != m_tables.end()) return it->second.get();
  std::string bytes;
  if (!m_reader || !m_reader("strings." + langTag, bytes)) return nullptr;
  std::vector<std::string> errors;
  auto table = std::make_unique<skinkit::StringTable>(skinkit::StringTable::Parse(bytes, &errors));
  for (const std::string& error : errors) {
    LOG_METHOD(LOG_LEVEL_ERROR, "string table " << langTag << " " << error);
  }
  return m_tables.emplace(langTag, std::move(table)).first->second.get();
}

int DllResourceMgr::LoadSkin(const char* skinName, const char* langTag) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_strSkin = skinName ? skinName : "";
  const std::string tag = langTag ? langTag : "";
  LOG_METHOD(LOG_LEVEL_INFO, "skin = " << m_strSkin << ", language = " << tag);
  if (Table(tag)) {
    m_strLanguage = tag;
    return 0;
  }
  LOG_METHOD(LOG_LEVEL_ERROR, "no string table for " << tag << ", using " << kFallbackLanguage);
  m_strLanguage = kFallbackLanguage;
  return -1;
}

const wchar_t* DllResourceMgr::Lookup(const char* key) {
  if (!key) return kEmptyText;
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const std::string& tag : {m_strLanguage, std::string(kFallbackLanguage)}) {
    if (const skinkit::StringTable* table = Table(tag)) {
      if (const std::wstring* text = table->Find(key)) return text->c_str();
    }
  }
  if (!m_reportedMissing[key]) {
    m_reportedMissing[key] = true;
    LOG_METHOD(LOG_LEVEL_ERROR, "missing text key = " << key);
  }
  return kEmptyText;
}

const wchar_t* DllResourceMgr::LoadStringW(const char* key) { return instance()->Lookup(key); }

int DllResourceMgr::LoadData(const char* key, void* buffer, unsigned int* length) {
  if (!length) return -1;
  DllResourceMgr* self = instance();
  std::string bytes;
  bool found;
  {
    std::lock_guard<std::mutex> lock(self->m_mutex);
    found = key && self->m_reader && self->m_reader(key, bytes);
  }
  if (!found) {
    *length = 0;
    return -1;
  }
  if (!buffer) {
    *length = static_cast<unsigned int>(bytes.size());
    return 0;
  }
  const size_t n = *length < bytes.size() ? *length : bytes.size();
  std::memcpy(buffer, bytes.data(), n);
  *length = static_cast<unsigned int>(n);
  return 0;
}
