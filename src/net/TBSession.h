#pragma once
// The program's internet session: turns connection progress into texts in the network pane
// of the status bar, and makes the libcurl handles the transfers use.
#include <cstdint>
#include <curl/curl.h>
#include <mutex>

namespace tx {

class CStatusChannel;

// Connection progress codes of the session.
enum InternetStatus : int {
  ResolvingName = 10,
  NameResolved = 11,
  ConnectingToServer = 20,
  ConnectedToServer = 21,
  SendingRequest = 30,
  RequestSent = 31,
  ReceivingResponse = 40,
  ResponseReceived = 41,
  ClosingConnection = 50,
  ConnectionClosed = 51,
  HandleCreated = 60,
  HandleClosing = 70,
};

class CTBSession {
 public:
  // status may be null: the session then shows nothing. It must outlive the session.
  explicit CTBSession(CStatusChannel* status);
  CTBSession(const CTBSession&) = delete;
  CTBSession& operator=(const CTBSession&) = delete;

  // The text for a code and whether it is shown; null for codes that show nothing.
  static const char* StatusText(int code, bool* shown = nullptr);
  // Sends the code's text to the network pane when the table says so; the answer is ignored.
  void StatusCallback(int code);

  // A new easy handle (null when libcurl cannot make one).
  CURL* CreateHandle();

  // From now on every text is sent while holding gate, and none once *closed is true: lets a
  // worker that outlives its caller stop talking to the window safely.
  void SetGate(std::mutex* gate, const bool* closed) {
    gate_ = gate;
    closed_ = closed;
  }

 private:
  CStatusChannel* status_;
  std::mutex* gate_ = nullptr;
  const bool* closed_ = nullptr;
};

}  // namespace tx
