/* Opening "http://" URLs: a connected socket with the GET request sent.
 * The caller reads the reply (unparsed: a reply beginning "HTTP" carries a
 * header the caller skips) with VLurl_read until it returns 0 or less, and
 * closes the socket with VLurl_close. */
#ifndef VLX_NET_H
#define VLX_NET_H

#include <stddef.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Most bytes a caller takes from one URL before giving up on it. */
#define VLURL_MAXBYTES ((size_t)256 << 20)

/* A reply must gain at least this many bytes in every span of one timeout
 * (until it ends); one that trickles in slower fails as a timeout. */
#define VLURL_MINPROGRESS ((size_t)1024)

/* Network start-up, once per process; true when the network can be used. */
bool VLnet_init(void);

/* A socket connected to the URL's server (or the proxy that VLXPROXY names:
 * "host[:port]") with the request "GET path HTTP/1.0" and its Host header
 * sent (through a proxy the path is the whole URL), or -1 on any failure,
 * without a message. The URL is "http://host[:port][/path]", an IPv6 host
 * in brackets; the port defaults to 80 and the path to "/". The socket is
 * non-blocking: read it with VLurl_read only. The connect and
 * every later read time out after VLXNETTIMEOUT seconds (a positive number,
 * fractions allowed; 10 when unset or invalid). */
int VLurl_open(const char *url);

/* Up to size bytes of the reply; 0 at its end, -1 on an error or a timeout
 * (also when the reply trickles in slower than VLURL_MINPROGRESS bytes per
 * timeout, or runs past VLURL_MAXBYTES plus 1 MiB for its header). */
ssize_t VLurl_read(int sock, void *buf, size_t size);

void VLurl_close(int sock);

#ifdef __cplusplus
}
#endif

#endif
