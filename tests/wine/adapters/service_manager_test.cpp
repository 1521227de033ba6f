#include <windows.h>
#undef OpenService

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/win32/service_manager_win32.h"

namespace vantrel {
namespace {

TEST(Win32ServiceManagerTest, OpensServicesAndReportsWhatFails) {
  // The manager with both access masks the configuration program uses.
  for (uint32_t access : {scm_access::kGenericRead, scm_access::kManagerConnect}) {
    uint32_t lastError = 0xDEAD;
    auto manager = Win32ServiceManager().Open(access, &lastError);
    ASSERT_NE(manager, nullptr) << lastError;
    EXPECT_EQ(manager->OpenService(L"VantrelNotInstalled", scm_access::kGenericRead, &lastError),
              nullptr);
    EXPECT_EQ(lastError, static_cast<uint32_t>(ERROR_SERVICE_DOES_NOT_EXIST)) << access;
    if (access == scm_access::kGenericRead) continue;

    // Wine's RPC service exists in every booted prefix; opened for status
    // queries only, so start and the reload control are refused.
    auto service = manager->OpenService(L"RpcSs", scm_access::kServiceQueryStatus, &lastError);
    ASSERT_NE(service, nullptr) << lastError;
    ServiceStatus status;
    ASSERT_TRUE(service->QueryStatus(&status, &lastError)) << lastError;
    // Wine starts it on demand, so its state depends on what ran before.
    EXPECT_GE(status.currentState, service_state::kStopped);
    EXPECT_LE(status.currentState, service_state::kPaused);
    EXPECT_NE(status.serviceType, 0u);
    uint32_t errors[2] = {};
    EXPECT_FALSE(service->Start({L"withlog"}, &errors[0]));
    EXPECT_FALSE(service->Control(200, &status, &errors[1]));
    EXPECT_THAT(errors, ::testing::Each(static_cast<uint32_t>(ERROR_ACCESS_DENIED)));
  }
}

}  // namespace
}  // namespace vantrel
