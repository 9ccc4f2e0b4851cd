// The module vxshape-http.so: the HTTP library behind the program's own narrow interface
// (cli/http_server.h), so that only `serve` loads the library and what it brings.
#include "cli/http/serve_guard.h"
#include "cli/http_server.h"

#include <atomic>
#include <exception>
#include <new>

namespace vx::cli::http {
namespace {

class RequestView final : public Request {
 public:
  RequestView(const httplib::Request& req, int port) : req_(req), port_(port) {}
  bool HasParam(const char* name) const override { return req_.has_param(name); }
  std::string Param(const char* name) const override { return req_.get_param_value(name); }
  std::string Header(const char* name) const override { return req_.get_header_value(name); }
  const std::string& Body() const override { return req_.body; }
  int Refused(std::string& reason) const override {
    Refusal r = CheckRequest(req_, port_);
    reason = std::move(r.reason);
    return r.status;
  }

 private:
  const httplib::Request& req_;
  int port_;
};

void Answer(const Response& from, httplib::Response& to) {
  to.status = from.status;
  for (const auto& [name, value] : from.headers) to.set_header(name, value);
  to.set_content(from.body, from.contentType);
}

class ServerImpl final : public Server {
 public:
  ServerImpl() {
    // Bounded bodies: the page sends short JSON texts only.
    svr_.set_payload_max_length(kMostBodyBytes);
    svr_.set_keep_alive_max_count(1);
    svr_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
      if (!gate_) return httplib::Server::HandlerResponse::Unhandled;
      Response out;
      if (Run(gate_, req, out)) {
        Answer(out, res);
        return httplib::Server::HandlerResponse::Handled;
      }
      // Headers set by a gate that lets the request through go with the handler's answer.
      for (const auto& [name, value] : out.headers) res.set_header(name, value);
      return httplib::Server::HandlerResponse::Unhandled;
    });
  }
  void SetGate(Gate gate) override { gate_ = std::move(gate); }
  void Get(const std::string& path, Handler handler) override { svr_.Get(path, Wrap(std::move(handler))); }
  void Post(const std::string& path, Handler handler) override { svr_.Post(path, Wrap(std::move(handler))); }
  int Bind(const std::string& host, int port) override {
    const int bound = port == 0 ? svr_.bind_to_any_port(host) : (svr_.bind_to_port(host, port) ? port : -1);
    port_ = bound;
    return bound;
  }
  void Listen() override { svr_.listen_after_bind(); }
  void Stop() override { svr_.stop(); }

 private:
  template <class F>
  bool Run(const F& f, const httplib::Request& req, Response& out) {
    const RequestView view(req, port_);
    try {
      return f(view, out);
    } catch (const std::exception&) {
      // The handlers answer their own errors; anything else is the server's fault.
      out = Response{};
      out.status = 500;
      out.Content("{\"error\":\"internal error\"}", "application/json; charset=utf-8");
      return true;
    }
  }
  httplib::Server::Handler Wrap(Handler handler) {
    return [this, handler = std::move(handler)](const httplib::Request& req, httplib::Response& res) {
      Response out;
      Run([&](const Request& r, Response& o) { handler(r, o); return true; }, req, out);
      Answer(out, res);  // beside the headers the gate set
    };
  }

  GuardedServer svr_;
  Gate gate_;
  std::atomic<int> port_{0};
};

}  // namespace
}  // namespace vx::cli::http

extern "C" __attribute__((visibility("default"))) vx::cli::http::Server* VxNewHttpServer(int version) {
  if (version != vx::cli::http::kVersion) return nullptr;
  return new (std::nothrow) vx::cli::http::ServerImpl;
}
