/* URL fetch: not yet connected to the network; every open fails. */
#include <unistd.h>

#include "vlx/net.h"

bool VLnet_init(void) { return true; }
int VLurl_open(const char *) { return -1; }
ssize_t VLurl_read(int sock, void *buf, size_t size) { return sock < 0 ? -1 : read(sock, buf, size); }
void VLurl_close(int sock) {
  if (sock >= 0) close(sock);
}
