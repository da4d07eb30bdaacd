#include "corekit/log.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "corekit/log_file.h"
#include "corekit/log_platform.h"
#include "corekit/textconv.h"

namespace {
std::mutex& LogMutex() {
  static std::mutex mutex;
  return mutex;
}

// Lines held before the file is made: a start's first few, never a run's.
constexpr size_t kMaxHeldLines = 256;

const char* LevelName(int level) {
  switch (level) {
    case LOG_LEVEL_ERROR: return "ERROR";
    case LOG_LEVEL_WARNING: return "WARN ";
    case LOG_LEVEL_INFO: return "INFO ";
    default: return "DEBUG";
  }
}
}  // namespace

// ---- CRecorder -----------------------------------------------------------

CLogWrapper::CRecorder::CRecorder() : m_nLength(0) { m_szBuf[0] = '\0'; }

CLogWrapper::CRecorder& CLogWrapper::CRecorder::Advance(const char* text, size_t length) {
  if (!text) return *this;
  const size_t room = kCapacity - 1 - m_nLength;
  const size_t n = length < room ? length : room;
  std::memcpy(m_szBuf + m_nLength, text, n);
  m_nLength += n;
  m_szBuf[m_nLength] = '\0';
  return *this;
}

CLogWrapper::CRecorder& CLogWrapper::CRecorder::Advance(const char* text) {
  return text ? Advance(text, std::strlen(text)) : *this;
}

CLogWrapper::CRecorder& CLogWrapper::CRecorder::operator<<(int value) { return *this << static_cast<long long>(value); }
CLogWrapper::CRecorder& CLogWrapper::CRecorder::operator<<(long value) { return *this << static_cast<long long>(value); }
CLogWrapper::CRecorder& CLogWrapper::CRecorder::operator<<(unsigned value) {
  return *this << static_cast<unsigned long long>(value);
}
CLogWrapper::CRecorder& CLogWrapper::CRecorder::operator<<(unsigned long value) {
  return *this << static_cast<unsigned long long>(value);
}

CLogWrapper::CRecorder& CLogWrapper::CRecorder::operator<<(long long value) {
  char text[32];
  const int n = std::snprintf(text, sizeof(text), "%" PRId64, static_cast<int64_t>(value));
  return Advance(text, static_cast<size_t>(n));
}

CLogWrapper::CRecorder& CLogWrapper::CRecorder::operator<<(unsigned long long value) {
  char text[32];
  const int n = std::snprintf(text, sizeof(text), "%" PRIu64, static_cast<uint64_t>(value));
  return Advance(text, static_cast<size_t>(n));
}

CLogWrapper::CRecorder& CLogWrapper::CRecorder::operator<<(double value) {
  char text[48];
  const int n = std::snprintf(text, sizeof(text), "%.3f", value);
  return n > 0 ? Advance(text, static_cast<size_t>(n) < sizeof(text) ? static_cast<size_t>(n) : sizeof(text) - 1)
               : *this;
}

CLogWrapper::CRecorder& CLogWrapper::CRecorder::operator<<(const std::wstring& text) {
  return *this << corekit::WideToUtf8(text);
}

CLogWrapper::CRecorder& CLogWrapper::CRecorder::operator<<(const wchar_t* text) {
  return text ? *this << std::wstring(text) : *this;
}

