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
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> fields;
  for (size_t start = 0, end = 0; end != text.npos; start = end + 1)
    fields.push_back(text.substr(start, (end = text.find('|', start)) - start));
  return fields;
}

inline std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
