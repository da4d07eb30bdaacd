// The three string tables against the code: every key the code or a layout
// uses exists in every table, every table has the same keys, and every
// format text takes exactly the arguments the code passes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "corekit/textconv.h"
#include "skinkit/format_keys.h"
#include "skinkit/string_table.h"

namespace fs = std::filesystem;

namespace {

const char* const kLanguages[] = {"zh_CN", "zh_TW", "en_US"};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

skinkit::StringTable LoadTable(const std::string& language, std::vector<std::string>& errors) {
  const fs::path path = fs::path(KALTO_SOURCE_DIR) / "skin" / "strings" / (language + ".txt");
  return skinkit::StringTable::Parse(ReadFile(path), &errors);
}

// Keys named in the sources ("s.detect.cpu") and the layouts ("%{s.ui.start}").
std::set<std::string> UsedKeys(std::set<std::string>& formatKeysOutsideRegistry) {
  std::set<std::string> keys;
  const std::regex literal(R"("(s\.[a-z0-9_]+(\.[a-z0-9_]+)+)\")");
  const std::regex layout(R"(%\{(s\.[a-z0-9_.]+)\})");
  const fs::path registry = fs::path(KALTO_SOURCE_DIR) / "src" / "skinkit" / "format_keys.h";
  for (const char* root : {"src", "skin"}) {
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(KALTO_SOURCE_DIR) / root)) {
      const std::string ext = entry.path().extension().string();
      const bool source = ext == ".cpp" || ext == ".h";
      if (!source && ext != ".xml") continue;
      const std::string text = ReadFile(entry.path());
      const std::regex& pattern = source ? literal : layout;
      for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) {
        const std::string key = (*it)[1];
        keys.insert(key);
        if (key.compare(0, 6, "s.fmt.") == 0 && entry.path() != registry) formatKeysOutsideRegistry.insert(key);
      }
    }
  }
  return keys;
}

}  // namespace

TEST(StringTables, ParseCleanly) {
  for (const char* language : kLanguages) {
    std::vector<std::string> errors;
    const auto table = LoadTable(language, errors);
    EXPECT_TRUE(errors.empty()) << language << ": " << (errors.empty() ? "" : errors.front());
    EXPECT_GT(table.Entries().size(), 80u) << language;
  }
}

TEST(StringTables, HoldEveryKeyTheCodeUsesAndNoOthers) {
  std::set<std::string> stray;
  const std::set<std::string> used = UsedKeys(stray);
  EXPECT_TRUE(stray.empty()) << "format key used outside the registry: " << *stray.begin();
  ASSERT_GT(used.size(), 20u);

  std::vector<std::string> errors;
  const auto reference = LoadTable("en_US", errors);
  for (const char* language : kLanguages) {
    const auto table = LoadTable(language, errors);
    for (const std::string& key : used) EXPECT_NE(table.Find(key), nullptr) << language << " lacks " << key;
    for (const auto& entry : reference.Entries()) {
      EXPECT_NE(table.Find(entry.first), nullptr) << language << " lacks " << entry.first;
    }
    EXPECT_EQ(table.Entries().size(), reference.Entries().size()) << language;
  }
}

TEST(StringTables, FormatTextsTakeTheRegisteredArguments) {
  for (const char* language : kLanguages) {
    std::vector<std::string> errors;
    const auto table = LoadTable(language, errors);
    std::set<std::string> registered;
    for (const skinkit::FormatKey* key : skinkit::kAllFormatKeys) {
      registered.insert(key->key);
      const std::wstring* text = table.Find(key->key);
      ASSERT_NE(text, nullptr) << language << " lacks " << key->key;
      std::string signature, error;
      EXPECT_TRUE(skinkit::FormatSignature(*text, signature, &error)) << language << " " << key->key << ": " << error;
      EXPECT_EQ(signature, key->signature) << language << " " << key->key;
    }
    // Every format text of the table is registered, and no plain text holds a conversion.
    for (const auto& entry : table.Entries()) {
      std::string signature;
      if (entry.first.compare(0, 6, "s.fmt.") == 0) {
        EXPECT_TRUE(registered.count(entry.first)) << language << " " << entry.first << " is not registered";
      } else {
        EXPECT_FALSE(skinkit::FormatSignature(entry.second, signature) && !signature.empty())
            << language << " " << entry.first << " holds a conversion but is not a format";
      }
    }
  }
}

// English texts say what the rules decide: one core is not "1 cores", 85 %
// itself counts as busy, and a list is not joined with the Chinese comma.
TEST(StringTables, EnglishReadsAsTheRulesDecide) {
  std::vector<std::string> errors;
  const auto table = LoadTable("en_US", errors);
  const skinkit::TextLookup text = [&](const char* key) {
    const std::wstring* found = table.Find(key);
    return found ? *found : std::wstring();
  };
  struct Row {
    std::wstring shown;
    std::wstring wrong;
  } rows[] = {
      {skinkit::FormatTextFrom<skinkit::fmt::kCpuPassItem>(text, std::wstring(L"CPU"), 1, 3.0), L"1 cores"},
      {skinkit::FormatTextFrom<skinkit::fmt::kCpuWeak>(text, std::wstring(L"CPU"), 1, 1.0), L"1 cores"},
      {text("s.detect.cpu.more.85.per"), L"over 85"},
      {text("s.list.separator"), L"\uFF0C"},
  };
  for (const Row& row : rows) {
    EXPECT_FALSE(row.shown.empty());
    EXPECT_EQ(row.shown.find(row.wrong), std::wstring::npos) << corekit::WideToUtf8(row.shown);
  }
}
