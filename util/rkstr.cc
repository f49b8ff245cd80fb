// util/rkstr.cc - small string helpers; see rkstr.h.
#include "util/rkstr.h"

#include <cstdio>
#include <cstring>

#include "util/rkmem.h"

namespace {

inline int lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }
inline bool space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

int rkStrIcmp(const char* a, const char* b) {
  if (a == b) return 0;
  if (!a) return -1;
  if (!b) return 1;
  for (;; ++a, ++b) {
    int d = lower(static_cast<unsigned char>(*a)) - lower(static_cast<unsigned char>(*b));
    if (d != 0 || *a == '\0') return d;
  }
}

int rkStrNicmp(const char* a, const char* b, std::size_t n) {
  if (a == b || n == 0) return 0;
  if (!a) return -1;
  if (!b) return 1;
  for (; n > 0; --n, ++a, ++b) {
    int d = lower(static_cast<unsigned char>(*a)) - lower(static_cast<unsigned char>(*b));
    if (d != 0 || *a == '\0') return d;
  }
  return 0;
}

int rkStrEqu(const char* a, const char* b) {
  if (a == b) return 1;
  if (!a || !b) return 0;
  return std::strcmp(a, b) == 0;
}

char* rkStrLoc(char* s) {
  for (char* p = s; p && *p; ++p)
    if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + 32);
  return s;
}

char* rkStrUpc(char* s) {
  for (char* p = s; p && *p; ++p)
    if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 32);
  return s;
}

char* rkStrncpyNullTerm(char* dst, const char* src, std::size_t size) {
  if (!dst || size == 0) return dst;
  std::size_t n = 0;
  if (src)
    for (; n + 1 < size && src[n]; ++n) dst[n] = src[n];
  dst[n] = '\0';
  return dst;
}

const char* rkStrTok(const char* s, const char* delims, char* tok, std::size_t toksize) {
  if (tok && toksize > 0) tok[0] = '\0';
  if (!s) return nullptr;
  if (!delims) delims = " \t\n";
  while (*s && std::strchr(delims, *s)) ++s;
  if (!*s) return nullptr;
  std::size_t n = 0;
  for (; *s && !std::strchr(delims, *s); ++s)
    if (tok && n + 1 < toksize) tok[n++] = *s;
  if (tok && toksize > 0) tok[n] = '\0';
  return s;
}

const char* rkStrBlk(const char* s) {
  while (s && space(*s)) ++s;
  return s;
}

char* rkStrBlk(char* s) {
  while (s && space(*s)) ++s;
  return s;
}

char* rkStrTrim(char* s) {
  if (!s) return s;
  const char* start = rkStrBlk(static_cast<const char*>(s));
  std::size_t len = std::strlen(start);
  while (len > 0 && space(start[len - 1])) --len;
  std::memmove(s, start, len);
  s[len] = '\0';
  return s;
}

char* rkStrCpy(const char* s) {
  if (!s) return nullptr;
  std::size_t len = std::strlen(s) + 1;
  char* copy = static_cast<char*>(rkMemMalloc(len, "rkStrCpy"));
  if (copy) std::memcpy(copy, s, len);
  return copy;
}

void rkStrFree(char* s) { rkMemFree(s); }

std::string rkStrVformat(const char* format, va_list args) {
  if (!format) return std::string();
  va_list ap;
  va_copy(ap, args);
  int n = std::vsnprintf(nullptr, 0, format, ap);
  va_end(ap);
  if (n < 0) return std::string();
  std::string s(static_cast<std::size_t>(n) + 1, '\0');
  va_copy(ap, args);
  std::vsnprintf(s.data(), s.size(), format, ap);
  va_end(ap);
  s.resize(static_cast<std::size_t>(n));
  return s;
}
