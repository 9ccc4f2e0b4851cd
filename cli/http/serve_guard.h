// What keeps `vxshape serve` up whatever a local program sends it: every connection on a thread
// of its own with a total deadline for reading its request, bodies bounded however they are sent,
// JSON nesting bounded before it is parsed, and the Host header checked.
#pragma once

#include "cli/http_server.h"

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <list>
#include <mutex>
#include <string>
#include <thread>

namespace vx::cli {

// A server that gives each connection a thread of its own (up to kMostConnections at once), so
// that slow or idle connections cannot hold the threads the page's requests need, and that reads
// each request (line, headers and body) within kReadDeadline, however slowly it trickles in.
class GuardedServer : public httplib::Server {
 public:
  static constexpr std::size_t kMostConnections = 512;
  static constexpr std::chrono::seconds kReadDeadline{5};
  static constexpr std::chrono::seconds kWriteTimeout{5};
  GuardedServer();

 private:
  bool process_and_close_socket(int sock) override;
};

// Why a request is refused before its body is read (an HTTP status and a reason), or status 0:
// a body sent in chunks or longer than http::kMostBodyBytes, a Host other than 127.0.0.1:PORT or
// localhost:PORT.
struct Refusal {
  int status = 0;
  std::string reason;
};
Refusal CheckRequest(const httplib::Request& req, int port);

}  // namespace vx::cli

