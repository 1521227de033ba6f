#include <windows.h>
#undef OpenService

#include <gtest/gtest.h>

#include "platform/win32/service_manager_win32.h"

namespace vantrel {
namespace {

constexpr uint32_t kServiceDoesNotExist = 1060;  // ERROR_SERVICE_DOES_NOT_EXIST

TEST(Win32ServiceManagerTest, ServiceNotInstalledFailsToOpen) {
  // The manager with both access masks the configuration program uses.
  Win32ServiceManager scm;
  for (uint32_t access : {scm_access::kGenericRead, scm_access::kManagerConnect}) {
    SCOPED_TRACE(access);
    uint32_t lastError = 0xDEAD;
    auto manager = scm.Open(access, &lastError);
    ASSERT_NE(manager, nullptr) << lastError;
    EXPECT_EQ(manager->OpenService(L"VantrelNotInstalled", scm_access::kGenericRead, &lastError),
              nullptr);
    EXPECT_EQ(lastError, kServiceDoesNotExist);
  }
}

TEST(Win32ServiceManagerTest, QueriesAServiceAndReportsRefusals) {
  // Wine's RPC service exists in every booted prefix; opened for status
  // queries only, so start and the reload control are refused.
  Win32ServiceManager scm;
  auto manager = scm.Open(scm_access::kManagerConnect, nullptr);
  ASSERT_NE(manager, nullptr);
  uint32_t lastError = 0;
  auto service = manager->OpenService(L"RpcSs", scm_access::kServiceQueryStatus, &lastError);
  ASSERT_NE(service, nullptr) << lastError;

  ServiceStatus status;
  ASSERT_TRUE(service->QueryStatus(&status, &lastError)) << lastError;
  // Wine starts it on demand, so its state depends on what ran before.
  EXPECT_GE(status.currentState, service_state::kStopped);
  EXPECT_LE(status.currentState, service_state::kPaused);
  EXPECT_NE(status.serviceType, 0u);

  const uint32_t kAccessDenied = ERROR_ACCESS_DENIED;
  lastError = 0;
  EXPECT_FALSE(service->Start({}, &lastError));
  EXPECT_EQ(lastError, kAccessDenied);
  lastError = 0;
  EXPECT_FALSE(service->Start({L"withlog"}, &lastError));
  EXPECT_EQ(lastError, kAccessDenied);
  lastError = 0;
  EXPECT_FALSE(service->Control(200, &status, &lastError));
  EXPECT_EQ(lastError, kAccessDenied);
}

}  // namespace
}  // namespace vantrel
