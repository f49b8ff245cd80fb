// wirelist/iwmsg.cc - messages and the status line of the wirelist database.
//
// TEMPORARY: the catalog-driven handler and the status line belong to the
// session task.  Until it lands, iwmsghndlr writes the message number with
// the catalog prefix "nodex-<L>-<number>: " (the final handler writes the
// catalog text after the same prefix) and counts the message, and iwstatus
// does nothing.
#include "wirelist/iwmsg.h"

#include <cstdio>

#include "wirelist/iwsession.h"

void iwmsghndlr(int severity, int number, ...) {
  int level = severity & 7;
  char letter = level == 4 ? 'E' : level == 2 ? 'W' : 'I';
  std::printf("nodex-%c-%d: message %d\n", letter, number, number);
  std::fflush(stdout);
  if (severity & 8) return;  // continuation lines are not counted
  if (severity & 1) ++iws.msgcount[0];
  if (severity & 2) ++iws.msgcount[1];
  if (severity & 4) ++iws.msgcount[2];
}

void iwstatus(const char*, int, int) {}
