/* URL fetch against the loopback server of tests/support: the request line
 * and Host header for every form of URL, the proxy form, IPv6, refused and
 * malformed URLs, the timeout setting, and hostile servers that must cost
 * at most about the timeout. */
#include <gtest/gtest.h>

#include <dirent.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "readers/net/url_internal.h"
#include "support/http_server.h"
#include "support/messages.h"
#include "vlx/net.h"

namespace {

/* Sets (or with null unsets) an environment variable while it lives. */
class ScopedEnv {
 public:
  ScopedEnv(const char *name, const char *value) : name_(name) {
    const char *old = getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (had_)
      setenv(name_.c_str(), old_.c_str(), 1);
    else
      unsetenv(name_.c_str());
  }

 private:
  std::string name_, old_;
  bool had_ = false;
};

struct Fetched {
  int sock = -1;
  ssize_t last = 0;    /* the last VLurl_read result: 0 end, -1 failure */
  std::string bytes;   /* everything read (kept up to keep bytes) */
  size_t total = 0;
  double seconds = 0;  /* open to last read */
};

/* Opens url and reads until the reply ends or fails. */
Fetched fetch(const std::string &url, size_t keep = 1 << 20) {
  Fetched f;
  auto start = std::chrono::steady_clock::now();
  f.sock = VLurl_open(url.c_str());
  if (f.sock >= 0) {
    std::vector<char> buf(64 << 10);
    for (;;) {
      f.last = VLurl_read(f.sock, buf.data(), buf.size());
      if (f.last <= 0) break;
      f.total += size_t(f.last);
      if (f.bytes.size() < keep)
        f.bytes.append(buf.data(), std::min(size_t(f.last), keep - f.bytes.size()));
    }
    VLurl_close(f.sock);
  }
  f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return f;
}

std::string reply_body(const std::string &reply) {
  size_t end = reply.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

/* Open descriptors of this process. */
int open_fds(void) {
  int n = 0;
  DIR *d = opendir("/proc/self/fd");
  if (!d) return -1;
  while (readdir(d)) ++n;
  closedir(d);
  return n;
}

/* A loopback port that nothing listens on. */
int closed_port(void) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a;
  memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a);
  getsockname(s, reinterpret_cast<sockaddr *>(&a), &len);
  close(s);
  return ntohs(a.sin_port);
}

class NetTest : public ::testing::Test {
 protected:
  void SetUp() override { record_messages(); }
  void TearDown() override { stop_recording(); }
  ScopedEnv noproxy_{"VLXPROXY", nullptr};
  ScopedEnv timeout_{"VLXNETTIMEOUT", "5"};
};

}  // namespace

TEST_F(NetTest, InitOncePerProcess) {
  EXPECT_TRUE(VLnet_init());
  EXPECT_TRUE(VLnet_init());
}

TEST_F(NetTest, RequestLineAndHostHeader) {
  HttpServer server;
  ASSERT_TRUE(server.ok());
  server.serve("/", "root");
  server.serve("/dir/world.wrl", "#VRML V1.0 ascii\n");
  server.serve("/a%20b", "spaced");
  std::string port = std::to_string(server.port());
  struct Case {
    std::string url, line, host, body;
  } cases[] = {
      {server.url("/dir/world.wrl"), "GET /dir/world.wrl HTTP/1.0", server.authority(),
       "#VRML V1.0 ascii\n"},
      /* Only the scheme and host: the path is "/" */
      {server.url(""), "GET / HTTP/1.0", server.authority(), "root"},
      {server.url("/"), "GET / HTTP/1.0", server.authority(), "root"},
      /* The scheme in any case; a name the resolver knows */
      {"HTTP://localhost:" + port + "/dir/world.wrl", "GET /dir/world.wrl HTTP/1.0",
       "localhost:" + port, "#VRML V1.0 ascii\n"},
      /* Bytes a request line cannot carry are percent-encoded */
      {server.url("/a b"), "GET /a%20b HTTP/1.0", server.authority(), "spaced"},
      /* A path the server does not have: the 404 reply still comes back */
      {server.url("/missing.wrl"), "GET /missing.wrl HTTP/1.0", server.authority(),
       "<HTML><BODY>404 Not Found</BODY></HTML>\n"},
  };
  size_t n = 0;
  for (const Case &c : cases) {
    Fetched f = fetch(c.url);
    ASSERT_GE(f.sock, 0) << c.url;
    EXPECT_EQ(f.last, 0) << c.url;
    /* The reply reaches the caller unparsed, header included. */
    EXPECT_EQ(f.bytes.compare(0, 9, "HTTP/1.0 "), 0) << c.url;
    EXPECT_EQ(reply_body(f.bytes), c.body) << c.url;
    ASSERT_TRUE(server.wait_requests(++n, 2000));
    HttpRequest r = server.requests().back();
    EXPECT_EQ(r.line, c.line) << c.url;
    EXPECT_EQ(r.host, c.host) << c.url;
  }
  EXPECT_TRUE(fired().empty());
}

