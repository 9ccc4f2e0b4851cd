// The HTTP server `vxshape serve` runs, as the program sees it. The server itself lives in a module
// of its own (vxshape-http.so beside the program, cli/http/), loaded only by `serve`: the HTTP
// library brings TLS, compression and their libraries, 6 MiB resident in every process that links
// them, which every other command would pay for nothing.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vx::cli::http {

// A body the page's API takes: at most this many bytes, sent with a Content-Length.
constexpr std::size_t kMostBodyBytes = 64 * 1024;

class Request {
 public:
  virtual ~Request() = default;
  virtual bool HasParam(const char* name) const = 0;
  // The query parameter's value, or "".
  virtual std::string Param(const char* name) const = 0;
  // The header's value, or "".
  virtual std::string Header(const char* name) const = 0;
  virtual const std::string& Body() const = 0;
  // Why the server refuses the request before its body is read (an HTTP status and a reason), or
  // status 0: a body sent in chunks or longer than kMostBodyBytes, a Host other than
  // 127.0.0.1:PORT or localhost:PORT.
  virtual int Refused(std::string& reason) const = 0;
};

struct Response {
  int status = 200;
  std::string body;
  std::string contentType = "text/plain";
  std::vector<std::pair<std::string, std::string>> headers;

  void Content(std::string b, const char* type) {
    body = std::move(b);
    contentType = type;
  }
  void Header(std::string name, std::string value) { headers.emplace_back(std::move(name), std::move(value)); }
};

using Handler = std::function<void(const Request&, Response&)>;
// Runs before routing; answers true when it has answered the request itself.
using Gate = std::function<bool(const Request&, Response&)>;

// One server on one address; every connection on a thread of its own with a deadline for reading
// its request (cli/http/serve_guard.h), one request per connection.
class Server {
 public:
  virtual ~Server() = default;
  virtual void SetGate(Gate gate) = 0;
  virtual void Get(const std::string& path, Handler handler) = 0;
  virtual void Post(const std::string& path, Handler handler) = 0;
  // Binds to `host`:`port` (0: any free port); answers the port, or -1.
  virtual int Bind(const std::string& host, int port) = 0;
  // Serves until Stop (from another thread).
  virtual void Listen() = 0;
  virtual void Stop() = 0;
};

// The module's one export: makes a server, or nullptr when `version` is not the module's.
constexpr int kVersion = 1;
constexpr const char* kEntryName = "VxNewHttpServer";
using NewServerProc = Server* (*)(int version);

// Loads the module from beside the program (once) and makes a server; on failure nullptr, and
// `error` says why in one line, naming the file.
std::unique_ptr<Server> NewServer(std::string& error);

}  // namespace vx::cli::http
