/* The serial-port layer over POSIX termios: a table of open file
 * descriptors by port number, one byte of look-ahead shared by the table,
 * and a read time-out of 5 clock ticks (milliseconds). Ports are opened
 * raw, 8N1, non-blocking; reads wait with poll() up to the time-out. */
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "core/messages.h"
#include "devices/devices_state.h"

namespace {

int fd_of(int port) {
  return port >= 0 && port < VLSERIAL_PORTS ? _VLdevices().fds[port] : -1;
}

long now_ms(void) {
  using namespace std::chrono;
  return long(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

/* One byte if one is there now or arrives within wait_ms: 0-255, else -1. */
int read_byte(int fd, int wait_ms) {
  if (fd < 0) return -1;
  uint8_t c;
  for (;;) {
    ssize_t n = read(fd, &c, 1);
    if (n == 1) return c;
    if (n < 0 && errno == EINTR) continue;
    if (wait_ms <= 0) return -1;
    struct pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, wait_ms) <= 0 || !(p.revents & POLLIN)) return -1;
    wait_ms = 0;
  }
}

speed_t speed_of(int baud, bool *ok) {
  static const struct { int baud; speed_t code; } table[] = {
      {1200, B1200},   {2400, B2400},   {4800, B4800},     {9600, B9600},
      {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
  *ok = true;
  for (const auto &e : table)
    if (e.baud == baud) return e.code;
  *ok = baud == 0;
  return B0;
}

bool make_raw(int fd, int baud) {
  struct termios t;
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  bool ok;
  speed_t s = speed_of(baud, &ok);
  if (baud && (cfsetispeed(&t, s) != 0 || cfsetospeed(&t, s) != 0)) return false;
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

bool VLserial_open(int port, const char *device, int baud) {
  if (port < 0 || port >= VLSERIAL_PORTS) {
    VLMSG(SERIAL_BAD_PORT, port, VLSERIAL_PORTS - 1);
    return false;
  }
  bool ok;
  speed_of(baud, &ok);
  if (!ok) {
    VLMSG(SERIAL_BAD_SPEED, baud);
    return false;
  }
  VLserial_close(port);
  int fd = device ? open(device, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC) : -1;
  if (fd < 0 || !make_raw(fd, baud)) {
    int e = device ? errno : EINVAL;
    if (fd >= 0) close(fd);
    VLMSG(SERIAL_OPEN_FAILED, port, device ? device : "(none)", strerror(e));
    return false;
  }
  _VLdevices().fds[port] = fd;
  return true;
}

void VLserial_close(int port) {
  int fd = fd_of(port);
  if (fd < 0) return;
  close(fd);
  _VLdevices().fds[port] = -1;
}

int VLserial_charready(int port) {
  VLdevicesstate &d = _VLdevices();
  if (d.lookahead >= 0) return 1;
  int c = read_byte(fd_of(port), 0);
  if (c < 0) return 0;
  d.lookahead = c;
  return 1;
}

int VLserial_getchar(int port) {
  VLdevicesstate &d = _VLdevices();
  if (d.lookahead >= 0) {
    int c = d.lookahead;
    d.lookahead = -1;
    return c;
  }
  int fd = fd_of(port);
  long end = now_ms() + d.timeout;
  for (;;) {
    long left = end - now_ms();
    int c = read_byte(fd, left > 0 ? int(left) : 0);
    if (c >= 0 || left <= 0 || fd < 0) return c;
  }
}

int VLserial_write(int port, const uint8_t *bytes, int count) {
  int fd = fd_of(port);
  int done = 0;
  errno = fd < 0 ? EBADF : 0;
  while (fd >= 0 && bytes && done < count) {
    ssize_t n = write(fd, bytes + done, size_t(count - done));
    if (n > 0) done += int(n);
    else if (n < 0 && errno == EAGAIN) {
      struct pollfd p = {fd, POLLOUT, 0};
      if (poll(&p, 1, 1000) <= 0) break;
    } else if (!(n < 0 && errno == EINTR)) break;
  }
  if (done >= count) return 0;
  VLMSG(SERIAL_SYSTEM_ERROR, "serial write data", strerror(errno ? errno : EIO));
  return 1;
}

int VLserial_flush(int port) {
  int fd = fd_of(port);
  if (fd >= 0 && tcdrain(fd) == 0) return 1;
  VLMSG(SERIAL_SYSTEM_ERROR, "FLUSH", strerror(fd < 0 ? EBADF : errno));
  return 0;
}
