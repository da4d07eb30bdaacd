// Logging of the base library: one line per notable step, written to the
// program's log file. Lines are built in a CRecorder and take one of three
// shapes (method, free function, failed assertion); the LOG_* macros below
// build them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum LogLevel {
  LOG_LEVEL_ERROR = 0,
  LOG_LEVEL_WARNING = 1,
  LOG_LEVEL_INFO = 2,
};

class LogFile;

class CLogWrapper {
 public:
  // Builds one line of text in a fixed 4096-byte buffer; what does not fit
  // is cut off, never overflows.
  class CRecorder {
   public:
    enum { kCapacity = 4096 };

    CRecorder();
    CRecorder& Advance(const char* text);
    CRecorder& Advance(const char* text, size_t length);
    CRecorder& operator<<(int value);
    CRecorder& operator<<(unsigned value);
    CRecorder& operator<<(long value);
    CRecorder& operator<<(unsigned long value);
    CRecorder& operator<<(long long value);
    CRecorder& operator<<(unsigned long long value);
    CRecorder& operator<<(double value);
    CRecorder& operator<<(const char* text) { return Advance(text); }
    CRecorder& operator<<(const std::string& text) { return Advance(text.data(), text.size()); }
    CRecorder& operator<<(const wchar_t* text);  // written as UTF-8
    CRecorder& operator<<(const std::wstring& text);
    // Writes "0x" and the address in lower-case hexadecimal.
    CRecorder& AdvanceAddress(const void* address);

    const char* c_str() const { return m_szBuf; }
    size_t size() const { return m_nLength; }

   private:
    char m_szBuf[kCapacity];
    size_t m_nLength;
  };

  static CLogWrapper* Instance();

  // Writes one line: time, thread id, level, text. Thread-safe. Never fails
  // visibly: without a writable log folder the line is dropped.
  void WriteLog(int level, int module, const char* text);

  // Where the files go. The default is the per-user log folder of the
  // platform; tests point it elsewhere. An empty folder turns logging off.
  void SetDirectory(const std::string& folder);
  std::string GetFilePath() const;
  // The newest files kept in the folder; older ones are deleted at start.
  static constexpr int kKeptFiles = 10;

  // Keeps the lines in memory instead of writing them, until ReleaseLines:
  // a start that ends before it has anything to do then makes no file, so
  // it costs none of the kept logs.
  void HoldLines();
  // Writes the held lines, and from then on every line, to the file.
  void ReleaseLines();

 private:
  CLogWrapper();
  ~CLogWrapper();
  std::unique_ptr<LogFile> m_pFile;
  bool m_bHolding = false;
  std::vector<std::string> m_vecHeld;
};

namespace corekit {

// "Class::Method" (or "Function") out of a compiler's pretty function name.
std::string FunctionTag(const char* prettyFunction);

// Start and end of the three line shapes.
void BeginMethodLine(CLogWrapper::CRecorder& rec, const void* self, const char* tag, int line);
void BeginFunctionLine(CLogWrapper::CRecorder& rec, const char* tag, int line);
void EndLine(CLogWrapper::CRecorder& rec);
void WriteAssertLine(const char* tag, int line, const char* file, const char* expression);

}  // namespace corekit

#define KALTO_FUNC_TAG() ::corekit::FunctionTag(__PRETTY_FUNCTION__).c_str()

// A line of a method: "[this=0x..][Class::Method:line][message]".
#define LOG_METHOD_TAG(level, tag, stream)                                  \
  do {                                                                      \
    CLogWrapper::CRecorder kalto_rec_;                                      \
    ::corekit::BeginMethodLine(kalto_rec_, this, (tag), __LINE__);          \
    kalto_rec_ << stream;                                                   \
    ::corekit::EndLine(kalto_rec_);                                         \
    CLogWrapper::Instance()->WriteLog((level), 0, kalto_rec_.c_str());      \
  } while (0)
#define LOG_METHOD(level, stream) LOG_METHOD_TAG(level, KALTO_FUNC_TAG(), stream)

// A line of a free function: "[Function:line][message]".
#define LOG_FUNC_TAG(level, tag, stream)                                    \
  do {                                                                      \
    CLogWrapper::CRecorder kalto_rec_;                                      \
    ::corekit::BeginFunctionLine(kalto_rec_, (tag), __LINE__);              \
    kalto_rec_ << stream;                                                   \
    ::corekit::EndLine(kalto_rec_);                                         \
    CLogWrapper::Instance()->WriteLog((level), 0, kalto_rec_.c_str());      \
  } while (0)
#define LOG_FUNC(level, stream) LOG_FUNC_TAG(level, KALTO_FUNC_TAG(), stream)

// A failed assertion, at level 0:
// "[Function:line][file:line Assert failed: expression]".
#define LOG_ASSERT_TEXT(text) \
  ::corekit::WriteAssertLine(KALTO_FUNC_TAG(), __LINE__, __FILE__, (text))
#define LOG_ASSERT(expr)                 \
  do {                                   \
    if (!(expr)) LOG_ASSERT_TEXT(#expr); \
  } while (0)
