/* Internal parts of the URL fetch, seen by its tests. */
#ifndef VLX_READERS_NET_URL_INTERNAL_H
#define VLX_READERS_NET_URL_INTERNAL_H

/* The network timeout in milliseconds: VLXNETTIMEOUT seconds when it is a
 * positive number of at most a day (fractions allowed), else 10 000. */
int _VLnet_timeout_ms(void);

#endif
