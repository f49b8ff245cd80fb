// wirelist/iwparse.h - the wirelist file reader.
//
// A wirelist file describes one schematic sheet of one group: the group
// ("DW"), the components placed on the sheet ("M", "W", then "I" with
// their nets and attributes), the ports of the sheet ("P" followed by an
// "I" line), attributes of symbols, symbol pins, component pins, nets and
// the sheet ("AS", "AP", "API", "AN", "SA"), global nets ("G") and the
// end ("EW").  iwparse reads one such file from the session's input
// stream (iws.input) and files everything under the group and the current
// sheet number (iws.cursheet), both chosen by the caller.
//
// Tokens are words separated by blanks; every line end is a token of its
// own and ends a record; everything read is upper-cased.  A token keeps
// at most 16384 characters.  Attributes run from a word to the next
// backquote or line end: NAME=VALUE, where "A = B = C" is A with B = C.
//
// Fatal conditions fail the file: iwparse returns null and sets the
// load-error flag.  Everything else is reported through the message
// handler (catalog "nodex") and reading goes on.
//
// Pin order lives here too: a PINORDER attribute names the pins of a
// symbol in order; with bus expansion on, the reader remembers per group
// the entries and their widths, so that the nets of an "I" record can be
// matched to bus pins.
#pragma once

#include "wirelist/iwobj.h"

struct IwExpIter;

/// One entry of a group's pin order: a pin name (possibly a bus) and the
/// number of single-bit pins it stands for.
struct IwPord {
  IwPord* next = nullptr;      // next entry
  const char* name = nullptr;  // pin name as written
  int width = 0;               // bits; 0 when the name does not expand
};

/// The pin order recorded for one group.
struct IwPordList {
  IwPordList* next = nullptr;  // next recorded group
  IwPord* entries = nullptr;   // entries in order
  IwGrp* grp = nullptr;        // the group
};

// --- tokens and attributes -------------------------------------------------------

/// Reads the next token from iws.input into iws.token: characters in skip
/// are passed over, then a word runs to a character of delims (pushed
/// back) or the end of the file; with no word the delimiter itself is the
/// token.  0, or -1 at the end of the file.
int iwtoken(const char* delims, const char* skip);

/// Finishes the current line (reads through its line end); nothing when
/// the last token read was the line end itself.
void iwsynch();

/// Reads one attribute of a record into name (256 bytes) and value (16384
/// bytes).  1 with an attribute; 0 at the line end or end of file, or
/// after an over-long name (message 411).
int iwreadatt(char* name, char* value);

/// 1 when name is a system attribute ("@DATETIME", "@NAME", "@SHEET",
/// "@XYCOORD"), else 0.
int iwsysatt(const char* name);

// --- the file ------------------------------------------------------------------------

/// Reads one wirelist file from iws.input.  filename names the file in
/// messages and must name the same group as its "DW" record; single is
/// non-zero for the single-file form (the group is then looked up by exact
/// name).  The group, or null on failure (load-error flag set, except for
/// an "EW" before any "DW").
IwGrp* iwparse(const char* filename, int single);

/// Handles a comment record; 1 when the comment marks the file as broken
/// (the parse fails), else 0.  Before the "V" record a "WIRELIST" header
/// may carry the format version.
int iwcomment(const char* filename, int sheet, int beforeversion);

/// The next word of the record being read: 1 with the word (upper case) in
/// iws.token, 0 at the line end, -1 at the end of the file.
int iwnextword();

/// Reports word as an unknown record (message 281) and skips its line.
void iwerr(const char* word, const char* filename, int sheet);

// --- record handlers (group: the group being read; 1 fails the parse) ---------------

/// "M" / "W": a component of a MODULE (type 0) or COMPOSITE (type 1) group.
int iwmodule(IwGrp* group, int type);
/// "I": the nets and attributes of a component placed earlier.
int iwinst(IwGrp* group);
/// "P": a port of the sheet, with its "I" line.
int iwscpin(IwGrp* group);
/// "AS": an attribute of a group's symbol; a PINORDER may fail the parse.
int iwsymat(IwGrp* group);
/// "AP": an attribute of a group's symbol pin.
int iwpinatt(IwGrp* group);
/// "API": an attribute of a component pin (or of the group's own pins).
int iwapi(IwGrp* group);
/// "AN": an attribute of a net.
int iwnetattr(IwGrp* group);
/// "SA": an attribute of the current sheet.
int iwschatt(IwGrp* group);

// --- pin order and bus names ------------------------------------------------------------

/// Applies a PINORDER value to group's symbol: a symbol without pins gets
/// one pin per element (and, with bus expansion, a recorded pin order);
/// otherwise the widths must agree.  0, or 1 with message 277.  value is
/// changed in place (iwfixpinorder).
int iwporder(IwGrp* group, char* value);

/// The first symbol pin index of pin-order entry p of group; name (256
/// bytes) and width receive the entry's name and width.  Without bus
/// expansion p itself with width 1; 0 (message 327) when the group has no
/// recorded pin order or no entry p.
int iwgetpord(IwGrp* group, int p, char* name, int* width);

/// The pin-order entries of the blank-separated names of text, in order,
/// with their widths.
IwPord* iwmkplist(const char* text);

/// The elements of text one per call: its signals with expand on, its
/// blank-separated words with expand off.  first restarts the walk.  1 with
/// the next element in out (256 bytes), 0 at the end or on a bus-name error
/// (reported).  text must stay unchanged during the walk.
int iwexpstr(const char* text, char* out, int expand, int first);

/// Number of signals of text (expand on) or of its blank-separated words
/// (expand off); 0 for an empty text or a bad bus name.
int iwpinwidth(const char* text, int expand);

/// For files of format version 2.55 and older, turns every comma of text
/// into a blank (in place).
void iwfixpinorder(char* text);

/// Reports the status of the last bus-name call as a message about name.
void iwchkexp(const char* name);

/// Forgets every recorded pin order.
void iwfrpord();

// --- walking names (shared by the readers) ----------------------------------------------

/// Starts walking text: signals when expand, else blank-separated words.
/// A bus name wider than the expander allows yields nothing (reported).
void iwexpbegin(IwExpIter* it, const char* text, bool expand);

/// The next element into out (size bytes); 1, or 0 at the end or on a
/// reported error.
int iwexpnext(IwExpIter* it, char* out, int size);
