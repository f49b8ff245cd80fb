// wirelist/iwmsg.h - messages and the status line of the wirelist database.
//
// Every message of the database goes through iwmsghndlr with a number of
// the "nodex" catalog (catalogs/nodex.h) and a severity: 1 note, 2
// warning, 4 error, plus 8 for a continuation line that is written but
// not counted.  The text is built from the catalog as an error of the
// utility library, so it reads "nodex-E-415: <text>", and handed to the
// installed handler; the default handler passes it to iwmsgout, which
// counts it and writes it to every registered output whose mask shares a
// bit with the severity, newest output first.
//
// The status line shows progress on a terminal: one line rewritten in
// place (it ends with a carriage return), "Reading ALU sheet 1 ...", in
// mode 2 prefixed by the component and net counts.
#pragma once

#include <cstdarg>
#include <cstdio>

/// A message handler: its argument, the finished text and the message's
/// arguments.
using IwMsgHandler = void (*)(void* arg, const char* text, va_list args);

/// Issues catalog message number with its arguments through the handler
/// (the default one when none is installed).
void iwmsghndlr(int severity, int number, ...);

/// Installs a message handler and its argument.
void iwregmsghndlr(IwMsgHandler handler, void* arg);

/// Installs the default handler unless a handler is installed.
void iwregmsgdflt();

/// The text of catalog message number (without its severity prefix), not
/// issued; valid until the next call.
const char* iwmsggen(int number, ...);

/// Counts a message of severity and writes it, formatted, to the matching
/// outputs (each 16384-byte buffer cuts a longer text).
[[gnu::format(printf, 2, 3)]] void iwmsgout(int severity, const char* format, ...);

/// Registers stream for the severities in mask, newest first; format holds
/// one %s for the message (anything else is taken as "%s").  1, or 0 for a
/// null stream or before iwinit.
int iwmsgsetup(int mask, std::FILE* stream, const char* format);

/// Registers a function called with a registered stream before a message
/// is written to it (null: none), so that a client buffering its own
/// writes to that stream can hand them over first and keep the order.
void iwmsgbeforewrite(void (*fn)(std::FILE* stream));

/// The sum of the note, warning and error counters selected by mask.
long iwmsgcount(int mask);

/// Counts one message of severity as iwmsgout does.
void iwmsginc(int severity);

/// Drops all outputs and sets the counters to 0.
void iwmsgclose();

/// Drops the outputs that write to stream, which is about to be closed;
/// the counters stay.
void iwmsgdrop(std::FILE* stream);

/// Sets the status stream; one that is not a terminal (or null) turns the
/// status line off.  1, or 0 before iwinit.
int iwstatln(std::FILE* stream);

/// Sets the status mode: 0 off, 1 plain, 2 with counts; other values are
/// ignored.
void iwstatmode(int mode);

/// Updates the status line: the object name (or null), its sheet (0 or
/// less: "complete.") and the action (1 reading, 2 freeing, 3 freeing
/// nets, 4 updating, 5 flattening, other: no word).
void iwstatus(const char* name, int sheet, int action);

/// Writes text (at most 256 characters) as the status line followed by a
/// carriage return; with redraw, blanks wipe what the previous line left.
void iwstatline(const char* text, int redraw);

/// Shows "Reading directory <directory> ..." (an empty line for null).
void iwdirstat(const char* directory);
