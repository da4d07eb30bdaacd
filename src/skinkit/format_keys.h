// Every format text of the string tables, with the arguments it takes. The
// code formats only through FormatText<key>(args...), which refuses at
// compile time arguments that differ from the registered ones; the tests
// check every table's texts against the same registry.
//
// Signature letters: 'd' int, 'f' double, 's' wide string.
#pragma once

#include <functional>
#include <string>
#include <type_traits>

#include "skinkit/text_format.h"

namespace skinkit {

struct FormatKey {
  const char* key;
  const char* signature;
};

namespace fmt {
inline constexpr FormatKey kRunningRate{"s.fmt.detect.runing.rate", "dd"};
inline constexpr FormatKey kDetectedFinished{"s.fmt.detected.finished", "d"};
inline constexpr FormatKey kNetOk{"s.fmt.detect.net.ok", "s"};
inline constexpr FormatKey kNetOtherSite{"s.fmt.detect.net.e.site", "s"};
inline constexpr FormatKey kErrorCount{"s.fmt.detect.err", "d"};
inline constexpr FormatKey kCpuPassItem{"s.fmt.detect.cpu.pass.item", "sdf"};
inline constexpr FormatKey kCpuWeak{"s.fmt.detect.cpu.e.1", "sdf"};
inline constexpr FormatKey kMemLess500{"s.fmt.detect.mem.less.500", "d"};
inline constexpr FormatKey kMemGb{"s.fmt.detect.mem.gb", "f"};
inline constexpr FormatKey kMemMb{"s.fmt.detect.mem.mb", "d"};
inline constexpr FormatKey kAudioMic{"s.fmt.detect.audio.mic", "s"};
inline constexpr FormatKey kAudioSpeaker{"s.fmt.detect.audio.speaker", "s"};
inline constexpr FormatKey kAudioMicLevel{"s.fmt.detect.audio.mic.level", "d"};
inline constexpr FormatKey kVideo{"s.fmt.detect.video", "s"};
inline constexpr FormatKey kDiskLessGb{"s.fmt.detect.disk.less.gb", "f"};
inline constexpr FormatKey kDiskLess10Gb{"s.fmt.detect.disk.less.10gb", "f"};
inline constexpr FormatKey kDiskMore{"s.fmt.detect.disk.more", "f"};
inline constexpr FormatKey kDiskMoreWin{"s.fmt.detect.disk.more.1", "f"};
inline constexpr FormatKey kDisplay{"s.fmt.detect.display", "dds"};
inline constexpr FormatKey kDisplayInternal{"s.fmt.detect.display.1", "dds"};
inline constexpr FormatKey kSysPass{"s.fmt.detect.sys.pass", "s"};
inline constexpr FormatKey kSysError{"s.fmt.detect.sys.err", "s"};
inline constexpr FormatKey kNetAdapterPass{"s.fmt.detect.net.adapter.pass", "s"};
inline constexpr FormatKey kNetAdapterError{"s.fmt.detect.net.adapter.err", "s"};
inline constexpr FormatKey kServerResult{"s.fmt.detect.net", "sdd"};
inline constexpr FormatKey kServerNoAnswer{"s.fmt.detect.net.none", "s"};
inline constexpr FormatKey kIpOtherCarrier{"s.fmt.detect.ip.other", "ss"};
inline constexpr FormatKey kUpdateProgress{"s.fmt.update.progress", "d"};
inline constexpr FormatKey kSpeed{"s.fmt.detect.speed", "ss"};
inline constexpr FormatKey kSpeedMbps{"s.fmt.detect.speed.mbps", "f"};
}  // namespace fmt

inline constexpr const FormatKey* kAllFormatKeys[] = {
    &fmt::kRunningRate, &fmt::kDetectedFinished, &fmt::kNetOk,          &fmt::kNetOtherSite,
    &fmt::kErrorCount,  &fmt::kCpuPassItem,      &fmt::kCpuWeak,        &fmt::kMemLess500,
    &fmt::kMemGb,       &fmt::kMemMb,            &fmt::kAudioMic,       &fmt::kAudioSpeaker,
    &fmt::kVideo,       &fmt::kDiskLessGb,       &fmt::kDiskLess10Gb,   &fmt::kDiskMore,
    &fmt::kDiskMoreWin, &fmt::kDisplay,          &fmt::kDisplayInternal, &fmt::kSysPass,
    &fmt::kSysError,    &fmt::kNetAdapterPass,   &fmt::kNetAdapterError, &fmt::kServerResult,
    &fmt::kUpdateProgress, &fmt::kServerNoAnswer,  &fmt::kIpOtherCarrier, &fmt::kAudioMicLevel,
    &fmt::kSpeed,       &fmt::kSpeedMbps,
};

template <typename T>
constexpr char ArgLetter() {
  using D = std::decay_t<T>;
  if constexpr (std::is_same_v<D, int>) return 'd';
  if constexpr (std::is_same_v<D, double>) return 'f';
  if constexpr (std::is_same_v<D, std::wstring> || std::is_same_v<D, const wchar_t*> || std::is_same_v<D, wchar_t*>)
    return 's';
  return '?';
}

template <typename... A>
constexpr bool SignatureIs(const char* signature) {
  constexpr char letters[] = {ArgLetter<A>()..., '\0'};
  size_t i = 0;
  for (; letters[i] != '\0'; ++i) {
    if (signature[i] != letters[i]) return false;
  }
  return signature[i] == '\0';
}

// Where texts come from: the text of a key, or an empty text.
using TextLookup = std::function<std::wstring(const char* key)>;

// The text of `key` in the language selected in the resource library.
std::wstring LibraryText(const char* key);

// The text of `key` given by `lookup`, formatted with `args`. A text that
// does not fit the registered arguments is logged and formatted as far as
// it fits.
std::wstring FormatKeyText(const TextLookup& lookup, const FormatKey& key, const std::vector<FormatArg>& args);

template <const FormatKey& K, typename... A>
std::wstring FormatTextFrom(const TextLookup& lookup, const A&... args) {
  static_assert(SignatureIs<A...>(K.signature), "arguments differ from the registered format signature");
  return FormatKeyText(lookup, K, {FormatArg(args)...});
}

// The same with the texts of the resource library.
template <const FormatKey& K, typename... A>
std::wstring FormatText(const A&... args) {
  return FormatTextFrom<K>(LibraryText, args...);
}

}  // namespace skinkit
