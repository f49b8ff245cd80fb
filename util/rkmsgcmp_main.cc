// util/rkmsgcmp_main.cc - the message compiler's command line:
//     rkmsgcmp <source.h> <output.vmb>
// Exit status 0 when the catalog was written, 1 with a message naming the
// file (and line) otherwise.
#include <cstdio>

#include "util/rkmsgcmp.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: rkmsgcmp <source.h> <output.vmb>\n");
    return 1;
  }
  char diag[1024];
  if (rkMsgCompile(argv[1], argv[2], diag, sizeof diag) != 0) {
    std::fprintf(stderr, "rkmsgcmp: %s\n", diag);
    return 1;
  }
  return 0;
}
