// netlister/limits.h - fixed sizes of the netlister.
//
// Each of these is part of the program's observable behaviour: messages
// are cut at 255 characters, tokens at 1023, and a hierarchical name that
// does not fit its 1024-byte buffer ends the run.
#pragma once

#include <cstddef>

namespace tsn {

/// Bytes of the buffer a terminal or log message is formatted into; a
/// message is at most 255 characters.
inline constexpr std::size_t kMsgBuffer = 256;

/// Most blanks appended to blank out the rest of a progress line.
inline constexpr int kMaxPadding = 79;

/// Bytes of the buffer one netlist token is formatted into; a token is at
/// most 1023 characters (longer ones are cut).
inline constexpr std::size_t kTokenBuffer = 1024;

/// Bytes of a hierarchical name buffer; a name that needs more ends the
/// run with "Error: label exceeds supported length".
inline constexpr std::size_t kNameBuffer = 1024;

/// Deepest hierarchy the walkers descend: every level adds at least its
/// backslash to a hierarchical name, so anything deeper cannot be named in
/// kNameBuffer bytes and ends the run with the label-length error (this
/// also stops a design whose blocks instantiate themselves).
inline constexpr int kMaxDepth = static_cast<int>(kNameBuffer);

/// Bytes of the attribute value buffer shared by the record writers.
inline constexpr std::size_t kValueBuffer = 1024;

/// A project, -f or -v argument of this many characters or more is a
/// usage error: the path functions refuse such names.
inline constexpr std::size_t kMaxArgument = 256;

/// The occurrence-attribute file is named after the top group with ".oat"
/// and cut to this many characters.
inline constexpr std::size_t kMaxOatName = 255;

/// Bytes of each command part of a SPAWN directive (the words before and
/// after its "$"); a part is at most 1023 characters.  A tsn.ini line has
/// at most 255, so no single line reaches it.
inline constexpr std::size_t kSpawnPart = 1024;

/// Most characters of a SPAWN key as a component gives it, its ACCEL
/// attribute's name, "=" and value: a longer one matches no directive,
/// and its external netlister is skipped with a warning.
inline constexpr std::size_t kSpawnKeyChars = 159;

/// Most characters of an external netlister's command (the shell's text,
/// quotes included): a longer one is not run, with a warning.
inline constexpr std::size_t kSpawnCommandChars = 1023;

/// Bytes of each output stream's own buffer: tokens are copied into it and
/// it goes to the file when full, before a database message is written to
/// the same file, and at the close.  Not observable: the debug mode still
/// hands every write to the file and flushes it.
inline constexpr std::size_t kStreamBuffer = 256 * 1024;

/// Longest key of a back-annotation file on the stack of files being
/// read (the name it was found by); a longer one is cut, and two names
/// that agree in their first 255 characters count as the same file.
inline constexpr std::size_t kDtbKeyLength = 255;

/// How much reading one run's back-annotation files may do in all, nested
/// files counted each time they are read.  A file that names another twice,
/// which names a third twice, and so on, asks for a number of reads that
/// doubles with every level; past either bound no further file is read,
/// with an error, and the netlist is written from what was read.
inline constexpr unsigned long kDtbMaxFileReads = 100000;
inline constexpr unsigned long long kDtbMaxBytesRead = 4ULL << 30;

/// Bytes of the buffer each pin delay value ("TPLH", "TPHL") is formed
/// into; a longer value is cut.
inline constexpr std::size_t kDelayValueBuffer = 80;

/// Maximum line lengths of the output types.
inline constexpr int kTsnLineLength = 79;
inline constexpr int kWirLineLength = 2048;
inline constexpr int kLogLineLength = 256;

}  // namespace tsn