TEST_F(NetTest, RawReplyIsHandedOverAsItIs) {
  HttpServer server;
  ASSERT_TRUE(server.ok());
  std::string big(300000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 7 + i / 1000);
  server.serve_raw("/raw.bin", big);
  Fetched f = fetch(server.url("/raw.bin"));
  ASSERT_GE(f.sock, 0);
  EXPECT_EQ(f.last, 0);
  EXPECT_EQ(f.bytes, big);
}

TEST_F(NetTest, ProxyGetsTheWholeUrl) {
  HttpServer proxy;
  ASSERT_TRUE(proxy.ok());
  proxy.serve("/models/world.wrl", "through the proxy");
  struct Case {
    std::string proxyvalue, url, line, host;
  } cases[] = {
      {proxy.authority(), "http://example.invalid/models/world.wrl",
       "GET http://example.invalid/models/world.wrl HTTP/1.0", "example.invalid"},
      {"http://" + proxy.authority() + "/", "http://example.invalid:8080/models/world.wrl",
       "GET http://example.invalid:8080/models/world.wrl HTTP/1.0", "example.invalid:8080"},
      {proxy.authority(), "http://example.invalid", "GET http://example.invalid HTTP/1.0",
       "example.invalid"},
  };
  size_t n = 0;
  for (const Case &c : cases) {
    ScopedEnv env("VLXPROXY", c.proxyvalue.c_str());
    Fetched f = fetch(c.url);
    ASSERT_GE(f.sock, 0) << c.url;
    EXPECT_EQ(f.last, 0);
    ASSERT_TRUE(proxy.wait_requests(++n, 2000));
    HttpRequest r = proxy.requests().back();
    EXPECT_EQ(r.line, c.line);
    EXPECT_EQ(r.host, c.host);
  }
  {
    ScopedEnv env("VLXPROXY", proxy.authority().c_str());
    EXPECT_EQ(reply_body(fetch("http://example.invalid/models/world.wrl").bytes),
              "through the proxy");
  }
}

TEST_F(NetTest, Ipv6Loopback) {
  if (!HttpServer::ipv6_available()) GTEST_SKIP() << "no IPv6 loopback here";
  HttpServer server(true);
  ASSERT_TRUE(server.ok());
  server.serve("/six.wrl", "over IPv6");
  Fetched f = fetch(server.url("/six.wrl"));
  ASSERT_GE(f.sock, 0);
  EXPECT_EQ(reply_body(f.bytes), "over IPv6");
  ASSERT_TRUE(server.wait_requests(1, 2000));
  EXPECT_EQ(server.requests()[0].line, "GET /six.wrl HTTP/1.0");
  EXPECT_EQ(server.requests()[0].host, server.authority());
}

TEST_F(NetTest, RefusedAndMalformedUrlsFailSilently) {
  std::string refused = "http://127.0.0.1:" + std::to_string(closed_port()) + "/x.wrl";
  const char *const urls[] = {
      "",
      "ftp://127.0.0.1/x",
      "127.0.0.1/x",
      "http://",
      "http:///x",
      "http://:80/x",
      "http://127.0.0.1:0/x",
      "http://127.0.0.1:65536/x",
      "http://127.0.0.1:12ab/x",
      "http://127.0.0.1:-5/x",
      "http://[::1/x",
      "http://[zz]/x",
      "http://bad host/x",
      "http://ctrl\r\nHost: evil/x",
      refused.c_str(),
  };
  int fds = open_fds();
  EXPECT_EQ(VLurl_open(nullptr), -1);
  for (const char *url : urls) {
    Fetched f = fetch(url);
    EXPECT_LT(f.sock, 0) << url;
    EXPECT_LT(f.seconds, 4.0) << url;  // nothing waits for the timeout
  }
  EXPECT_EQ(VLurl_read(-1, nullptr, 0), -1);
  VLurl_close(-1);
  EXPECT_EQ(open_fds(), fds);
  EXPECT_TRUE(fired().empty());
}

TEST_F(NetTest, ProxySettingErrors) {
  HttpServer server;
  ASSERT_TRUE(server.ok());
  server.serve("/x", "direct");
  const char *const bad[] = {"127.0.0.1:notaport", "127.0.0.1:99999", ":8080",
                             "127.0.0.1:1/path"};
  for (const char *value : bad) {
    ScopedEnv env("VLXPROXY", value);
    EXPECT_LT(VLurl_open(server.url("/x").c_str()), 0) << value;
  }
  /* An empty setting is no proxy. */
  ScopedEnv env("VLXPROXY", "");
  EXPECT_EQ(reply_body(fetch(server.url("/x")).bytes), "direct");
}

