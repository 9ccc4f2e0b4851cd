#include "cli/http/serve_guard.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>

namespace vx::cli {
namespace {

using Clock = std::chrono::steady_clock;

// A request's line and headers take at most this many bytes beyond its body.
constexpr std::size_t kMostHeaderBytes = 64 * 1024;

// A connection's socket as httplib reads and writes it: every read waits only until the
// request's deadline, and no more bytes are read than a request may hold.
class DeadlineStream final : public httplib::Stream {
 public:
  DeadlineStream(int sock, Clock::time_point deadline) : sock_(sock), deadline_(deadline) {}

  bool is_readable() const override { return Wait(POLLIN, Left()); }
  bool is_writable() const override { return Wait(POLLOUT, GuardedServer::kWriteTimeout); }
  ssize_t read(char* ptr, std::size_t size) override {
    if (read_ >= http::kMostBodyBytes + kMostHeaderBytes || !is_readable()) return -1;
    const ssize_t n = ::recv(sock_, ptr, std::min(size, http::kMostBodyBytes + kMostHeaderBytes - read_), 0);
    if (n > 0) read_ += static_cast<std::size_t>(n);
    return n;
  }
  ssize_t write(const char* ptr, std::size_t size) override {
    if (!is_writable()) return -1;
    return ::send(sock_, ptr, size, MSG_NOSIGNAL);
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override { Address(false, ip, port); }
  void get_local_ip_and_port(std::string& ip, int& port) const override { Address(true, ip, port); }
  socket_t socket() const override { return sock_; }

 private:
  Clock::duration Left() const { return deadline_ - Clock::now(); }
  bool Wait(short events, Clock::duration within) const {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(within).count();
    if (ms <= 0) return false;
    pollfd p{sock_, events, 0};
    int r;
    do r = ::poll(&p, 1, static_cast<int>(ms));
    while (r < 0 && errno == EINTR && Clock::now() < deadline_);
    return r > 0 && (p.revents & (events | POLLHUP | POLLERR));
  }
  void Address(bool local, std::string& ip, int& port) const {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    ip.clear();
    port = 0;
    if ((local ? ::getsockname : ::getpeername)(sock_, reinterpret_cast<sockaddr*>(&a), &len) != 0) return;
    char buf[INET6_ADDRSTRLEN] = {};
    if (a.ss_family == AF_INET) {
      const auto* v4 = reinterpret_cast<const sockaddr_in*>(&a);
      ::inet_ntop(AF_INET, &v4->sin_addr, buf, sizeof buf);
      port = ntohs(v4->sin_port);
    } else if (a.ss_family == AF_INET6) {
      const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&a);
      ::inet_ntop(AF_INET6, &v6->sin6_addr, buf, sizeof buf);
      port = ntohs(v6->sin6_port);
    }
    ip = buf;
  }

  int sock_;
  Clock::time_point deadline_;
  std::size_t read_ = 0;
};

// A thread for each connection, so that no connection waits for another to end; beyond
// kMostConnections the accept loop waits (each connection ends within its deadlines).
class ConnectionThreads final : public httplib::TaskQueue {
 public:
  void enqueue(std::function<void()> fn) override {
    std::unique_lock<std::mutex> lock(mu_);
    cv_.wait(lock, [&] { return running_ < GuardedServer::kMostConnections; });
    for (auto it = slots_.begin(); it != slots_.end();) {
      if (!it->done) {
        ++it;
        continue;
      }
      it->thread.join();
      it = slots_.erase(it);
    }
    ++running_;
    auto slot = slots_.emplace(slots_.end());
    slot->thread = std::thread([this, slot, fn = std::move(fn)] {
      fn();
      std::lock_guard<std::mutex> done(mu_);
      slot->done = true;
      --running_;
      cv_.notify_all();
    });
  }
  void shutdown() override {
    std::list<Slot> all;
    {
      std::lock_guard<std::mutex> lock(mu_);
      all.splice(all.end(), slots_);
    }
    for (Slot& s : all) s.thread.join();
  }

 private:
  struct Slot {
    std::thread thread;
    bool done = false;
  };
  std::mutex mu_;
  std::condition_variable cv_;
  std::list<Slot> slots_;
  std::size_t running_ = 0;
};

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

GuardedServer::GuardedServer() {
  new_task_queue = [] { return new ConnectionThreads; };
}

bool GuardedServer::process_and_close_socket(int sock) {
  DeadlineStream stream(sock, Clock::now() + kReadDeadline);
  bool closed = false;
  // One request per connection: a browser's idle connections hold nothing.
  const bool ok = process_request(stream, true, closed, nullptr);
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return ok;
}

Refusal CheckRequest(const httplib::Request& req, int port) {
  // A page reached under another name (DNS rebinding) is not ours, token or not.
  const std::string host = req.get_header_value("Host");
  const std::string suffix = ":" + std::to_string(port);
  const bool hostOk = host.size() > suffix.size() && host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0 &&
                      (host.compare(0, host.size() - suffix.size(), "127.0.0.1") == 0 ||
                       EqualNoCase(host.substr(0, host.size() - suffix.size()), "localhost"));
  if (!hostOk) return {421, "this server answers only as 127.0.0.1" + suffix + " or localhost" + suffix};
  if (req.has_header("Transfer-Encoding")) return {411, "a body is sent with a Content-Length"};
  if (req.has_header("Content-Length")) {
    const std::string n = req.get_header_value("Content-Length");
    std::size_t length = 0;
    const auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), length);
    if (ec != std::errc() || end != n.data() + n.size()) return {400, "a malformed Content-Length"};
    if (length > http::kMostBodyBytes) return {413, "the body is longer than " + std::to_string(http::kMostBodyBytes) + " bytes"};
  }
  return {};
}

}  // namespace vx::cli
