// Arbitrary fuzz bytes as the texts a system call might return.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Splits the input into texts at each zero byte; each byte becomes one
// UTF-16 code unit, high bytes spread over the whole range (unpaired
// surrogates included).
inline std::vector<std::wstring> WideTextsOf(const uint8_t* data, size_t size) {
  std::vector<std::wstring> texts(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      texts.emplace_back();
    } else {
      texts.back() += static_cast<wchar_t>(data[i] < 0x80 ? data[i] : data[i] * 0x101);
    }
  }
  return texts;
}
