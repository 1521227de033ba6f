#include "service/engine/preview.h"

#include <gtest/gtest.h>

#include "service/engine/read_only_ports.h"
#include "tests/service/engine/printers_fixture.h"

namespace vantrel::testing {
namespace {

// The preview reports the decisions a real pass then carries out, and over
// read-only ports even a full pass changes nothing.
TEST_F(PrintersTest, PreviewReportsWhatAPassThenDoesAndChangesNothing) {
  settings().DeleteDuplicates = true;
  settings().DoNotRenList = {L"Holder"};  // the holders are not listed
  server->wts.AddSession(8, L"", L"");
  server->wmi.AddPrinter(L"Canon for bob", L"Holder", L"TS009");
  server->wmi.AddPrinter(L"Xerox for alice", L"Holder", L"USB001");
  const Names listed = {L"HP LaserJet (redirected 3)", L"Canon (redirected 5)",
                        L"Xerox (redirected 3)", L"Office (redirected 8)", L"Plain Printer"};
  for (const std::wstring& name : listed) server->wmi.AddPrinter(name);
  const Names before = server->wmi.printers.Names();

  ReadOnlyWmi wmi(server->wmi);
  ReadOnlySpooler spooler(server->spooler);
  NoRegistryAccess registry;
  NoBroadcast broadcaster;
  Printers preview({wmi, server->wts, server->accounts, spooler, registry, broadcaster});
  const PreviewReport report = preview.Preview();
  EXPECT_EQ(FormatPreview(report),
            (Names{L"Printer query is " + preview.BuildPrinterQuery(),
                   L"HP LaserJet (redirected 3) -> HP LaserJet for alice",
                   L"Canon (redirected 5) -> Canon for bob (the other redirected printer of that "
                   L"name would be deleted)",
                   L"Xerox (redirected 3): left alone (Xerox for alice is held by a printer that "
                   L"is not redirected, which is never deleted)",
                   L"Office (redirected 8): left alone (no user in session 8)",
                   L"Plain Printer: left alone (no session found in its name)", L"5 printers"}));
  preview.RunRenamePass();
  EXPECT_EQ(server->wmi.printers.Names(), before);
  EXPECT_EQ(server->spooler.openCalls, 3);  // each wanted name, to read its holder
  EXPECT_TRUE(preview.RenamedBySession().empty());

  Printers engine(server->ports);
  engine.RunRenamePass();
  ASSERT_EQ(report.entries.size(), listed.size());
  for (const PreviewEntry& entry : report.entries) {
    const std::wstring& bears = entry.finalName.empty() ? entry.currentName : entry.finalName;
    EXPECT_NE(server->wmi.printers.Find(bears), nullptr) << bears;
  }
  EXPECT_EQ(server->wmi.printers.Names().size(), before.size() - 1);  // the deleted holder
}

}  // namespace
}  // namespace vantrel::testing
