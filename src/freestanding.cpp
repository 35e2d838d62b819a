// The few routines a compiler may emit calls to when no C runtime is linked.
// Built with loop-to-call rewriting off, so they never call themselves.
#include <stddef.h>

// Fills count bytes at destination with value; yields destination.
extern "C" void* memset(void* destination, int value, size_t count) {
  unsigned char* p = static_cast<unsigned char*>(destination);
  while (count-- != 0) *p++ = static_cast<unsigned char>(value);
  return destination;
}

// Copies count bytes; the two ranges must not overlap. Yields destination.
extern "C" void* memcpy(void* destination, const void* source, size_t count) {
  unsigned char* d = static_cast<unsigned char*>(destination);
  const unsigned char* s = static_cast<const unsigned char*>(source);
  while (count-- != 0) *d++ = *s++;
  return destination;
}
