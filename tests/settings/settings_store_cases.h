// The settings store's load and save rules as one table of cases, run over
// two registries: the in-memory fake natively (settings_test.cpp) and Wine's
// real registry under a scratch key (tests/wine/settings), so the fake's
// byte and size rules are proven against the real ones.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/registry.h"

namespace vantrel::testing {

// A registry without the settings key, fresh for each test.
class SettingsBackend {
 public:
  virtual ~SettingsBackend() = default;
  virtual Registry& registry() = 0;
  virtual void DeleteValue(const wchar_t* name) = 0;
};

using MakeSettingsBackend = std::unique_ptr<SettingsBackend> (*)();

class SettingsStoreTest : public ::testing::TestWithParam<MakeSettingsBackend> {
 protected:
  using Bytes = std::vector<uint8_t>;
  struct Stored {
    uint32_t type;
    Bytes data;
    bool operator==(const Stored&) const = default;
  };

  void SetUp() override { backend_ = GetParam()(); }
  Registry& registry() { return backend_->registry(); }
  // Written and read through the port itself, so both backends take the
  // same calls.
  void Put(const wchar_t* name, uint32_t type, const Bytes& data);
  Stored Get(const wchar_t* name);  // {kNone, {}} when absent
  void Delete(const wchar_t* name) { backend_->DeleteValue(name); }

 private:
  std::unique_ptr<SettingsBackend> backend_;
};

}  // namespace vantrel::testing
