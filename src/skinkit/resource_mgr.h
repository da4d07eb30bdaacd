// The resource library: the string table of the chosen language and named
// data items. Tables and items are read through an item reader; on Windows
// the default reader takes them from the program's own resources.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "skinkit/string_table.h"

class DllResourceMgr {
 public:
  // Reads the bytes of a named item ("strings.zh_CN", "svrdata"); false when absent.
  using ItemReader = std::function<bool(const std::string& name, std::string& bytes)>;

  static DllResourceMgr* instance();

  // Selects the skin and the string table of `langTag` ("zh_CN", "zh_TW",
  // "en_US"). Returns 0; -1 when that table is missing, in which case the
  // English one serves.
  int LoadSkin(const char* skinName, const char* langTag);

  // The text of `key` in the selected language, owned by the library and
  // valid for the life of the process. A key the table lacks gives the
  // English text, else an empty text, and is logged once.
  static const wchar_t* LoadStringW(const char* key);

  // With no buffer: stores the length of the item in *length. With a
  // buffer of *length bytes: copies up to that many bytes and stores the
  // number copied. An absent item gives length 0. Returns 0, or -1 when absent.
  static int LoadData(const char* key, void* buffer, unsigned int* length);

  void SetItemReader(ItemReader reader);
  const std::string& GetLanguage() const { return m_strLanguage; }

 private:
  DllResourceMgr();
  const skinkit::StringTable* Table(const std::string& langTag);  // with m_mutex held
  const wchar_t* Lookup(const char* key);

  std::mutex m_mutex;
  ItemReader m_reader;
  std::string m_strSkin;
  std::string m_strLanguage = "en_US";
  // Tables stay loaded for the life of the process, so returned texts stay valid.
  std::map<std::string, std::unique_ptr<skinkit::StringTable>> m_tables;
  std::map<std::string, bool> m_reportedMissing;
};

namespace skinkit {
// The reader of the platform: the program's resources on Windows, nothing
// in the native build.
DllResourceMgr::ItemReader DefaultItemReader();
}  // namespace skinkit
