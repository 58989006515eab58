/* Fetching a texture image named by an "http://" URL into a private
 * temporary file (mkstemp under TMPDIR, else /tmp; mode 0600), which the
 * caller loads and removes. An HTTP header is skipped up to its blank
 * line; a body shorter than 6 bytes, an "<HTML>" page, a read error or
 * timeout, or more than VLURL_MAXBYTES give "Could not retrieve %s" and
 * leave no file behind. No program is ever run on the fetched bytes. */
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "core/messages.h"
#include "readers/vrml/vrml_internal.h"
#include "vlx/net.h"

namespace {

const size_t kMaxHeader = 64u << 10;
const size_t kChunk = 64u << 10;

/* The reply, chunk by chunk: from the socket or from the caller's bytes. */
struct Reply {
  int sock = -1;
  char *data = nullptr;
  size_t size = 0, pos = 0, taken = 0;
  bool failed = false;
  ~Reply() {
    if (sock >= 0) VLurl_close(sock);
    free(data);
  }
  /* Appends up to kChunk bytes to out; false at the end or on failure. */
  bool more(std::string &out) {
    if (sock < 0) {
      size_t n = std::min(kChunk, size - pos);
      out.append(data ? data + pos : "", n);
      pos += n;
      return n > 0;
    }
    if (taken >= VLURL_MAXBYTES + 1) return failed = true, false;
    char buf[kChunk];
    ssize_t n = VLurl_read(sock, buf, sizeof buf);
    if (n < 0) return failed = true, false;
    taken += size_t(n);
    if (taken > VLURL_MAXBYTES) return failed = true, false;
    out.append(buf, size_t(n));
    return n > 0;
  }
};

bool open_reply(VLvrmlstate &c, const std::string &url, Reply &r) {
  if (c.options && c.options->fetch)
    return c.options->fetch(url.c_str(), &r.data, &r.size, c.options->user);
  r.sock = VLurl_open(url.c_str());
  return r.sock >= 0;
}

/* The start of the body in head (reading more as needed); false when the
 * reply is no image. */
bool body_start(Reply &r, std::string &head) {
  while (head.size() < 6 && r.more(head)) {}
  if (head.compare(0, 4, "HTTP") == 0) {
    size_t end;
    for (;;) {
      size_t a = head.find("\r\n\r\n"), b = head.find("\n\n");
      end = a != std::string::npos && (b == std::string::npos || a < b) ? a + 4
            : b != std::string::npos                                  ? b + 2
                                                                      : 0;
      if (end) break;
      if (head.size() > kMaxHeader || !r.more(head)) return false;
    }
    head.erase(0, end);
    while (head.size() < 6 && r.more(head)) {}
  }
  if (r.failed || head.size() < 6) return false;
  return head.compare(0, 6, "<HTML>") != 0;
}

bool write_all(int fd, const std::string &s) {
  size_t done = 0;
  while (done < s.size()) {
    ssize_t n = write(fd, s.data() + done, s.size() - done);
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

std::string temp_template(void) {
  const char *dir = getenv("TMPDIR");
  std::string t = dir && *dir ? dir : "/tmp";
  if (t.back() != '/') t += '/';
  return t + "vlxtexXXXXXX";
}

}  // namespace

std::string _VLvrml_fetchtemp(VLvrmlstate &c, const std::string &url) {
  Reply r;
  std::string chunk;
  if (!open_reply(c, url, r) || !body_start(r, chunk)) {
    VLMSG(VRML_CANT_RETRIEVE, url.c_str());
    return std::string();
  }
  std::string path = temp_template();
  int fd = mkstemp(&path[0]);
  bool ok = fd >= 0;
  while (ok) {
    ok = write_all(fd, chunk);
    chunk.clear();
    if (!r.more(chunk)) break;
  }
  ok = ok && !r.failed;
  if (fd >= 0) close(fd);
  if (!ok) {
    if (fd >= 0) unlink(path.c_str());
    VLMSG(VRML_CANT_RETRIEVE, url.c_str());
    return std::string();
  }
  return path;
}
