/* Opening "http://" URLs over POSIX sockets. The host (or the proxy that
 * VLXPROXY names) is resolved with getaddrinfo, IPv4 and IPv6 alike, and each
 * of its addresses is tried in turn with a non-blocking connect bounded by
 * the network timeout. The request is "GET path HTTP/1.0" with a Host header
 * (through a proxy the path is the whole URL); the reply reaches the caller
 * unparsed through VLurl_read.
 *
 * A load must never hang on a server: the connect, the sending of the
 * request and every read wait at most the timeout (VLXNETTIMEOUT seconds, 10
 * when unset or not a sensible number), a reply that trickles in gains less
 * than VLURL_MINPROGRESS bytes in a whole timeout fails as a timeout too, and
 * a reply longer than VLURL_MAXBYTES plus room for its header fails. Sends
 * use MSG_NOSIGNAL, so a server that goes away never raises SIGPIPE. */
#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>

#include "readers/net/url_internal.h"
#include "vlx/net.h"

namespace {

/* The default timeout and the largest one VLXNETTIMEOUT may set. */
constexpr double kDefaultTimeoutS = 10.0;
constexpr double kMaxTimeoutS = 24.0 * 3600.0;
/* Room for the reply's header beyond the largest file a caller takes. */
constexpr size_t kHeaderRoom = size_t(1) << 20;

long long now_ms(void) {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

/* What one open socket has received so far: the window of the progress
 * rule (its start and the bytes since) and the reply's length. */
struct ReplyState {
  long long window_start;
  size_t window_bytes;
  size_t total;
};

std::mutex g_lock;
std::map<int, ReplyState> g_replies;

}  // namespace

/* Milliseconds to wait on one operation: VLXNETTIMEOUT in seconds (a
 * positive decimal number, fractions allowed), else 10 s. */
int _VLnet_timeout_ms(void) {
  double seconds = kDefaultTimeoutS;
  const char *env = getenv("VLXNETTIMEOUT");
  if (env && *env) {
    char *end = nullptr;
    errno = 0;
    double v = strtod(env, &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (errno == 0 && end != env && end && *end == '\0' && isfinite(v) && v > 0.0 &&
        v <= kMaxTimeoutS)
      seconds = v;
  }
  double ms = ceil(seconds * 1000.0);
  return ms < 1.0 ? 1 : int(ms);
}

namespace {

/* Waits for events on sock until deadline (monotonic ms); >0 ready, 0 at
 * the deadline, -1 on an error. Interrupted waits resume with the time
 * left. */
int wait_for(int sock, short events, long long deadline) {
  for (;;) {
    long long left = deadline - now_ms();
    if (left <= 0) return 0;
    pollfd p = {sock, events, 0};
    int r = poll(&p, 1, left > 0x7fffffff ? 0x7fffffff : int(left));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) continue;  // the loop checks the deadline again
    return 1;
  }
}

bool is_digits(const std::string &s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

/* A decimal port 1..65535; an empty text gives the default 80. */
bool parse_port(const std::string &text, int *port) {
  if (text.empty()) {
    *port = 80;
    return true;
  }
  if (!is_digits(text) || text.size() > 5) return false;
  int p = atoi(text.c_str());
  if (p < 1 || p > 65535) return false;
  *port = p;
  return true;
}

/* A host name or address: printable ASCII without spaces, slashes or the
 * characters that would change the request's header. */
bool sane_host(const std::string &host) {
  if (host.empty()) return false;
  for (unsigned char c : host)
    if (c <= 0x20 || c >= 0x7f || c == '/' || c == '@') return false;
  return true;
}

/* "host", "host:port" or "[v6address]:port" at the start of text, up to the
 * first "/" (or its end); *rest is what follows. The brackets of an IPv6
 * literal are kept in *hostheader and removed from *host. */
bool split_authority(const char *text, std::string *host, std::string *hostheader, int *port,
                     const char **rest) {
  const char *p = text;
  std::string h;
  if (*p == '[') {
    const char *close = strchr(p, ']');
    if (!close) return false;
    h.assign(p + 1, close);
    if (h.empty() || h.find_first_not_of("0123456789abcdefABCDEF:.") != std::string::npos)
      return false;
    *hostheader = "[" + h + "]";
    p = close + 1;
    if (*p && *p != ':' && *p != '/') return false;
  } else {
    const char *end = p + strcspn(p, ":/");
    h.assign(p, end);
    *hostheader = h;
    p = end;
  }
  std::string porttext;
  if (*p == ':') {
    const char *end = p + 1 + strcspn(p + 1, "/");
    porttext.assign(p + 1, end);
    p = end;
  }
  if (!sane_host(h) || !parse_port(porttext, port)) return false;
  *host = h;
  *rest = p;
  return true;
}

/* The request target with every byte that a request line cannot carry
 * (controls, spaces, bytes above 126) percent-encoded. */
std::string encode_target(const char *target) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(target); *p; ++p) {
    if (*p <= 0x20 || *p >= 0x7f) {
      out += '%';
      out += kHex[*p >> 4];
      out += kHex[*p & 15];
    } else {
      out += char(*p);
    }
  }
  return out;
}

struct Request {
  std::string connecthost;  // whom to connect to: the server or the proxy
  int connectport = 80;
  std::string text;         // the whole request
};

bool build_request(const char *url, Request *req) {
  static const char kScheme[] = "http://";
  if (strncasecmp(url, kScheme, sizeof kScheme - 1) != 0) return false;
  std::string host, hostheader;
  int port = 80;
  const char *rest = nullptr;
  if (!split_authority(url + sizeof kScheme - 1, &host, &hostheader, &port, &rest)) return false;
  std::string target = *rest ? encode_target(rest) : "/";

  const char *proxy = getenv("VLXPROXY");
  if (proxy && *proxy) {
    /* host[:port], also accepted with a leading "http://" and a trailing
     * "/": every request goes to it, naming the whole URL. */
    if (strncasecmp(proxy, kScheme, sizeof kScheme - 1) == 0) proxy += sizeof kScheme - 1;
    std::string phostheader;
    const char *prest = nullptr;
    if (!split_authority(proxy, &req->connecthost, &phostheader, &req->connectport, &prest))
      return false;
    if (*prest && strcmp(prest, "/") != 0) return false;
    target = encode_target(url);
  } else {
    req->connecthost = host;
    req->connectport = port;
  }
  if (port != 80) hostheader += ":" + std::to_string(port);
  req->text = "GET " + target + " HTTP/1.0\r\nHost: " + hostheader + "\r\n\r\n";
  return true;
}

/* A socket connected to one of the host's addresses before deadline, each
 * tried in the order the resolver gives; -1 when none answers. */
int connect_any(const std::string &host, int port, long long deadline) {
  addrinfo hints;
  memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo *list = nullptr;
  std::string service = std::to_string(port);
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &list) != 0 || !list) return -1;
  int sock = -1;
  for (addrinfo *a = list; a && sock < 0; a = a->ai_next) {
    int s = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (s < 0) continue;
    int r;
    do r = connect(s, a->ai_addr, a->ai_addrlen);
    while (r < 0 && errno == EINTR);
    if (r < 0 && errno == EINPROGRESS) {
      r = -1;
      if (wait_for(s, POLLOUT, deadline) > 0) {
        int err = 0;
        socklen_t len = sizeof err;
        if (getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) r = 0;
      }
    }
    if (r == 0)
      sock = s;
    else
      close(s);
    if (now_ms() >= deadline) break;
  }
  freeaddrinfo(list);
  return sock;
}

