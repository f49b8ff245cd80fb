// netlister/tsncmd.cc - the command line.
//
// The program scans its arguments itself (not with getopt): every option
// letter is accepted in both cases, -hs is the same as -h (only the second
// character of an element is looked at), and an option that takes a value
// consumes the next element whatever it looks like.  Errors are collected,
// not reported one by one: after the scan the values are stored, and if
// anything was rejected the usage text goes to standard error and the run
// ends with exit code 3, before any file is opened.  Bottom levels and -d
// files are handed on during the scan.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "netlister/limits.h"
#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnwalk.h"
#include "store/pxlib.h"
#include "util/rkstr.h"

namespace {

constexpr const char kOptions[] = "L:l:HhSsTtOoF:f:D:d:V:v:E:e:X:x:Mm";

// Values collected while scanning; none is set at the start.
struct Scan {
  const char* project = nullptr;
  int output_type = -1;
  bool fsim = false;
  bool oats = false;
  const char* output_base = nullptr;
  const char* varfile = nullptr;
  bool status_given = false;
  int status = 0;
  bool debug_given = false;
  int debug = 0;
  int errors = 0;
};

// The file name part of an argument (no directory, no last extension).
// A name the path functions refuse is a usage error, and so is one with
// no name part at all ("", "/", "a/") or one that names a directory ("."
// and ".."): they would make the files ".tsn", "..tsn" or "...tsn".
bool file_part(const char* arg, std::string* out) {
  char name[px::kMaxPath];
  if (std::strlen(arg) >= tsn::kMaxArgument) return false;
  if (pxParse(arg, nullptr, nullptr, name, nullptr) != PX_OK) return false;
  if (name[0] == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
  *out = name;
  return true;
}

void add_level(char* text) {
  rkStrUpc(text);
  tsn_addlevel(text);
}

void usage() {
  const char* program = hal_version() ? "halnet" : "tsn";
  std::fprintf(stderr, "Usage: %s <project> [options] \n\n", program);
  std::fputs("Options:\n", stderr);
  std::fputs("          <level>  Level(s) at bottom of hierarchy\n", stderr);
  std::fputs("         -h|-s|-t  Long|Short|Pendra format\n", stderr);
  std::fputs("                   Long format is the default\n", stderr);
  std::fputs("               -o  Use occurance attributes (oats)\n", stderr);
  std::fputs("    -f <filename>  Base name for output file\n", stderr);
  std::fputs("    -d <filename>  Delay table file\n", stderr);
  std::fputs("    -v <filename>  Variable definition file\n", stderr);
  std::fputs("    -e  < 0 | 1 >  Status messages off|on (def: on)\n", stderr);
  std::fputs("\n", stderr);
  std::fflush(stderr);
}

void choose_type(Scan* s, int type, bool fsim) {
  if (s->output_type >= 0) {
    ++s->errors;
    return;
  }
  s->output_type = type;
  if (fsim) s->fsim = true;
}

}  // namespace

void tsn_cmdline(int argc, char** argv) {
  Scan s;
  for (int i = 1; i < argc; ++i) {
    char* arg = argv[i];
    if (arg[0] != '-') {
      if (!s.project) {
        s.project = arg;
      } else {
        add_level(arg);
      }
      continue;
    }
    char letter = arg[1];
    if (letter == '\0') continue;  // a lone "-": a positional without value
    char* value = nullptr;
    const char* opt = std::strchr(kOptions, letter);
    if (opt && opt[1] == ':') {
      if (arg[2] != '\0') {
        value = arg + 2;
      } else if (i + 1 < argc) {
        value = argv[++i];
      }
    }
    switch (std::tolower(static_cast<unsigned char>(letter))) {
      case 'l':
        if (value) add_level(value);
        break;
      case 'h':
        choose_type(&s, LONG_TSN_FILE, false);
        break;
      case 's':
        choose_type(&s, SHORT_TSN_FILE, false);
        break;
      case 't':
        choose_type(&s, LONG_TSN_FILE, true);
        break;
      case 'o':
        s.oats = true;
        break;
      case 'f':
        // A second one is refused whether or not it carries a value.
        if (s.output_base) {
          ++s.errors;
        } else if (value) {
          s.output_base = value;
        }
        break;
      case 'd':
        if (value) {
          tsn_set_dtbname(value);
        } else {
          ++s.errors;
        }
        break;
      case 'v':
        // A second one is refused whether or not it carries a value.
        if (s.varfile) {
          ++s.errors;
        } else if (value) {
          s.varfile = value;
        }
        break;
      case 'e':
        if (!s.status_given) {
          s.status_given = true;
          s.status = 0;
        }
        if (value) s.status += std::atoi(value);
        break;
      case 'x':
        s.debug_given = true;
        s.debug = value ? std::atoi(value) : 1;
        break;
      default:  // -m and every letter not in the option string
        ++s.errors;
        break;
    }
  }

  std::string project;
  if (s.project && file_part(s.project, &project)) {
    tsn_set_projname(project.c_str());
  } else {
    ++s.errors;
  }
  if (s.output_type >= 0) tsn_set_filetype(s.output_type);
  if (s.fsim) tsn_set_do_fsim(1);
  if (s.oats) tsn_set_oats(1);
  std::string base;
  if (s.output_base) {
    if (file_part(s.output_base, &base)) {
      tsn_set_filename(base.c_str());
    } else {
      ++s.errors;
    }
  } else if (s.project) {
    // A project the path functions refuse has been counted above.
    if (w->projname) tsn_set_filename(project.c_str());
  } else {
    ++s.errors;
  }
  std::string var;
  if (s.varfile) {
    if (file_part(s.varfile, &var)) {
      tsn_set_varfile(var.c_str());
    } else {
      ++s.errors;
    }
  }
  if (s.status_given) tsn_set_exeflag(s.status);
  if (s.debug_given) tsn_set_debugflag(s.debug);
  if (s.errors != 0) {
    usage();
    tsn_exit(3);
  }
}
