// util/rkreplace.cc - replacing a file through a temporary file; see
// rkreplace.h.
//
// The unnamed temporary file is an O_TMPFILE file of the target's
// directory; at the commit it gets a hidden name through /proc/self/fd
// (linkat) and is renamed over the target, so the name exists only for
// the moment between the two calls.  Named temporaries are listed in
// fixed arrays that the signal handler can walk without allocating.
#include "util/rkreplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

#include "store/pxlib.h"

namespace {

constexpr int kSlots = 8;  // named temporaries open at once (two per run)
constexpr std::size_t kSlotPath = 4096;
constexpr int kNameTries = 100;  // hidden names tried before giving up
constexpr const char* kTempStem = ".tsn-";

// Process-wide state of the replacements.
struct ReplaceState {
  int test_mode = 0;      // see rkReplaceTestMode
  bool handlers = false;  // the signal handlers are installed
  // Named temporaries to remove when a signal ends the process.
  char path[kSlots][kSlotPath] = {};
  volatile std::sig_atomic_t used[kSlots] = {};
};
ReplaceState rs;

constexpr int kCleanupSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE};

void remove_temps() {
  for (int i = 0; i < kSlots; ++i)
    if (rs.used[i]) ::unlink(rs.path[i]);
}

extern "C" void remove_temps_and_die(int sig) {
  remove_temps();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// Signals the user had ignored (nohup) stay ignored.
void install_handlers() {
  if (rs.handlers) return;
  rs.handlers = true;
  for (int sig : kCleanupSignals) {
    struct sigaction old;
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = remove_temps_and_die;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
  }
}

int take_slot(const std::string& path) {
  if (path.size() >= kSlotPath) return -1;
  for (int i = 0; i < kSlots; ++i) {
    if (rs.used[i]) continue;
    std::memcpy(rs.path[i], path.c_str(), path.size() + 1);
    rs.used[i] = 1;
    install_handlers();
    return i;
  }
  return -1;
}

void release_slot(RkReplace* r) {
  if (r->slot >= 0) rs.used[r->slot] = 0;
  r->slot = -1;
}

std::string dir_of(const std::string& target) {
  std::size_t slash = target.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : target.substr(0, slash);
}

// The mode a plain open would give a new file: 0666 less the umask.
mode_t new_file_mode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

std::FILE* as_stream(int fd) {
  std::FILE* fp = ::fdopen(fd, "w");
  if (!fp) ::close(fd);
  return fp;
}

// A hidden name in dir that no file has yet, or "" when none can be formed.
std::string hidden_name(const std::string& dir) {
  char name[kSlotPath];
  return pxUnique(dir.c_str(), kTempStem, name, sizeof name) == PX_OK ? name : "";
}

// Gives the unnamed file of fd a hidden name in dir, recorded in r.  The
// name is listed for removal before anything may allocate: an end of the
// process for want of memory must still find it.
bool link_unnamed(RkReplace* r, int fd, const std::string& dir) {
  char proc[64];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  for (int i = 0; i < kNameTries; ++i) {
    std::string candidate = hidden_name(dir);
    if (candidate.empty()) return false;
    if (::linkat(AT_FDCWD, proc, AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      r->slot = take_slot(candidate);
      r->temp = std::move(candidate);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

// A temporary file in dir with the given mode: unnamed where possible.
int open_temp(RkReplace* r, const std::string& dir, mode_t mode) {
#ifdef O_TMPFILE
  if (rs.test_mode == 0 && ::access("/proc/self/fd", X_OK) == 0) {
    int fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::fchmod(fd, mode);
      return fd;
    }
  }
#endif
  std::string name;
  int fd = -1;
  for (int i = 0; i < kNameTries && fd < 0; ++i) {
    name = hidden_name(dir);
    if (name.empty()) return -1;
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) return -1;
  }
  if (fd < 0) return -1;
  ::fchmod(fd, mode);
  r->slot = take_slot(name);
  r->temp = std::move(name);
  return fd;
}

}  // namespace

std::FILE* rkReplaceOpen(RkReplace* r, const char* target, int* why, int flags) {
  int dummy;
  if (!why) why = &dummy;
  *why = 0;
  *r = RkReplace{};
  if (!target || !*target) {
    *why = ENOENT;
    return nullptr;
  }
  r->target = target;
  struct stat st;
  bool exists = ::lstat(target, &st) == 0;
  int temp_error = EINVAL;  // why no temporary file serves
  if (rs.test_mode != 2 && !(exists && !S_ISREG(st.st_mode))) {
    // A file the user may not write is not replaced behind their back.
    if (exists && ::access(target, W_OK) != 0) {
      *why = errno;
      return nullptr;
    }
    int fd = open_temp(r, dir_of(r->target), exists ? (st.st_mode & 07777) : new_file_mode());
    temp_error = errno;
    if (fd >= 0) {
      std::FILE* fp = as_stream(fd);
      if (fp) return fp;
      temp_error = errno;
      rkReplaceDiscard(r, nullptr);
    }
  }
  if (flags & RK_REPLACE_NEVER_IN_PLACE) {
    *why = temp_error ? temp_error : EIO;
    return nullptr;
  }
  // In place.  O_NONBLOCK: a FIFO that nothing reads fails at once.
  r->direct = true;
  int fd = ::open(target, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    *why = errno;
    return nullptr;
  }
  int fl = ::fcntl(fd, F_GETFL);
  if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  std::FILE* fp = as_stream(fd);
  if (!fp) *why = errno;
  return fp;
}

bool rkReplaceCommit(RkReplace* r, std::FILE* fp, int* why) {
  int dummy;
  if (!why) why = &dummy;
  *why = 0;
  if (!fp) {
    *why = EBADF;
    rkReplaceDiscard(r, nullptr);
    return false;
  }
  auto fail = [&](int err) {
    *why = err ? err : EIO;
    return false;
  };
  if (std::fflush(fp) != 0 || std::ferror(fp)) {
    int err = errno;
    rkReplaceDiscard(r, fp);
    return fail(err);
  }
  if (r->direct) return std::fclose(fp) == 0 ? true : fail(errno);
  if (r->temp.empty()) {
    if (!link_unnamed(r, ::fileno(fp), dir_of(r->target))) {
      int err = errno;
      rkReplaceDiscard(r, fp);
      return fail(err);
    }
  }
  if (std::fclose(fp) != 0) {
    int err = errno;
    rkReplaceDiscard(r, nullptr);
    return fail(err);
  }
  if (std::rename(r->temp.c_str(), r->target.c_str()) != 0) {
    int err = errno;
    rkReplaceDiscard(r, nullptr);
    return fail(err);
  }
  release_slot(r);
  r->temp.clear();
  return true;
}

void rkReplaceDiscard(RkReplace* r, std::FILE* fp) {
  if (fp) std::fclose(fp);
  if (!r->temp.empty()) ::unlink(r->temp.c_str());
  release_slot(r);
  r->temp.clear();
}

void rkReplaceRemoveTemps() {
  remove_temps();
  for (int i = 0; i < kSlots; ++i) rs.used[i] = 0;
}

void rkReplaceTestMode(int mode) { rs.test_mode = mode; }
