// What the configuration program and the recovery mode rely on from the
// Service Control Manager, as one test body: natively against
// FakeServiceManager, under Wine against the real manager, so the fake
// stays faithful. `installed` names a service that exists; it is opened for
// status queries only, so nothing is started or changed.
#pragma once

#include <gtest/gtest.h>

#include "platform/product.h"
#include "platform/service_manager.h"

namespace vantrel::testing {

inline void CheckServiceManagerContract(ServiceManager& scm, const std::wstring& installed) {
  constexpr int32_t kAccessDenied = 5, kServiceDoesNotExist = 1060;
  for (uint32_t access : {scm_access::kGenericRead, scm_access::kManagerConnect}) {
    std::unique_ptr<ServiceManagerHandle> manager;
    ASSERT_TRUE(scm.Open(access, &manager).ok());
    std::unique_ptr<ServiceHandle> service;
    EXPECT_EQ(manager->OpenByName(L"VantrelNotInstalled", scm_access::kGenericRead, &service),
              Status(kServiceDoesNotExist));
    EXPECT_EQ(service, nullptr);

    ASSERT_TRUE(manager->OpenByName(installed, scm_access::kServiceQueryStatus, &service).ok());
    ServiceStatus status;
    ASSERT_TRUE(service->QueryStatus(&status).ok());
    EXPECT_GE(status.currentState, service_state::kStopped);
    EXPECT_LE(status.currentState, service_state::kPaused);
    EXPECT_NE(status.serviceType, 0u);
    // A handle allows only what it was opened for.
    EXPECT_EQ(service->Start({L"withlog"}), Status(kAccessDenied));
    EXPECT_EQ(service->Control(kReloadSettingsControl, &status), Status(kAccessDenied));
    EXPECT_EQ(service->SetFailureActions({0, {{failure_action::kRestart, 1000}}}),
              Status(kAccessDenied));
  }
}

}  // namespace vantrel::testing
