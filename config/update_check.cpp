#include "config/update_check.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

namespace vantrel {
namespace {

constexpr uint32_t kHttpOk = 200;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the body until it ends or reaches `limit` bytes. False when the
// exchange breaks off: a cut reply must not be taken for a version.
bool ReadBody(HttpRequest& request, uint32_t limit, std::string* body) {
  std::vector<uint8_t> data;
  while (data.size() < limit) {
    uint32_t available = 0;
    if (!request.QueryDataAvailable(&available).ok()) return false;
    if (available == 0) break;
    const uint32_t room = limit - static_cast<uint32_t>(data.size());
    uint32_t read = 0;
    if (!request.ReadData(std::min(available, room), &data, &read).ok()) return false;
    if (read == 0) break;
  }
  if (data.size() > limit) data.resize(limit);
  body->assign(data.begin(), data.end());
  return true;
}

// The reply's version, or empty when there is no usable reply.
std::string FetchCurrentVersion(ConfigPorts& ports) {
  std::unique_ptr<HttpSession> session;
  std::unique_ptr<HttpConnection> connection;
  std::unique_ptr<HttpRequest> request;
  if (!ports.http.Open(kUpdateUserAgent, &session).ok() ||
      !session->Connect(ports.updateHost, ports.updatePort, &connection).ok() ||
      !connection->OpenRequest(L"GET", kVersionObjectName, &request).ok() ||
      !request->Send().ok() || !request->ReceiveResponse().ok())
    return {};
  // An error page (404, 500, a proxy's notice) says nothing about versions.
  uint32_t status = 0;
  if (!request->QueryStatusCode(&status).ok() || status != kHttpOk) return {};
  std::string body;
  if (!ReadBody(*request, kMaxReplyBytes, &body)) return {};
  return LeadingVersion(body);
}

}  // namespace

std::string LeadingVersion(const std::string& body) {
  size_t end = 0;
  for (;;) {
    const size_t groupStart = end;
    while (end < body.size() && IsDigit(body[end])) ++end;
    if (end == groupStart) return {};  // empty group: "", ".1", "3..1", "3."
    if (end < body.size() && body[end] == '.') {
      ++end;
      continue;
    }
    break;
  }
  // A bare number ("404 Not Found") is not a product version.
  const std::string version = body.substr(0, end);
  if (version.find('.') == std::string::npos) return {};
  if (end < body.size()) {
    const unsigned char next = static_cast<unsigned char>(body[end]);
    if (next != '\0' && !std::isspace(next)) return {};
  }
  return version;
}

std::string GetProductVersion(VersionInfo& versionInfo) {
  try {
    std::wstring value;
    if (!versionInfo.QueryOwnStringValue(kProductVersionPath, &value).ok()) return {};
    // The C library's conversion in the current locale, as the version is
    // shown and compared as narrow text; at most 1023 bytes are kept.
    std::vector<char> buffer(kTextCapacity, '\0');
    std::wcstombs(buffer.data(), value.c_str(), kTextCapacity - 1);
    buffer.back() = '\0';
    return std::string(buffer.data());
  } catch (const std::exception&) {
    return {};
  }
}

namespace {

// Compared over the length of our own version only; without a version of our
// own, nothing is new.
bool IsNewVersion(VersionInfo& versionInfo, const std::string& replyVersion) {
  const std::string own = GetProductVersion(versionInfo);
  return std::strncmp(replyVersion.c_str(), own.c_str(), own.size()) != 0;
}

}  // namespace

void CheckForUpdate(ConfigPorts& ports) {
  // The handles are closed inside the fetch, before the offer waits for an
  // answer.
  const std::string version = FetchCurrentVersion(ports);
  if (version.empty() || !IsNewVersion(ports.versionInfo, version)) return;
  if (!ports.view.Confirm(
          L"There is a new version available.\r\nWould you like to download and install this now?",
          L"New Vantrel version available!"))
    return;
  ports.view.OpenPage(VendorPageUrl(L"/products/vantrel/3/"));
  ports.view.Close();
}

}  // namespace vantrel
