// util/rkrun.cc - running an external command; see rkrun.h.
#include "util/rkrun.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool alnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// One word for the shell: as it is when the shell leaves every character
// alone, else in single quotes (a quote inside closes, escapes and
// reopens them).
std::string shell_word(const std::string& s) {
  bool plain = !s.empty();
  for (char c : s) plain = plain && (alnum(c) || std::strchr("_./-", c));
  if (plain) return s;
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

void append_word(RkCommand* cmd, const std::string& word) {
  if (!cmd->text.empty()) cmd->text += ' ';
  cmd->text += word;
}

}  // namespace

bool rkRunSafeName(const char* name) {
  if (!name || !*name || name[0] == '-') return false;
  for (const char* p = name; *p; ++p)
    if (!alnum(*p) && !std::strchr("_.-$", *p)) return false;
  return true;
}

void rkRunProgram(RkCommand* cmd, const char* path) {
  if (cmd && path && *path) append_word(cmd, shell_word(path));
}

void rkRunText(RkCommand* cmd, const char* text) {
  if (cmd && text && *text) append_word(cmd, text);
}

bool rkRunName(RkCommand* cmd, const char* prefix, const char* name) {
  if (!cmd) return false;
  if (!rkRunSafeName(name)) {
    if (!cmd->refused) cmd->refused_name = name ? name : "";
    cmd->refused = true;
    return false;
  }
  append_word(cmd, shell_word(std::string(prefix ? prefix : "") + name));
  return true;
}

bool rkRunTooLong(const RkCommand& cmd) { return cmd.limit > 0 && cmd.text.size() > cmd.limit; }

int rkRunCommand(const RkCommand& cmd) {
  if (cmd.refused || cmd.text.empty() || rkRunTooLong(cmd)) return -1;
  std::fflush(nullptr);
  int status = std::system(cmd.text.c_str());
  if (status == -1) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}
