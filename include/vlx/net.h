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

/* Network start-up, once per process; true when the network can be used. */
bool VLnet_init(void);

/* A socket connected to the URL's server (or the proxy that VLXPROXY names)
 * with the request sent, or -1 on any failure. The connect and every later
 * read time out after VLXNETTIMEOUT seconds (10 when unset). */
int VLurl_open(const char *url);

/* Up to size bytes of the reply; 0 at its end, -1 on an error or a timeout. */
ssize_t VLurl_read(int sock, void *buf, size_t size);

void VLurl_close(int sock);

#ifdef __cplusplus
}
#endif

#endif
