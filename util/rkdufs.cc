// util/rkdufs.cc - portable text and binary files; see rkdufs.h.
//
// Integers are converted through a most-significant-byte-first image: the
// file's bytes are put in that order (reversed when the writer was
// little-endian), widened or narrowed there, then stored in the host's
// order.  This keeps one code path for every combination of file size,
// host size and byte order.
#include "util/rkdufs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "catalogs/rklib.h"
#include "util/limits.h"
#include "util/rkerr.h"
#include "util/rkmem.h"
#include "util/rkmsg.h"
#include "util/rkstr.h"

namespace {

constexpr unsigned kDufsValid = 0x01234567;
constexpr unsigned char kPrefixFormat = 1;
// Big-endian writer, 4-byte longs and ints, 2-byte shorts, 4-byte floats,
// 8-byte doubles: the description of every file this system writes.
constexpr unsigned char kOwnWriter = 0x85;
constexpr long kPrefixSize = 2;
constexpr bool kHostBig = std::endian::native == std::endian::big;

// Process-wide state: the line buffer handed out by rkDufsFgetline.
struct DufsState {
  std::vector<char> line;  // starts at kLineStart bytes, doubles as needed
};
DufsState dufs;

constexpr std::size_t kLineStart = 100;

// Raises a binary-file error.  While the library's own catalog is being
// opened its texts are unavailable, so a fixed text names the inner error.
template <class... A>
[[noreturn]] void fail(int tag, const char* routine, int number, A... args) {
  if (rkMsgOpeningOwnCatalog()) {
    rkExThrow(tag, rkErrCreate2(rkErrLocationRoutine(routine), "rklib", 1008, RK_ERROR,
                                "RKLIB Error %d: Error %d occured while trying to open or read "
                                "the binary message file %s.%s!\n",
                                1008, number, "rklib", "vmb"));
  }
  rkExThrowBuild(tag, rkErrLocationRoutine(routine), rkMsgFile(), number, args...);
}

void check(const RkDufsB* h, const char* routine) {
  if (!h || h->mark != kDufsValid) fail(RK_TAG_MISUSE, routine, RKLIB_DUFS_HANDLE);
}

const char* name_of(const RkDufsB* h) { return h->name ? h->name : ""; }

int parse_mode(const char* name, const char* mode, const char* routine) {
  if (!name || !mode) fail(RK_TAG_MISUSE, routine, RKLIB_DUFS_NULL);
  if (std::strcmp(mode, "r") == 0) return RK_DUFS_READ;
  if (std::strcmp(mode, "w") == 0) return RK_DUFS_WRITE;
  if (std::strcmp(mode, "w+") == 0) return RK_DUFS_WRITE_READ;
  fail(RK_TAG_MISUSE, routine, RKLIB_DUFS_MODE, name, mode);
}

// Fills the handle's sizes and swap flag from the writer byte; raises on a
// description this system cannot read.
void describe(RkDufsB* h, unsigned char format, unsigned char writer) {
  if (format != kPrefixFormat)
    fail(RK_TAG_ENVIRONMENT, "rkDufsBSetup", RKLIB_DUFS_PREFIX, name_of(h), int{format});
  if (!(writer & 0x80))
    fail(RK_TAG_ENVIRONMENT, "rkDufsBSetup", RKLIB_DUFS_WRITER, name_of(h), int{writer});
  if (writer & 0x60) fail(RK_TAG_ENVIRONMENT, "rkDufsBSetup", RKLIB_DUFS_FLOATS, name_of(h));
  int int_size = 2 << ((writer >> 2) & 3);
  // Two bits cannot describe more than 16 bytes; the check guards the
  // conversion buffers should the description ever widen.
  if (int_size > 16)
    fail(RK_TAG_ENVIRONMENT, "rkDufsBSetup", RKLIB_DUFS_INTS, name_of(h), int_size);
  bool file_big = writer & 1;
  h->swap = file_big != kHostBig;
  h->size_long = (writer & 2) ? 8 : 4;
  h->size_int = int_size;
  h->size_short = (writer & 0x10) ? 4 : 2;
  h->size_float = 4;
  h->size_double = 8;
}

bool file_big(const RkDufsB* h) { return h->swap != kHostBig; }

void reverse(unsigned char* p, int n) {
  for (int i = 0, j = n - 1; i < j; ++i, --j) std::swap(p[i], p[j]);
}

// Reads count integers of file_size bytes into host integers of host_size.
int read_converted(RkDufsB* h, unsigned char* out, int count, int file_size, int host_size,
                   bool is_signed) {
  unsigned char item[16];
  unsigned char image[16];
  for (int i = 0; i < count; ++i) {
    if (std::fread(item, static_cast<std::size_t>(file_size), 1, h->fp) != 1) return i;
    if (!file_big(h)) reverse(item, file_size);
    unsigned char fill = (is_signed && (item[0] & 0x80)) ? 0xFF : 0x00;
    if (file_size < host_size) {
      int pad = host_size - file_size;
      std::memset(image, fill, static_cast<std::size_t>(pad));
      std::memcpy(image + pad, item, static_cast<std::size_t>(file_size));
    } else {
      int drop = file_size - host_size;
      bool fits = true;
      for (int k = 0; k < drop; ++k) fits = fits && item[k] == fill;
      // The kept part must also carry the sign the dropped bytes stood for.
      if (is_signed && ((item[drop] & 0x80) ? 0xFF : 0x00) != fill) fits = false;
      if (!fits) fail(RK_TAG_ENVIRONMENT, "rkDufsBRead", RKLIB_DUFS_FIT, name_of(h), host_size);
      std::memcpy(image, item + drop, static_cast<std::size_t>(host_size));
    }
    if (!kHostBig) reverse(image, host_size);
    std::memcpy(out + static_cast<std::size_t>(i) * host_size, image,
                static_cast<std::size_t>(host_size));
  }
  return count;
}

int read_items(RkDufsB* h, void* buffer, int count, int file_size, int host_size, bool is_signed) {
  auto* out = static_cast<unsigned char*>(buffer);
  if (file_size != host_size) return read_converted(h, out, count, file_size, host_size, is_signed);
  std::size_t n =
      std::fread(out, static_cast<std::size_t>(host_size), static_cast<std::size_t>(count), h->fp);
  if (h->swap)
    for (std::size_t i = 0; i < n; ++i) reverse(out + i * host_size, host_size);
  return static_cast<int>(n);
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

}  // namespace

// --- text files --------------------------------------------------------------

std::FILE* rkDufsFopenRead(const char* path, int* why) {
  int dummy;
  if (!why) why = &dummy;
  *why = 0;
  if (!path) {
    *why = EINVAL;
    return nullptr;
  }
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    *why = errno;
    return nullptr;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    *why = errno;
    ::close(fd);
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    *why = S_ISDIR(st.st_mode) ? EISDIR : RK_DUFS_NOT_REGULAR;
    ::close(fd);
    return nullptr;
  }
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* fp = ::fdopen(fd, "r");
  if (!fp) {
    *why = errno;
    ::close(fd);
  }
  return fp;
}

