// What the engine relies on of the spooler, as one test body: run against
// FakeSpooler natively and against the Win32 adapter under Wine, it proves
// the fake faithful. `install(name, port, attributes)` makes a printer.
// Wine deletes through any handle; Windows (and the fake) only through one
// opened with the DELETE right: `deleteNeedsRight` says which to expect.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/spooler.h"

namespace vantrel::testing {

template <typename Install>
void ExpectSpoolerContract(Spooler& spooler, Install install, bool deleteNeedsRight = true) {
  const std::wstring redirected = L"Vantrel Contract Printer (redirected 3)";
  const std::wstring queue = L"Vantrel Contract Queue";
  install(redirected, L"TS001", kPrinterAttributeTs | 0x40);  // and PRINTER_ATTRIBUTE_LOCAL
  install(queue, L"USB001", 0x40);

  std::unique_ptr<PrinterHandle> printer;
  EXPECT_FALSE(spooler.Open(L"Vantrel No Such Printer", kPrinterAccessUse, &printer).ok());
  EXPECT_EQ(printer, nullptr);
  PrinterInfo info;
  for (const auto& [name, port] : {std::pair(queue, L"USB001"), std::pair(redirected, L"TS001")}) {
    ASSERT_EQ(spooler.Open(name, kPrinterAccessUse, &printer), Status::Ok());
    ASSERT_EQ(printer->ReadInfo(&info), Status::Ok());
    EXPECT_EQ(info.portName, port);
    EXPECT_EQ(info.attributes & kPrinterAttributeTs, name == redirected ? kPrinterAttributeTs : 0u);
  }
  if (deleteNeedsRight) {
    EXPECT_EQ(printer->Delete(), Status(win32_error::kAccessDenied));
    ASSERT_EQ(spooler.Open(redirected, kPrinterAllAccess, &printer), Status::Ok());
  }
  EXPECT_EQ(printer->Delete(), Status::Ok());
  printer.reset();
  EXPECT_FALSE(spooler.Open(redirected, kPrinterAccessUse, &printer).ok());
  ASSERT_EQ(spooler.Open(queue, kPrinterAllAccess, &printer), Status::Ok());
  EXPECT_EQ(printer->Delete(), Status::Ok());
}

}  // namespace vantrel::testing
