// What the fuzz targets share: inputs are fields split at '|', so a seed
// can be written by hand, and a failed check aborts, which libFuzzer
// reports as a crash and saves the input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : (std::fprintf(stderr, "check failed: %s\n", #condition), std::abort()))

inline std::vector<std::string> Fields(const uint8_t* data, size_t size) {
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '|')
      fields.emplace_back();
    else
      fields.back().push_back(static_cast<char>(data[i]));
  }
  return fields;
}

inline std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