const char* rkDufsWhy(int why) {
  if (why == RK_DUFS_NOT_REGULAR) return "not a regular file";
  return std::strerror(why);
}

int rkDufsFgetc(std::FILE* fp) {
  int c = std::getc(fp);
  if (c != '\r') return c;
  int d = std::getc(fp);
  if (d == '\n') return '\n';
  if (d != EOF) std::ungetc(d, fp);
  return '\r';
}

char* rkDufsFgets(char* buf, int size, std::FILE* fp, bool* nul) {
  if (nul) *nul = false;
  if (!buf || size <= 0) return nullptr;
  int n = 0;
  while (n < size - 1) {
    int c = rkDufsFgetc(fp);
    if (c == EOF) break;
    if (c == '\0' && nul) *nul = true;
    buf[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buf[n] = '\0';
  return n == 0 ? nullptr : buf;
}

char* rkDufsFgetline(std::FILE* fp) {
  std::vector<char>& line = dufs.line;
  if (line.size() < kLineStart) line.resize(kLineStart);
  std::size_t n = 0;
  for (;;) {
    int c = rkDufsFgetc(fp);
    if (c == EOF) break;
    if (n + 1 >= line.size()) line.resize(line.size() * 2);
    line[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  line[n] = '\0';
  return n == 0 ? nullptr : line.data();
}

bool rkDufsReadLine(std::FILE* fp, std::string* line, std::size_t max, bool* ended, bool* cut) {
  line->clear();
  if (ended) *ended = false;
  if (cut) *cut = false;
  bool any = false;
  for (int c; (c = rkDufsFgetc(fp)) != EOF;) {
    any = true;
    if (c == '\n') {
      if (ended) *ended = true;
      break;
    }
    if (line->size() < max) {
      line->push_back(c == '\r' ? ' ' : static_cast<char>(c));
    } else if (cut) {
      *cut = true;
    }
  }
  return any;
}

int rkDufsFseek(std::FILE* fp, long offset, int whence) {
  if (!fp) return 2;
  // Logical positions are only known by counting from the start.
  long target = offset;
  if (whence == 1 || whence == 2) {
    long here = std::ftell(fp);
    if (here < 0 || std::fseek(fp, 0, SEEK_SET) != 0) return 2;
    long logical = 0;
    if (whence == 1) {
      // Count logical characters up to the current physical position.
      long phys = 0;
      while (phys < here) {
        int c = std::getc(fp);
        if (c == EOF) break;
        ++phys;
        if (c == '\r' && phys < here) {
          int d = std::getc(fp);
          if (d == '\n') {
            ++phys;
          } else if (d != EOF) {
            std::ungetc(d, fp);
          }
        }
        ++logical;
      }
    } else {
      while (rkDufsFgetc(fp) != EOF) ++logical;
    }
    target = logical + offset;
  } else if (whence != 0) {
    return 2;
  }
  if (target < 0 || std::fseek(fp, 0, SEEK_SET) != 0) return 2;
  for (long i = 0; i < target; ++i)
    if (rkDufsFgetc(fp) == EOF) return 2;
  return 0;
}

// --- binary files ---------------------------------------------------------------

RkDufsB* rkDufsBSetup(std::FILE* fp, const char* name, const char* mode) {
  int m = parse_mode(name, mode, "rkDufsBSetup");
  if (!fp) return nullptr;
  // Describe into a probe first: a bad prefix raises with nothing to free.
  RkDufsB probe;
  probe.fp = fp;
  probe.name = const_cast<char*>(name);
  probe.mode = m;
  unsigned char prefix[2] = {kPrefixFormat, kOwnWriter};
  if (m == RK_DUFS_READ) {
    if (std::fread(prefix, 1, 2, fp) != 2) return nullptr;
  } else if (std::fwrite(prefix, 1, 2, fp) != 2 || std::fflush(fp) != 0) {
    return nullptr;
  }
  describe(&probe, prefix[0], prefix[1]);
  auto* h = static_cast<RkDufsB*>(rkMemMalloc(sizeof(RkDufsB), "rkDufsB"));
  if (!h) return nullptr;
  new (h) RkDufsB(probe);
  h->name = rkStrCpy(name);
  h->mark = kDufsValid;
  return h;
}

RkDufsB* rkDufsBFopen(const char* name, const char* mode) {
  int m = parse_mode(name, mode, "rkDufsBFopen");
  static constexpr const char* kStdioModes[] = {"rb", "wb", "w+b"};
  std::unique_ptr<std::FILE, FileCloser> fp(m == RK_DUFS_READ ? rkDufsFopenRead(name)
                                                              : std::fopen(name, kStdioModes[m]));
  if (!fp) return nullptr;
  RkDufsB* h = rkDufsBSetup(fp.get(), name, mode);
  if (!h) {
    fp.reset();
    if (m != RK_DUFS_READ) std::remove(name);
    return nullptr;
  }
  fp.release();
  return h;
}

int rkDufsBRead(RkDufsB* h, void* buffer, int count, int type, int is_signed) {
  check(h, "rkDufsBRead");
  if (count <= 0 || !buffer) return 0;
  switch (type) {
    case RK_DUFS_BYTES:
      return static_cast<int>(std::fread(buffer, 1, static_cast<std::size_t>(count), h->fp));
    case RK_DUFS_SHORT:
      return read_items(h, buffer, count, h->size_short, 2, is_signed);
    case RK_DUFS_INT:
    case RK_DUFS_INT2:
      return read_items(h, buffer, count, h->size_int, 4, is_signed);
    case RK_DUFS_LONG:
      return read_items(h, buffer, count, h->size_long, 4, is_signed);
    case RK_DUFS_FLOAT:
      return read_items(h, buffer, count, 4, 4, false);
    case RK_DUFS_DOUBLE:
      return read_items(h, buffer, count, 8, 8, false);
    case RK_DUFS_STRING: {
      unsigned char len = 0;
      if (std::fread(&len, 1, 1, h->fp) != 1) return 0;
      auto* s = static_cast<char*>(buffer);
      if (std::fread(s, 1, len, h->fp) != len) {
        s[0] = '\0';
        return 0;
      }
      s[len] = '\0';
      return 1;
    }
    default:
      fail(RK_TAG_MISUSE, "rkDufsBRead", RKLIB_DUFS_TYPE, type, name_of(h));
  }
}

int rkDufsBWrite(RkDufsB* h, const void* buffer, int count, int size) {
  check(h, "rkDufsBWrite");
  if (size != 1 && size != 2 && size != 4 && size != 8)
    fail(RK_TAG_MISUSE, "rkDufsBWrite", RKLIB_DUFS_SIZE, size, name_of(h));
  if (count <= 0 || !buffer) return 0;
  const auto* in = static_cast<const unsigned char*>(buffer);
  if (kHostBig || size == 1)
    return static_cast<int>(
        std::fwrite(in, static_cast<std::size_t>(size), static_cast<std::size_t>(count), h->fp));
  unsigned char item[8];
  for (int i = 0; i < count; ++i) {
    std::memcpy(item, in + static_cast<std::size_t>(i) * size, static_cast<std::size_t>(size));
    reverse(item, size);
    if (std::fwrite(item, static_cast<std::size_t>(size), 1, h->fp) != 1) return i;
  }
  return count;
}

int rkDufsBWriteString(RkDufsB* h, const char* s) {
  check(h, "rkDufsBWriteString");
  std::size_t len = s ? std::strlen(s) : 0;
  if (len > rk::kMaxBinaryString)
    fail(RK_TAG_MISUSE, "rkDufsBWriteString", RKLIB_DUFS_STRING, static_cast<int>(len), name_of(h));
  unsigned char n = static_cast<unsigned char>(len);
  if (std::fwrite(&n, 1, 1, h->fp) != 1) return 0;
  return (len == 0 || std::fwrite(s, 1, len, h->fp) == len) ? 1 : 0;
}

int rkDufsBFseek(RkDufsB* h, long offset, int whence) {
  check(h, "rkDufsBFseek");
  if (whence == SEEK_SET) {
    if (offset < 0) return -1;
    offset += kPrefixSize;
  }
  if (std::fseek(h->fp, offset, whence) != 0) return -1;
  // A relative seek must not land inside the prefix.
  if (std::ftell(h->fp) < kPrefixSize) {
    std::fseek(h->fp, kPrefixSize, SEEK_SET);
    return -1;
  }
  return 0;
}

long rkDufsBFtell(RkDufsB* h) {
  check(h, "rkDufsBFtell");
  long pos = std::ftell(h->fp);
  return pos < 0 ? -1 : pos - kPrefixSize;
}

void rkDufsBRewind(RkDufsB* h) {
  check(h, "rkDufsBRewind");
  std::clearerr(h->fp);
  std::fseek(h->fp, kPrefixSize, SEEK_SET);
}

int rkDufsBFclose(RkDufsB* h) {
  check(h, "rkDufsBFclose");
  int r = std::fclose(h->fp);
  h->mark = 0;
  rkStrFree(h->name);
  rkMemFree(h);
  return r == 0 ? 0 : EOF;
}

int rkDufsBGetFD(RkDufsB* h) {
  check(h, "rkDufsBGetFD");
  return fileno(h->fp);
}

void rkDufsReset() { std::vector<char>().swap(dufs.line); }