CLogWrapper::CRecorder& CLogWrapper::CRecorder::AdvanceAddress(const void* address) {
  char text[32];
  const int n = std::snprintf(text, sizeof(text), "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(address));
  return Advance(text, static_cast<size_t>(n));
}

// ---- CLogWrapper ---------------------------------------------------------

CLogWrapper::CLogWrapper() { m_pFile.reset(new LogFile(std::filesystem::u8path(corekit::DefaultLogFolder()), kKeptFiles)); }

CLogWrapper::~CLogWrapper() = default;

CLogWrapper* CLogWrapper::Instance() {
  // Never destroyed: threads may still log while the process exits.
  static CLogWrapper* instance = new CLogWrapper();
  return instance;
}

void CLogWrapper::SetDirectory(const std::string& folder) {
  std::lock_guard<std::mutex> lock(LogMutex());
  m_pFile.reset(new LogFile(std::filesystem::u8path(folder), kKeptFiles));
}

std::string CLogWrapper::GetFilePath() const {
  std::lock_guard<std::mutex> lock(LogMutex());
  return m_pFile->Path().u8string();
}

void CLogWrapper::WriteLog(int level, int /*module*/, const char* text) {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const int millis = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);

  std::lock_guard<std::mutex> lock(LogMutex());
  const std::tm local = *std::localtime(&seconds);
  char prefix[80];
  std::snprintf(prefix, sizeof(prefix), "%04d-%02d-%02d %02d:%02d:%02d.%03d [%5lu] %s ", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, millis,
                corekit::CurrentThreadId(), LevelName(level));
  std::string line(prefix);
  line += text ? text : "";
  if (!m_bHolding) {
    m_pFile->Append(line);
  } else if (m_vecHeld.size() < kMaxHeldLines) {
    m_vecHeld.push_back(std::move(line));
  }
}

void CLogWrapper::HoldLines() {
  std::lock_guard<std::mutex> lock(LogMutex());
  m_bHolding = true;
}

void CLogWrapper::ReleaseLines() {
  std::lock_guard<std::mutex> lock(LogMutex());
  m_bHolding = false;
  for (const std::string& line : m_vecHeld) m_pFile->Append(line);
  m_vecHeld.clear();
}

// ---- line shapes ---------------------------------------------------------

namespace corekit {

std::string FunctionTag(const char* pretty) {
  if (!pretty) return std::string();
  std::string text(pretty);
  // One spelling of the unnamed namespace for every compiler.
  const std::string clangAnonymous = "(anonymous namespace)";
  for (size_t at; (at = text.find(clangAnonymous)) != std::string::npos;) {
    text.replace(at, clangAnonymous.size(), "{anonymous}");
  }
  // Cut the parameter list: the first '(' that is not part of "operator()".
  size_t open = std::string::npos;
  int angle = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '<') ++angle;
    if (c == '>' && angle > 0) --angle;
    if (c == '(' && angle == 0) {
      if (i >= 8 && text.compare(i - 8, 8, "operator") == 0) continue;
      open = i;
      break;
    }
  }
  std::string head = text.substr(0, open);
  // Drop the return type and qualifiers: everything up to the last blank
  // outside template brackets.
  angle = 0;
  size_t start = 0;
  for (size_t i = 0; i < head.size(); ++i) {
    const char c = head[i];
    if (c == '<') ++angle;
    if (c == '>' && angle > 0) --angle;
    if ((c == ' ' || c == '*' || c == '&') && angle == 0) start = i + 1;
  }
  return head.substr(start);
}

void BeginMethodLine(CLogWrapper::CRecorder& rec, const void* self, const char* tag, int line) {
  rec.Advance("[this=");
  rec.AdvanceAddress(self);
  rec.Advance("][");
  rec.Advance(tag);
  rec.Advance(":");
  rec << line;
  rec.Advance("][");
}

void BeginFunctionLine(CLogWrapper::CRecorder& rec, const char* tag, int line) {
  rec.Advance("[");
  rec.Advance(tag);
  rec.Advance(":");
  rec << line;
  rec.Advance("][");
}

void EndLine(CLogWrapper::CRecorder& rec) { rec.Advance("]"); }

void WriteAssertLine(const char* tag, int line, const char* file, const char* expression) {
  CLogWrapper::CRecorder rec;
  BeginFunctionLine(rec, tag, line);
  rec.Advance(file);
  rec.Advance(":");
  rec << line;
  rec.Advance(" Assert failed: ");
  rec.Advance(expression);
  EndLine(rec);
  CLogWrapper::Instance()->WriteLog(LOG_LEVEL_ERROR, 0, rec.c_str());
}

}  // namespace corekit
