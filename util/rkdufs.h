// util/rkdufs.h - portable text and binary file access.
//
// Design files travel between machines with different line ends and byte
// orders.  Text files are read through rkDufsF*, which take "\r\n" as one
// line end everywhere ("\n" alone too; a lone "\r" stays a character).
// The design readers take their lines from rkDufsReadLine, which also
// turns a lone "\r" into a blank: an editor that left one inside a line
// meant no character by it, and a blank is what every reader already
// skips or splits at.
//
// Binary files (message catalogs) start with a 2-byte prefix describing
// their writer: byte 0 is the prefix format (1); byte 1 has bit 7 always
// set, bit 0 for a big-endian writer, bit 1 for 8-byte longs, bits 2-3 for
// ints of 2 << n bytes, bit 4 for 4-byte shorts, bits 5 and 6 for 8-byte
// floats and 16-byte doubles (both refused on reading).  Every position
// given to seek or returned by tell counts from the end of the prefix.
//
// Byte order: files this system writes carry 0x01, 0x85 and hold their
// numbers big-endian on every host (rkDufsBWrite converts on a
// little-endian host), so a catalog compiled on any machine is
// byte-identical.  Reading honours whatever prefix the file carries: a
// 0x84 file is read little-endian, and integers of another size are
// widened or narrowed (a value that does not fit is error 1320).
//
// Item sizes in this system are fixed on every host: short 2, int 4,
// long 4 (read into std::int32_t), float 4, double 8 bytes, so the files
// it writes describe themselves the same way everywhere.
//
// Misuse raises tag-1 errors of the "rklib" catalog (1304, 1305, 1306,
// 1310, 1311, 1312); bad file contents raise tag-2 errors (1300..1303,
// 1320).  While the rklib catalog itself is being opened, a fixed text
// (error 1008) replaces the catalog's.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// --- opening for reading ------------------------------------------------

/// The reason kept in *why when a file to read is not a regular file
/// (a directory, a FIFO, a device such as /dev/zero); other reasons are
/// errno values.
inline constexpr int RK_DUFS_NOT_REGULAR = -1;

/// Opens path for reading ("r") when it is a regular file, else null with
/// the reason in *why (when given): an errno value, or RK_DUFS_NOT_REGULAR.
/// Every file the system reads goes through here: a FIFO or a device would
/// block the run or never end, and a directory would read as empty.  The
/// open itself cannot block (the type is checked on the open descriptor).
std::FILE* rkDufsFopenRead(const char* path, int* why = nullptr);

/// The text of a reason from rkDufsFopenRead, such as "Permission denied"
/// or "not a regular file".
const char* rkDufsWhy(int why);

// --- text files ----------------------------------------------------------

/// The next character; "\r\n" reads as '\n'.  EOF at the end.
int rkDufsFgetc(std::FILE* fp);

/// Like fgets with "\r\n" read as "\n" (also when the buffer fills exactly
/// on the "\r").  Null at end of file when nothing was read.
/// *nul (when given) tells whether the piece held a NUL byte, which ends
/// its text for a reader of C strings.
char* rkDufsFgets(char* buf, int size, std::FILE* fp, bool* nul = nullptr);

/// The next whole line of any length, its line end read as "\n" and kept,
/// in a shared buffer overwritten by the next call.  Null at end of file
/// when nothing was read.
char* rkDufsFgetline(std::FILE* fp);

/// Reads the next line of a design text file into line, without its line
/// end: "\r\n" and "\n" end a line, any other "\r" reads as a blank.  At
/// most max characters are kept; the rest of a longer line is read and
/// dropped.  *ended (when given) tells whether a line end was met, *cut
/// whether characters were dropped.  False at the end of the file when
/// nothing was read.
bool rkDufsReadLine(std::FILE* fp, std::string* line, std::size_t max, bool* ended = nullptr,
                    bool* cut = nullptr);

/// Seeks counting each "\r\n" as one character; whence 0 from the start,
/// 1 from the current position, 2 from the end.  0 on success, 2 when the
/// position lies outside the file or the stream cannot seek.
int rkDufsFseek(std::FILE* fp, long offset, int whence);

// --- binary files ----------------------------------------------------------

/// Open modes of a binary file.
enum RkDufsMode : int {
  RK_DUFS_READ = 0,        // "r"
  RK_DUFS_WRITE = 1,       // "w"
  RK_DUFS_WRITE_READ = 2,  // "w+"
};

/// Item types of rkDufsBRead.
enum RkDufsType : int {
  RK_DUFS_BYTES = 0,   // raw bytes; count is a byte count
  RK_DUFS_SHORT = 1,   // std::int16_t
  RK_DUFS_INT = 2,     // std::int32_t
  RK_DUFS_INT2 = 3,    // std::int32_t (same as RK_DUFS_INT)
  RK_DUFS_LONG = 4,    // std::int32_t
  RK_DUFS_FLOAT = 5,   // float
  RK_DUFS_DOUBLE = 6,  // double
  RK_DUFS_STRING = 7,  // 1-byte length and characters, into >= 256 bytes
};

/// An open binary file.
struct RkDufsB {
  std::FILE* fp = nullptr;  // the stream (closed by rkDufsBFclose)
  char* name = nullptr;     // file name, for messages
  unsigned mark = 0;        // kDufsValid while open
  int swap = 0;             // 1 when the file's byte order is not the host's
  int size_short = 2;       // sizes in the file, in bytes
  int size_int = 4;
  int size_long = 4;
  int size_float = 4;
  int size_double = 8;
  int mode = RK_DUFS_READ;  // RkDufsMode
};

/// Opens name with mode "r", "w" or "w+".  Reading checks the prefix,
/// writing writes 0x01, 0x85.  Null when the file cannot be opened or its
/// prefix cannot be read or written (a file opened for writing is then
/// deleted again); raises on a bad prefix or misuse.
RkDufsB* rkDufsBFopen(const char* name, const char* mode);

/// As rkDufsBFopen on a stream already open at its start; the handle takes
/// the stream over on success (the caller keeps it on failure).
RkDufsB* rkDufsBSetup(std::FILE* fp, const char* name, const char* mode);

/// Reads count items of type into buffer, converted to the host's form;
/// returns the number of whole items read (1 for a string).  Signed
/// widening fills with the sign; a narrowed value that does not fit
/// raises 1320.
int rkDufsBRead(RkDufsB* h, void* buffer, int count, int type, int is_signed);

/// Writes count items of size bytes (1, 2, 4 or 8) given in the host's
/// form, big-endian in the file; returns the number written.
int rkDufsBWrite(RkDufsB* h, const void* buffer, int count, int size);

/// Writes a 1-byte length and the characters (at most 255, else 1312);
/// returns 1 when written, 0 on a write failure.
int rkDufsBWriteString(RkDufsB* h, const char* s);

/// fseek relative to the end of the prefix; 0 on success, -1 on failure.
int rkDufsBFseek(RkDufsB* h, long offset, int whence);

/// Position relative to the end of the prefix; -1 on failure.
long rkDufsBFtell(RkDufsB* h);

/// Back to the first byte after the prefix.
void rkDufsBRewind(RkDufsB* h);

/// Closes the stream and frees the handle; 0, or EOF when closing failed.
int rkDufsBFclose(RkDufsB* h);

/// The stream's file descriptor.
int rkDufsBGetFD(RkDufsB* h);

/// Frees the shared rkDufsFgetline buffer (tests, exit handlers).
void rkDufsReset();
