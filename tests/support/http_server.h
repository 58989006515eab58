/* Test support: a small HTTP server on the loopback interface, run in
 * threads inside the test process. It listens on an ephemeral port of
 * 127.0.0.1 (or ::1), serves a map of request paths to bytes, records the
 * first line and the Host header of every request, and can misbehave in
 * the ways a hostile server does. The destructor stops every thread and
 * joins it, whatever the clients are doing.
 *
 * Replies: a served path gets "HTTP/1.0 200 OK" with Content-Length and
 * the bytes (or the bytes alone when served raw); any other path gets
 * "HTTP/1.0 404 Not Found" with a small "<HTML>" page. A request through a
 * proxy names a whole URL ("GET http://host/path HTTP/1.0"): it is looked
 * up first as given, then by its path. */
#ifndef VLX_TESTS_SUPPORT_HTTP_SERVER_H
#define VLX_TESTS_SUPPORT_HTTP_SERVER_H

#include <stddef.h>
#include <stdint.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

/* How the server answers a request. */
enum class HttpMode {
  Normal,       /* the served bytes (or 404) */
  Silent,       /* reads the request and never answers (holds the connection) */
  Trickle,      /* the normal reply, one byte a second */
  CloseMidway,  /* the header and half the bytes, then closes */
  Huge,         /* a header announcing huge_size() bytes, then the served bytes
                   followed by spaces up to that size, streamed */
  Garbage       /* 4 KiB of binary noise instead of a header, then closes */
};

struct HttpRequest {
  std::string line;  /* the first line, without its line end */
  std::string host;  /* the value of the Host header, "" when none */
};

class HttpServer {
 public:
  /* Listens on 127.0.0.1, or on ::1 with ipv6; check ok(). */
  explicit HttpServer(bool ipv6 = false);
  ~HttpServer();
  HttpServer(const HttpServer &) = delete;
  HttpServer &operator=(const HttpServer &) = delete;

  /* Whether ::1 can be listened on here. */
  static bool ipv6_available(void);

  bool ok(void) const { return listener_ >= 0; }
  int port(void) const { return port_; }
  /* "127.0.0.1:port" or "[::1]:port". */
  std::string authority(void) const;
  /* "http://" + authority() + path (path begins with "/" or is empty). */
  std::string url(const std::string &path) const;

  /* The bytes for path ("/dir/name"), sent after a 200 header. */
  void serve(const std::string &path, const std::string &bytes);
  /* The bytes for path sent as they are, without a header. */
  void serve_raw(const std::string &path, const std::string &bytes);
  /* A hostile answer for one path only (its bytes, if served, are used by
   * Trickle, CloseMidway and Huge). */
  void serve_hostile(const std::string &path, HttpMode mode);
  /* A mode for every request, whatever its path; Normal goes back to the
   * per-path answers. */
  void set_mode(HttpMode mode);
  /* Bytes of the Huge reply's body (1 GiB unless set). */
  void set_huge_size(uint64_t bytes);
  uint64_t huge_size(void) const { return huge_size_.load(); }

  /* Every request received so far, in order of arrival. */
  std::vector<HttpRequest> requests(void) const;
  /* Waits until at least n requests have arrived or timeout_ms passes. */
  bool wait_requests(size_t n, int timeout_ms) const;
  /* Connections accepted so far. */
  size_t connections(void) const { return connections_.load(); }

 private:
  struct Entry {
    std::string bytes;
    bool raw = false;
    HttpMode mode = HttpMode::Normal;
  };
  void accept_loop(void);
  void handle(int client);
  bool pause_ms(int client, int ms);
  bool send_all(int client, const char *data, size_t size);
  bool stopping(void) const { return stop_.load(); }

  bool ipv6_;
  int listener_ = -1;
  int port_ = 0;
  int wake_[2] = {-1, -1};  /* written once at stop: wakes every wait */
  std::atomic<bool> stop_{false};
  std::atomic<size_t> connections_{0};
  std::atomic<uint64_t> huge_size_{uint64_t(1) << 30};
  HttpMode mode_ = HttpMode::Normal;  /* guarded by lock_, as are the next two */
  std::map<std::string, Entry> entries_;
  std::vector<HttpRequest> requests_;
  mutable std::mutex lock_;
  std::thread acceptor_;
  std::vector<std::thread> workers_;  /* guarded by lock_ */
};

#endif
