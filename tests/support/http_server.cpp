/* The loopback HTTP server of the tests: one thread accepts, one thread
 * per connection answers. Every wait (for a client, for room to send, for
 * the next trickled byte) also watches a wake pipe that the destructor
 * writes to, so stopping never waits on a client. Client sockets are
 * non-blocking and sends use MSG_NOSIGNAL: a client that goes away ends its
 * connection's thread, never the process. */
#include "support/http_server.h"

#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace {

/* The most bytes of a request that are read (its line and headers). */
constexpr size_t kMaxRequest = 16 << 10;

std::string status_reply(int code, const char *reason, const std::string &body) {
  char head[160];
  snprintf(head, sizeof head,
           "HTTP/1.0 %d %s\r\nContent-Type: application/octet-stream\r\n"
           "Content-Length: %zu\r\n\r\n",
           code, reason, body.size());
  return head + body;
}

const char kNotFound[] = "<HTML><BODY>404 Not Found</BODY></HTML>\n";

/* The value of the Host header in the request's header lines. */
std::string host_header(const std::string &request) {
  size_t pos = request.find('\n');
  while (pos != std::string::npos && pos + 1 < request.size()) {
    size_t start = pos + 1;
    size_t end = request.find('\n', start);
    std::string line = request.substr(start, end == std::string::npos ? end : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) break;
    if (line.size() >= 5 && strncasecmp(line.c_str(), "host:", 5) == 0) {
      size_t v = line.find_first_not_of(" \t", 5);
      return v == std::string::npos ? std::string() : line.substr(v);
    }
    pos = end;
  }
  return std::string();
}

}  // namespace

HttpServer::HttpServer(bool ipv6) : ipv6_(ipv6) {
  if (pipe2(wake_, O_CLOEXEC) != 0) return;
  int s = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return;
  int one = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_storage addr;
  memset(&addr, 0, sizeof addr);
  socklen_t len;
  if (ipv6) {
    setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
    sockaddr_in6 *a = reinterpret_cast<sockaddr_in6 *>(&addr);
    a->sin6_family = AF_INET6;
    a->sin6_addr = in6addr_loopback;
    len = sizeof *a;
  } else {
    sockaddr_in *a = reinterpret_cast<sockaddr_in *>(&addr);
    a->sin_family = AF_INET;
    a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    len = sizeof *a;
  }
  if (bind(s, reinterpret_cast<sockaddr *>(&addr), len) != 0 || listen(s, 64) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
    close(s);
    return;
  }
  port_ = ipv6 ? ntohs(reinterpret_cast<sockaddr_in6 *>(&addr)->sin6_port)
               : ntohs(reinterpret_cast<sockaddr_in *>(&addr)->sin_port);
  listener_ = s;
  acceptor_ = std::thread(&HttpServer::accept_loop, this);
}

HttpServer::~HttpServer() {
  stop_.store(true);
  if (wake_[1] >= 0) {
    char c = 1;
    ssize_t r = write(wake_[1], &c, 1);
    (void)r;
  }
  if (acceptor_.joinable()) acceptor_.join();
  /* The acceptor has ended: nothing adds workers any more. */
  for (std::thread &t : workers_)
    if (t.joinable()) t.join();
  if (listener_ >= 0) close(listener_);
  for (int fd : wake_)
    if (fd >= 0) close(fd);
}

bool HttpServer::ipv6_available(void) {
  int s = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return false;
  sockaddr_in6 a;
  memset(&a, 0, sizeof a);
  a.sin6_family = AF_INET6;
  a.sin6_addr = in6addr_loopback;
  bool ok = bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
  close(s);
  return ok;
}

std::string HttpServer::authority(void) const {
  return (ipv6_ ? "[::1]:" : "127.0.0.1:") + std::to_string(port_);
}

std::string HttpServer::url(const std::string &path) const {
  return "http://" + authority() + path;
}

void HttpServer::serve(const std::string &path, const std::string &bytes) {
  std::lock_guard<std::mutex> hold(lock_);
  Entry &e = entries_[path];
  e.bytes = bytes;
  e.raw = false;
}

void HttpServer::serve_raw(const std::string &path, const std::string &bytes) {
  std::lock_guard<std::mutex> hold(lock_);
  Entry &e = entries_[path];
  e.bytes = bytes;
  e.raw = true;
}

void HttpServer::serve_hostile(const std::string &path, HttpMode mode) {
  std::lock_guard<std::mutex> hold(lock_);
  entries_[path].mode = mode;
}

void HttpServer::set_mode(HttpMode mode) {
  std::lock_guard<std::mutex> hold(lock_);
  mode_ = mode;
}

void HttpServer::set_huge_size(uint64_t bytes) { huge_size_.store(bytes); }

std::vector<HttpRequest> HttpServer::requests(void) const {
  std::lock_guard<std::mutex> hold(lock_);
  return requests_;
}

bool HttpServer::wait_requests(size_t n, int timeout_ms) const {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (requests_.size() >= n) return true;
    }
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void HttpServer::accept_loop(void) {
  while (!stopping()) {
    pollfd p[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    int r = poll(p, 2, -1);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 || (p[1].revents & POLLIN) || stopping()) break;
    if (!(p[0].revents & POLLIN)) continue;
    int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) continue;
    connections_.fetch_add(1);
    std::lock_guard<std::mutex> hold(lock_);
    workers_.emplace_back(&HttpServer::handle, this, client);
  }
}

