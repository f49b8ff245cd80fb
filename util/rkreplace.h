// util/rkreplace.h - replacing a file through a temporary file.
//
// A file the user owns (a netlist, a log) must never be left half written:
// a run that is killed, two runs in one directory, a full disk.  So the
// new contents go to a temporary file in the target's directory, and the
// target is replaced in one step (rename) only when the writer commits.
// Until then the previous file stays exactly as it was.
//
// The temporary file has no name at all where the system allows it (an
// unnamed file in the directory, linked in at the commit), so even a run
// killed with SIGKILL leaves nothing behind; elsewhere it is a hidden
// ".tsn-XXXXXX" file named by pxUnique, removed on every end the process
// sees, including the termination signals SIGHUP, SIGINT, SIGQUIT,
// SIGTERM and SIGPIPE.
//
// Written in place instead, as a plain open for writing would: a target
// that is a symbolic link (the user pointed it somewhere on purpose) or
// not a regular file (a device such as /dev/null), and any target when no
// temporary file can be made in its directory (a directory the user may
// not write, though the file itself may be written).
//
// The replaced file keeps the permission bits of the one it replaces; a
// new one gets 0666 less the umask, as an open would give it.
#pragma once

#include <cstdio>
#include <string>

/// One file being replaced.
struct RkReplace {
  std::string target;   // the file to replace, as given
  std::string temp;     // the named temporary file, "" when unnamed or in place
  bool direct = false;  // written in place
  int slot = -1;        // entry of the named temporaries the signal handler removes
};

/// Flags of rkReplaceOpen.
inline constexpr int RK_REPLACE_NEVER_IN_PLACE = 1;  // refuse rather than write in place

/// Opens a file that will replace target, for writing.  Null when neither
/// a temporary file nor the target itself can be opened, with the errno
/// value in *why (when given).  A FIFO as the target is refused at once
/// (ENXIO) when nothing reads it, instead of blocking.  With
/// RK_REPLACE_NEVER_IN_PLACE every case that would be written in place
/// is refused instead: the target is then never touched before the
/// commit, whatever goes wrong.
std::FILE* rkReplaceOpen(RkReplace* r, const char* target, int* why = nullptr, int flags = 0);

/// Flushes and closes fp and puts what was written in place of the target.
/// False when a write, the close or the replacement fails (errno value in
/// *why); the temporary file is then removed and the target stays as it
/// was (a target written in place keeps what reached it).
bool rkReplaceCommit(RkReplace* r, std::FILE* fp, int* why = nullptr);

/// Closes fp and throws away what was written: the temporary file is
/// removed and the target stays as it was.  A target written in place
/// keeps what reached it.
void rkReplaceDiscard(RkReplace* r, std::FILE* fp);

/// Removes every named temporary file not yet committed or discarded.
/// The ends of the process (rkExit, rkAbort) call it, so that an end in
/// the middle of a replacement (out of memory, say) leaves none behind.
void rkReplaceRemoveTemps();

/// For tests: 1 makes rkReplaceOpen use a named temporary file even where
/// an unnamed one could be made, 2 makes it write in place, 0 restores.
void rkReplaceTestMode(int mode);
