#include "net/TBSession.h"

#include "net/CurlSupport.h"
#include "status/StatusChannel.h"

namespace tx {

namespace {
struct Entry {
  int Code;
  const char* Text;
  unsigned Flags;  // 1: show in the network pane; 2: show "Connection open" instead
};
constexpr Entry Table[] = {
    {10, "Resolving name", 1},       {11, "Name resolved", 0},        {20, "Connecting to server", 1},
    {21, "Connected to server", 1},  {30, "Sending request", 0},      {31, "Request sent", 0},
    {40, "Receiving response", 0},   {41, "Response received", 0},    {50, "Closing connection", 1},
    {51, "Connection closed", 1},    {60, "Handle created", 3},       {70, "Handle closing", 0},
};
}  // namespace

CTBSession::CTBSession(CStatusChannel* status) : status_(status) { EnsureCurlReady(); }

const char* CTBSession::StatusText(int code, bool* shown) {
  for (const auto& e : Table) {
    if (e.Code != code) continue;
    if (shown) *shown = (e.Flags & 1) != 0;
    return (e.Flags & 2) ? "Connection open" : e.Text;
  }
  if (shown) *shown = false;
  return nullptr;
}

void CTBSession::StatusCallback(int code) {
  bool shown = false;
  const char* text = StatusText(code, &shown);
  if (!text || !shown || !status_) return;
  if (gate_) {
    std::lock_guard lock(*gate_);
    if (closed_ && *closed_) return;
    status_->SendStatus(text, StatusCode::Network);
  } else {
    status_->SendStatus(text, StatusCode::Network);
  }
}

CURL* CTBSession::CreateHandle() {
  CURL* h = curl_easy_init();
  if (h) StatusCallback(HandleCreated);
  return h;
}

}  // namespace tx