/* Waits ms milliseconds; false at once when the server stops or the client
 * closes its side (or sends anything more). */
bool HttpServer::pause_ms(int client, int ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (stopping()) return false;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    until - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) return true;
    pollfd p[2] = {{client, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    int r = poll(p, 2, int(left));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 || p[1].revents) return false;
    if (p[0].revents) {
      char c;
      ssize_t n = recv(client, &c, 1, MSG_DONTWAIT | MSG_PEEK);
      if (n <= 0 && !(n < 0 && (errno == EAGAIN || errno == EINTR))) return false;
      if (n > 0) return false;
    }
  }
}

bool HttpServer::send_all(int client, const char *data, size_t size) {
  size_t sent = 0;
  while (sent < size) {
    if (stopping()) return false;
    ssize_t n = send(client, data + sent, size - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p[2] = {{client, POLLOUT, 0}, {wake_[0], POLLIN, 0}};
      int r = poll(p, 2, -1);
      if (r < 0 && errno != EINTR) return false;
      if (r > 0 && (p[1].revents || (p[0].revents & (POLLERR | POLLHUP)))) return false;
      continue;
    }
    return false;
  }
  return true;
}

void HttpServer::handle(int client) {
  /* The request: up to its blank line, its end, or kMaxRequest bytes. */
  std::string request;
  bool complete = false;
  while (!complete && request.size() < kMaxRequest && !stopping()) {
    pollfd p[2] = {{client, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    int r = poll(p, 2, -1);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 || p[1].revents) break;
    char buf[2048];
    ssize_t n = recv(client, buf, sizeof buf, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) break;
    request.append(buf, size_t(n));
    complete = request.find("\r\n\r\n") != std::string::npos ||
               request.find("\n\n") != std::string::npos;
  }
  if (request.empty() || stopping()) {
    close(client);
    return;
  }
  HttpRequest rec;
  rec.line = request.substr(0, request.find('\n'));
  if (!rec.line.empty() && rec.line.back() == '\r') rec.line.pop_back();
  rec.host = host_header(request);

  /* "GET target ..." */
  std::string target;
  {
    size_t a = rec.line.find(' ');
    if (a != std::string::npos) {
      size_t b = rec.line.find(' ', a + 1);
      target = rec.line.substr(a + 1, b == std::string::npos ? b : b - a - 1);
    }
  }
  Entry entry;
  bool found = false;
  HttpMode mode;
  {
    std::lock_guard<std::mutex> hold(lock_);
    requests_.push_back(rec);
    auto it = entries_.find(target);
    if (it == entries_.end() && strncasecmp(target.c_str(), "http://", 7) == 0) {
      size_t slash = target.find('/', 7);
      it = entries_.find(slash == std::string::npos ? "/" : target.substr(slash));
    }
    if (it != entries_.end()) {
      entry = it->second;
      found = true;
    }
    mode = mode_ != HttpMode::Normal ? mode_ : entry.mode;
  }
  std::string reply = !found       ? status_reply(404, "Not Found", kNotFound)
                      : entry.raw ? entry.bytes
                                  : status_reply(200, "OK", entry.bytes);
  switch (mode) {
    case HttpMode::Normal:
      send_all(client, reply.data(), reply.size());
      break;
    case HttpMode::Silent:
      /* Holds the connection until the client gives up or the server stops. */
      while (pause_ms(client, 1000)) {
      }
      break;
    case HttpMode::Trickle:
      for (size_t i = 0; i < reply.size(); ++i)
        if (!send_all(client, &reply[i], 1) || !pause_ms(client, 1000)) break;
      break;
    case HttpMode::CloseMidway: {
      size_t body = found && !entry.raw ? entry.bytes.size()
                    : found             ? reply.size()
                                        : sizeof kNotFound - 1;
      size_t header = reply.size() - body;
      send_all(client, reply.data(), header + body / 2);
      break;
    }
    case HttpMode::Huge: {
      uint64_t total = huge_size_.load();
      char head[128];
      snprintf(head, sizeof head,
               "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
               "Content-Length: %llu\r\n\r\n",
               (unsigned long long)total);
      if (!send_all(client, head, strlen(head))) break;
      uint64_t sent = 0;
      if (found) {
        size_t n = size_t(std::min<uint64_t>(entry.bytes.size(), total));
        if (!send_all(client, entry.bytes.data(), n)) break;
        sent = n;
      }
      static const std::string kSpaces(64 << 10, ' ');
      while (sent < total) {
        size_t n = size_t(std::min<uint64_t>(kSpaces.size(), total - sent));
        if (!send_all(client, kSpaces.data(), n)) break;
        sent += n;
      }
      break;
    }
    case HttpMode::Garbage: {
      std::string noise(4096, '\0');
      uint32_t x = 0x9e3779b9u;
      for (char &c : noise) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
      }
      noise[0] = char(0xff);  // never "HTTP" nor "<HTML>"
      send_all(client, noise.data(), noise.size());
      break;
    }
  }
  shutdown(client, SHUT_WR);
  close(client);
}
