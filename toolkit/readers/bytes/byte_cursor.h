/* A bounds-checked cursor over a byte buffer, shared by the image readers.
 * Reads past the end return 0 and set a sticky failure flag that a reader
 * checks once per chunk instead of after every byte. seek() and sub() check
 * their ranges the same way. */
#ifndef VLX_READERS_BYTES_BYTE_CURSOR_H
#define VLX_READERS_BYTES_BYTE_CURSOR_H

#include <stddef.h>
#include <stdint.h>

class VLbytecursor {
 public:
  VLbytecursor(const uint8_t *data, size_t size) : data_(data), size_(size) {}

  size_t pos(void) const { return pos_; }
  size_t size(void) const { return size_; }
  size_t left(void) const { return size_ - pos_; }
  bool failed(void) const { return failed_; }
  const uint8_t *data(void) const { return data_; }

  uint8_t u8(void) {
    if (!need(1)) return 0;
    return data_[pos_++];
  }
  uint16_t le16(void) {
    if (!need(2)) return 0;
    uint16_t v = uint16_t(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
  }
  uint16_t be16(void) {
    if (!need(2)) return 0;
    uint16_t v = uint16_t(data_[pos_] << 8 | data_[pos_ + 1]);
    pos_ += 2;
    return v;
  }
  uint32_t be32(void) {
    if (!need(4)) return 0;
    uint32_t v = uint32_t(data_[pos_]) << 24 | uint32_t(data_[pos_ + 1]) << 16 |
                 uint32_t(data_[pos_ + 2]) << 8 | data_[pos_ + 3];
    pos_ += 4;
    return v;
  }
  /* Copies n bytes (zeros past the end). */
  bool bytes(uint8_t *out, size_t n) {
    if (!need(n)) {
      for (size_t i = 0; i < n; ++i) out[i] = 0;
      return false;
    }
    for (size_t i = 0; i < n; ++i) out[i] = data_[pos_ + i];
    pos_ += n;
    return true;
  }
  bool skip(size_t n) {
    if (!need(n)) return false;
    pos_ += n;
    return true;
  }
  bool seek(size_t at) {
    if (at > size_) {
      failed_ = true;
      pos_ = size_;
      return false;
    }
    pos_ = at;
    return true;
  }
  /* A cursor over the next n bytes (empty and failed when they are not all
   * there); this cursor moves past them. */
  VLbytecursor sub(size_t n) {
    if (!need(n)) {
      VLbytecursor empty(data_, 0);
      empty.failed_ = true;
      return empty;
    }
    VLbytecursor c(data_ + pos_, n);
    pos_ += n;
    return c;
  }

 private:
  bool need(size_t n) {
    if (n > size_ - pos_) {
      failed_ = true;
      pos_ = size_;
      return false;
    }
    return true;
  }

  const uint8_t *data_;
  size_t size_;
  size_t pos_ = 0;
  bool failed_ = false;
};

#endif