/* Sends all of text before deadline. */
bool send_all(int sock, const std::string &text, long long deadline) {
  size_t sent = 0;
  while (sent < text.size()) {
    ssize_t n = send(sock, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (wait_for(sock, POLLOUT, deadline) <= 0) return false;
      continue;
    }
    return false;
  }
  return true;
}

}  // namespace

bool VLnet_init(void) {
  /* Sockets need no start-up on this system; the flag only keeps the
   * once-per-process promise of the interface. */
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = true; });
  return ready;
}

int VLurl_open(const char *url) {
  if (!url || !VLnet_init()) return -1;
  Request req;
  if (!build_request(url, &req)) return -1;
  long long deadline = now_ms() + _VLnet_timeout_ms();
  int sock = connect_any(req.connecthost, req.connectport, deadline);
  if (sock < 0) return -1;
  /* The request gets a fresh timeout of its own once connected. */
  if (!send_all(sock, req.text, now_ms() + _VLnet_timeout_ms())) {
    close(sock);
    return -1;
  }
  std::lock_guard<std::mutex> hold(g_lock);
  g_replies[sock] = ReplyState{now_ms(), 0, 0};
  return sock;
}

ssize_t VLurl_read(int sock, void *buf, size_t size) {
  if (sock < 0 || (!buf && size > 0)) return -1;
  if (size == 0) return 0;
  int timeout = _VLnet_timeout_ms();
  ReplyState state;
  bool known;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = g_replies.find(sock);
    known = it != g_replies.end();
    if (known) state = it->second;
  }
  long long now = now_ms();
  if (!known) state = ReplyState{now, 0, 0};
  /* The progress rule: a window of one timeout that ends with fewer than
   * VLURL_MINPROGRESS new bytes is a timeout; a window that reaches them
   * starts the next. */
  if (now - state.window_start >= timeout) {
    if (state.window_bytes < VLURL_MINPROGRESS) return -1;
    state.window_start = now;
    state.window_bytes = 0;
  }
  if (state.total > VLURL_MAXBYTES + kHeaderRoom) return -1;
  size_t room = VLURL_MAXBYTES + kHeaderRoom + 1 - state.total;
  if (size > room) size = room;

  ssize_t n;
  for (;;) {
    n = recv(sock, buf, size, MSG_DONTWAIT);
    if (n >= 0) break;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    int ready = wait_for(sock, POLLIN, state.window_start + timeout);
    if (ready < 0) return -1;
    if (ready == 0) {
      /* The window ended while waiting: a productive one gives way to a
       * fresh window, an idle or trickling one is the timeout. */
      if (state.window_bytes < VLURL_MINPROGRESS) return -1;
      state.window_start = now_ms();
      state.window_bytes = 0;
    }
  }
  state.window_bytes += size_t(n);
  state.total += size_t(n);
  if (known) {
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = g_replies.find(sock);
    if (it != g_replies.end()) it->second = state;
  }
  if (state.total > VLURL_MAXBYTES + kHeaderRoom) return -1;
  return n;
}

void VLurl_close(int sock) {
  if (sock < 0) return;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_replies.erase(sock);
  }
  close(sock);
}
