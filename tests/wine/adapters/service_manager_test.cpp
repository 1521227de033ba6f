// The Service Control Manager adapter against Wine's manager, through the
// same test body the fake passes natively. Wine's RPC service exists in
// every booted prefix.
#include <gtest/gtest.h>

#include "platform/win32/service_manager_win32.h"
#include "tests/service/service_manager_contract.h"

namespace vantrel {
namespace {

TEST(ServiceManagerContract, Win32ServiceManager) {
  Win32ServiceManager scm;
  testing::CheckServiceManagerContract(scm, L"RpcSs");
}

}  // namespace
}  // namespace vantrel
