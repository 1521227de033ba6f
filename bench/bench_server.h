// A busy terminal server in memory for the benchmark: sessions with their
// users, redirected printers that the WMI listing hands out and renames, and
// a registry with no stored defaults. It is kept apart from the tests'
// fakes, so the benchmark measures the engine and not test scaffolding, and
// it counts every platform call so a tick can be shown to make none.
#pragma once

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "service/engine/printers.h"

namespace vantrel::bench {

class BenchServer : public TerminalServices,
                    public Accounts,
                    public Spooler,
                    public Registry,
                    public Wmi,
                    public PrinterInventory,
                    public SettingChangeBroadcaster {
 public:
  struct Printer {
    std::wstring name, driver;
  };
  struct User {
    std::wstring name, sid;
  };

  void AddUser(uint32_t session, std::wstring user, std::wstring sid) {
    users[session] = {std::move(user), std::move(sid)};
  }
  void AddPrinter(std::wstring name, std::wstring driver) {
    printers.push_back({std::move(name), std::move(driver)});
  }

  Status QuerySessionInformation(uint32_t id, WtsInfoClass infoClass, std::wstring* text) override {
    ++calls;
    const auto user = users.find(id);
    if (user == users.end()) return Status(7022);  // ERROR_CTX_WINSTATION_NOT_FOUND
    *text = infoClass == WtsInfoClass::kUserName     ? user->second.name
            : infoClass == WtsInfoClass::kClientName ? L"CLIENT"
            : infoClass == WtsInfoClass::kDomainName ? L"BENCH"
                                                     : L"";
    return Status::Ok();
  }
  Status ParseInteger(const std::wstring& text, int32_t* value) override {
    ++calls;
    wchar_t* end = nullptr;
    const long parsed = std::wcstol(text.c_str(), &end, 10);
    if (end == text.c_str()) return Status(win32_error::kInvalidParameter);
    *value = static_cast<int32_t>(parsed);
    return Status::Ok();
  }

  Status LookUpUserSid(const std::wstring& domain, const std::wstring& name,
                       std::wstring* sid) override {
    ++calls;
    for (const auto& [session, user] : users) {
      if (user.name != name || domain != L"BENCH") continue;
      *sid = user.sid;
      return Status::Ok();
    }
    return Status(win32_error::kNoneMapped);
  }

  // No printer is held under a wanted name, so the spooler is never asked
  // to delete; a stray open fails as for an unknown printer.
  Status Open(const std::wstring&, uint32_t, std::unique_ptr<PrinterHandle>*) override {
    ++calls;
    return Status(1801);  // ERROR_INVALID_PRINTER_NAME
  }

  Status CreateKey(RegistryRoot, const std::wstring&, std::unique_ptr<RegistryKey>*,
                   bool*) override {
    ++calls;
    return Status(win32_error::kAccessDenied);
  }
  Status OpenKey(RegistryRoot, const std::wstring&, std::unique_ptr<RegistryKey>*) override {
    ++calls;
    return Status(win32_error::kFileNotFound);
  }
  Status OpenKeyForReading(RegistryRoot, const std::wstring&,
                           std::unique_ptr<RegistryKey>*) override {
    ++calls;
    return Status(win32_error::kFileNotFound);
  }

  void BroadcastSettingChange(const std::wstring&) override { ++calls; }

  Status Connect(std::unique_ptr<PrinterInventory>* inventory) override {
    ++calls;
    *inventory = std::make_unique<Connection>(*this);
    return Status::Ok();
  }
  // Lists the printers the query does not name; the benchmark's names and
  // drivers hold nothing that WQL escapes.
  Status ListPrinters(const std::wstring& query, bool,
                      std::unique_ptr<PrinterListing>* listing) override {
    ++calls;
    queries.push_back(query);
    auto result = std::make_unique<Listing>(*this);
    for (size_t i = 0; i < printers.size(); ++i) {
      if (query.find(L"DeviceID != '" + printers[i].name + L"'") == std::wstring::npos &&
          query.find(L"DriverName != '" + printers[i].driver + L"'") == std::wstring::npos)
        result->indexes.push_back(i);
    }
    *listing = std::move(result);
    return Status::Ok();
  }

  EnginePorts ports{*this, *this, *this, *this, *this, *this};
  std::map<uint32_t, User> users;
  std::vector<Printer> printers;
  std::vector<std::wstring> queries;
  int calls = 0;
  int renames = 0;

 private:
  // The engine owns what Connect hands out; it forwards to the server.
  struct Connection : PrinterInventory {
    explicit Connection(BenchServer& server) : server(server) {}
    Status ListPrinters(const std::wstring& query, bool toRename,
                        std::unique_ptr<PrinterListing>* listing) override {
      return server.ListPrinters(query, toRename, listing);
    }
    BenchServer& server;
  };
  struct Listed : ListedPrinter {
    Listed(BenchServer& server, size_t index) : server(server), index(index) {}
    Status ReadText(Property property, std::wstring* value) override {
      ++server.calls;
      const Printer& printer = server.printers[index];
      *value = property == kDeviceId ? printer.name : printer.driver;
      return Status::Ok();
    }
    RenameResult Rename(const std::wstring& newName) override {
      ++server.calls;
      ++server.renames;
      server.printers[index].name = newName;
      return {};
    }
    BenchServer& server;
    size_t index;
  };
  struct Listing : PrinterListing {
    explicit Listing(BenchServer& server) : server(server) {}
    Status Next(std::unique_ptr<ListedPrinter>* printer) override {
      ++server.calls;
      if (next == indexes.size()) {
        printer->reset();
        return Status::Ok();
      }
      *printer = std::make_unique<Listed>(server, indexes[next++]);
      return Status::Ok();
    }
    BenchServer& server;
    std::vector<size_t> indexes;
    size_t next = 0;
  };
};

}  // namespace vantrel::bench
