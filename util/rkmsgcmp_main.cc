// util/rkmsgcmp_main.cc - the message compiler's command line:
//     rkmsgcmp <source.h> <output.vmb>
//     rkmsgcmp --table <output.cc> <name>=<source.h> ...
// The first form compiles one catalog; the second writes the C++ source
// of the built-in texts of several (util/rkmsg.h).  Exit status 0 when the
// output was written, 1 with a message naming the file (and line)
// otherwise.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "util/rkmsgcmp.h"

int main(int argc, char** argv) {
  char diag[1024];
  if (argc >= 3 && std::strcmp(argv[1], "--table") == 0) {
    std::vector<std::string> names;
    std::vector<RkMsgTableSource> sources;
    names.reserve(static_cast<std::size_t>(argc));
    for (int i = 3; i < argc; ++i) {
      const char* eq = std::strchr(argv[i], '=');
      if (!eq) {
        std::fprintf(stderr, "rkmsgcmp: %s: expected <name>=<source.h>\n", argv[i]);
        return 1;
      }
      names.emplace_back(argv[i], static_cast<std::size_t>(eq - argv[i]));
      sources.push_back({names.back().c_str(), eq + 1});
    }
    if (rkMsgCompileTable(sources.data(), static_cast<int>(sources.size()), argv[2], diag,
                          sizeof diag) != 0) {
      std::fprintf(stderr, "rkmsgcmp: %s\n", diag);
      return 1;
    }
    return 0;
  }
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: rkmsgcmp <source.h> <output.vmb>\n"
                 "       rkmsgcmp --table <output.cc> <name>=<source.h> ...\n");
    return 1;
  }
  if (rkMsgCompile(argv[1], argv[2], diag, sizeof diag) != 0) {
    std::fprintf(stderr, "rkmsgcmp: %s\n", diag);
    return 1;
  }
  return 0;
}