TEST(NetTimeout, SettingIsValidated) {
  struct Case {
    const char *value;
    int ms;
  } cases[] = {
      {nullptr, 10000}, {"", 10000},    {"3", 3000},        {" 2", 2000},  {"0.25", 250},
      {"1e1", 10000},   {"abc", 10000}, {"5s", 10000},      {"0", 10000},  {"-1", 10000},
      {"nan", 10000},   {"inf", 10000}, {"1e300", 10000},   {"86400", 86400000},
      {"86401", 10000}, {"0.0001", 1},
  };
  for (const Case &c : cases) {
    ScopedEnv env("VLXNETTIMEOUT", c.value);
    EXPECT_EQ(_VLnet_timeout_ms(), c.ms) << (c.value ? c.value : "(unset)");
  }
}

/* Each hostile server costs about one timeout (1 s here), never more than a
 * few, and leaves no descriptor open. */
TEST_F(NetTest, HostileServersCostAtMostTheTimeout) {
  ScopedEnv timeout("VLXNETTIMEOUT", "1");
  /* Counted around the server's life: its own connections close with it. */
  int fds = open_fds();
  auto server_ptr = std::make_unique<HttpServer>();
  HttpServer &server = *server_ptr;
  ASSERT_TRUE(server.ok());
  std::string body(3000, 'v');
  server.serve("/w.wrl", body);
  server.set_huge_size(uint64_t(1) << 30);
  struct Case {
    HttpMode mode;
    ssize_t last;     /* how the reply ends: 0 or -1 */
    bool waits;       /* it takes at least the timeout */
  } cases[] = {
      {HttpMode::Silent, -1, true},
      {HttpMode::Trickle, -1, true},
      {HttpMode::CloseMidway, 0, false},
      {HttpMode::Huge, -1, false},
      {HttpMode::Garbage, 0, false},
  };
  for (const Case &c : cases) {
    server.set_mode(c.mode);
    Fetched f = fetch(server.url("/w.wrl"), 8192);
    SCOPED_TRACE(int(c.mode));
    ASSERT_GE(f.sock, 0);
    EXPECT_EQ(f.last, c.last);
    EXPECT_LT(f.seconds, 8.0);  // about the timeout, never a hang
    if (c.waits) {
      EXPECT_GE(f.seconds, 0.9);
    }
    switch (c.mode) {
      case HttpMode::Trickle:
        EXPECT_LT(f.total, VLURL_MINPROGRESS);
        EXPECT_EQ(f.bytes.compare(0, f.total, std::string("HTTP/1.0 200 OK").substr(0, f.total)),
                  0);
        break;
      case HttpMode::CloseMidway:
        EXPECT_EQ(reply_body(f.bytes), body.substr(0, body.size() / 2));
        break;
      case HttpMode::Huge:
        /* Refused past the largest file plus room for a header. */
        EXPECT_GT(f.total, VLURL_MAXBYTES);
        EXPECT_LE(f.total, VLURL_MAXBYTES + (size_t(1) << 20) + 1);
        break;
      case HttpMode::Garbage:
        EXPECT_EQ(f.total, 4096u);
        EXPECT_NE(f.bytes.compare(0, 4, "HTTP"), 0);
        break;
      default:
        EXPECT_EQ(f.total, 0u);
        break;
    }
  }
  server_ptr.reset();
  EXPECT_EQ(open_fds(), fds);
  EXPECT_TRUE(fired().empty());
}

/* A reply that keeps coming fast enough is never cut by the progress rule,
 * however long it takes in all; a pause shorter than the timeout is fine. */
TEST_F(NetTest, SteadyReplyOutlastsTheTimeout) {
  ScopedEnv timeout("VLXNETTIMEOUT", "0.3");
  HttpServer server;
  ASSERT_TRUE(server.ok());
  server.serve("/big", std::string(4 << 20, 'b'));
  int sock = VLurl_open(server.url("/big").c_str());
  ASSERT_GE(sock, 0);
  std::vector<char> buf(32 << 10);
  size_t total = 0;
  ssize_t n;
  auto start = std::chrono::steady_clock::now();
  /* Reads spread over about a second: four windows of the timeout. */
  while ((n = VLurl_read(sock, buf.data(), buf.size())) > 0) {
    total += size_t(n);
    if (std::chrono::steady_clock::now() - start < std::chrono::seconds(1))
      usleep(20000);
  }
  VLurl_close(sock);
  EXPECT_EQ(n, 0);
  EXPECT_GT(total, size_t(4 << 20));
}

TEST_F(NetTest, ServerStopsWhileClientsHang) {
  /* The server's destructor returns although a client still holds a
   * silent connection open. */
  int sock;
  {
    HttpServer server;
    ASSERT_TRUE(server.ok());
    server.set_mode(HttpMode::Silent);
    sock = VLurl_open(server.url("/").c_str());
    ASSERT_GE(sock, 0);
    ASSERT_TRUE(server.wait_requests(1, 2000));
  }
  char c;
  EXPECT_EQ(VLurl_read(sock, &c, 1), 0);  // the server closed on stopping
  VLurl_close(sock);
}
