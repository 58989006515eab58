/* The VRML input stage: the source (a file stream, a connected socket or
 * bytes in memory) is read in blocks of 4096 bytes, each also written to
 * the copy stream when one is set. The first block decides whether the
 * source is VRML 1.0: at least 8 bytes, not an "<HTML>" page, and
 * beginning "#VRML ". A reply that begins "HTTP" carries a header, which
 * is skipped up to its blank line (the body may start in the same block).
 * A read error, a timeout or more than VLURL_MAXBYTES from a socket ends
 * the file with "Could not open %s". */
#include <string.h>

#include "core/messages.h"
#include "readers/vrml/vrml_internal.h"
#include "vlx/net.h"

namespace {

/* Longest HTTP header accepted before the body. */
const size_t kMaxHeader = 64u << 10;

/* Up to room bytes from the source into dst; 0 at its end, -1 on error. */
long read_source(VLvrmlinput &in, unsigned char *dst, size_t room) {
  if (in.stream) {
    size_t n = fread(dst, 1, room, in.stream);
    if (n == 0 && ferror(in.stream)) return -1;
    return long(n);
  }
  if (in.sock >= 0) {
    if (in.taken >= VLURL_MAXBYTES) return -1;
    if (room > VLURL_MAXBYTES - in.taken) room = VLURL_MAXBYTES - in.taken;
    ssize_t n = VLurl_read(in.sock, dst, room);
    if (n < 0) return -1;
    in.taken += size_t(n);
    return long(n);
  }
  size_t left = in.memsize - in.mempos;
  size_t n = left < room ? left : room;
  if (n) memcpy(dst, in.mem + in.mempos, n);
  in.mempos += n;
  return long(n);
}

/* Fills the block from its start (a socket may deliver it in pieces). */
long fill_block(VLvrmlinput &in) {
  size_t got = 0;
  while (got < VLVRML_BLOCK) {
    long n = read_source(in, in.block + got, VLVRML_BLOCK - got);
    if (n < 0) {
      in.failed = true;
      break;
    }
    if (n == 0) break;
    got += size_t(n);
    if (in.stream || in.mem) break;  /* a file or memory read fills what it can */
  }
  in.fill = got;
  in.pos = 0;
  if (got == 0) in.ended = true;
  return long(got);
}

/* Offset just past the blank line that ends an HTTP header, or 0. */
size_t header_end(const std::string &h) {
  size_t a = h.find("\r\n\r\n"), b = h.find("\n\n");
  if (a != std::string::npos && (b == std::string::npos || a < b)) return a + 4;
  if (b != std::string::npos) return b + 2;
  return 0;
}

/* Skips an HTTP header: the block then holds the start of the body. */
bool skip_header(VLvrmlinput &in) {
  std::string head(reinterpret_cast<char *>(in.block), in.fill);
  size_t end;
  while ((end = header_end(head)) == 0) {
    if (head.size() > kMaxHeader || fill_block(in) <= 0) return false;
    head.append(reinterpret_cast<char *>(in.block), in.fill);
  }
  std::string body = head.substr(end);
  while (body.size() < 8 && !in.ended && fill_block(in) > 0)
    body.append(reinterpret_cast<char *>(in.block), in.fill);
  if (body.size() > VLVRML_BLOCK) return false;  /* cannot happen: one block past the header */
  memcpy(in.block, body.data(), body.size());
  in.fill = body.size();
  in.pos = 0;
  in.ended = false;
  return true;
}

void copy_block(VLvrmlinput &in) {
  if (in.copy && in.fill) fwrite(in.block, 1, in.fill, in.copy);
}

}  // namespace

int _VLvrml_open(VLvrmlstate &c) {
  VLvrmlinput &in = c.in;
  c.lex = VLvrmllexer();
  c.lex.text.reserve(1024);
  in.fill = in.pos = 0;
  in.ended = in.failed = false;
  in.taken = 0;
  fill_block(in);
  if (in.fill >= 4 && memcmp(in.block, "HTTP", 4) == 0 && !skip_header(in)) return 0;
  if (in.fill < 8) return 0;
  if (memcmp(in.block, "<HTML>", 6) == 0) return 0;
  if (memcmp(in.block, "#VRML ", 6) != 0) return 0;
  copy_block(in);
  return 1;
}

int _VLvrml_refill(VLvrmlstate &c) {
  VLvrmlinput &in = c.in;
  if (in.ended) return -1;
  fill_block(in);
  if (in.failed) {
    VLMSG(VRML_CANT_OPEN, c.path);
    throw VLvrmlabort();
  }
  if (in.fill == 0) return -1;
  copy_block(in);
  return in.block[in.pos++];
}

void _VLvrml_close(VLvrmlstate &c) {
  VLvrmlinput &in = c.in;
  if (in.stream) fclose(in.stream);
  if (in.sock >= 0) VLurl_close(in.sock);
  in.stream = nullptr;
  in.sock = -1;
  in.mem = nullptr;
  in.memsize = in.mempos = 0;
}
