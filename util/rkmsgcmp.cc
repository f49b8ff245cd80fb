// util/rkmsgcmp.cc - the message compiler; see rkmsgcmp.h.
//
// Two passes: the source is parsed completely (so every error is found
// before a byte is written), then the layout is computed and written in
// one go.  Offsets count from the start of the body, just after the
// binary file's 2-byte prefix.
#include "util/rkmsgcmp.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "util/limits.h"
#include "util/rkdufs.h"
#include "util/rkerr.h"
#include "util/rkstr.h"

namespace {

constexpr std::int32_t kFormatMark = 0x00010203;
constexpr int kHeaderWords = 15;
constexpr std::size_t kMaxString = 65534;  // 16-bit length counting the NUL

struct Message {
  std::int32_t number;  // message number
  std::string text;     // decoded text without its NUL
};

struct Catalog {
  std::string application;  // from -1
  std::string release;      // from -2
  bool has_application = false, has_release = false;
  std::int32_t version[3] = {-1, -1, -1};    // from -3; -1 until set
  std::map<std::int32_t, Message> messages;  // by number
};

// The first problem found, as a diagnostic line; empty while all is well.
struct Diag {
  std::string file;  // the file being read or written
  std::string text;  // "file:line: what"

  bool fail(int line, const std::string& what) {
    text = line > 0 ? file + ":" + std::to_string(line) + ": " + what : file + ": " + what;
    return false;
  }
};

// Decodes the quoted text starting just after its opening quote.
bool decode(const std::string& line, std::size_t pos, std::string& out, Diag& d, int lineno) {
  out.clear();
  while (pos < line.size()) {
    char c = line[pos++];
    if (c == '"') return true;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (pos >= line.size()) break;
    char e = line[pos++];
    switch (e) {
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case '\\':
        out += '\\';
        break;
      case '"':
        out += '"';
        break;
      default: {
        if (e < '0' || e > '7')
          return d.fail(lineno, std::string("unknown escape \\") + e + " in the message text");
        int value = e - '0';
        for (int k = 0; k < 2 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++k)
          value = value * 8 + (line[pos++] - '0');
        if (value == 0) return d.fail(lineno, "the escape \\0 would end the message text early");
        if (value > 255) return d.fail(lineno, "octal escape above \\377 in the message text");
        out += static_cast<char>(value);
        break;
      }
    }
  }
  return d.fail(lineno, "the message text has no closing quote");
}

bool parse_version(const std::string& text, std::int32_t out[3], Diag& d, int lineno) {
  static const std::regex kVersion("^([0-9]{1,9})\\.([0-9]{1,9})\\.([0-9]{1,9})$");
  std::smatch m;
  if (!std::regex_match(text, m, kVersion))
    return d.fail(lineno, "the catalog version \"" + text + "\" is not MAJOR.MINOR.PATCH");
  for (int i = 0; i < 3; ++i)
    out[i] = static_cast<std::int32_t>(std::strtol(m[i + 1].str().c_str(), nullptr, 10));
  return true;
}

// Parses one message line already known to match; false on an error.
bool parse_line(const std::string& line, const std::smatch& m, int lineno, Catalog& cat,
                std::map<std::int32_t, int>& seen, Diag& d) {
  std::int32_t number;
  if (m[2].matched) {
    number = -(m[2].str()[0] - '0');
  } else {
    errno = 0;
    long v = std::strtol(m[3].str().c_str(), nullptr, 10);
    if (errno != 0 || v > INT32_MAX)
      return d.fail(lineno, "message number " + m[3].str() + " is too large");
    number = static_cast<std::int32_t>(v);
  }
  auto [it, fresh] = seen.emplace(number, lineno);
  if (!fresh)
    return d.fail(lineno, "number " + std::to_string(number) + " is already defined on line " +
                              std::to_string(it->second));
  std::string text;
  if (!decode(line, static_cast<std::size_t>(m.position(0) + m.length(0)), text, d, lineno))
    return false;
  switch (number) {
    case -1:
    case -2:
      if (text.size() > kMaxString) return d.fail(lineno, "the catalog string is too long");
      (number == -1 ? cat.application : cat.release) = text;
      (number == -1 ? cat.has_application : cat.has_release) = true;
      return true;
    case -3:
      return parse_version(text, cat.version, d, lineno);
    default:
      cat.messages.emplace(number, Message{number, text});
      return true;
  }
}

bool parse(const char* source_path, Catalog& cat, Diag& d) {
  d.file = source_path;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> fp(rkDufsFopenRead(source_path), std::fclose);
  if (!fp) return d.fail(0, std::string("cannot open for reading: ") + std::strerror(errno));
  static const std::regex kMessage(
      "^#[ \t]*define[ \t]+[_a-zA-Z][_a-zA-Z0-9]*[ \t]+(-([123])|([0-9]+))[ \t]+/\\*[ \t]*\"");
  std::map<std::int32_t, int> seen;  // number -> line that defined it
  int lineno = 0;
  while (char* raw = rkDufsFgetline(fp.get())) {
    ++lineno;
    std::string line = raw;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    std::smatch m;
    if (!std::regex_search(line, m, kMessage)) continue;
    if (!parse_line(line, m, lineno, cat, seen, d)) return false;
  }
  if (static_cast<long>(cat.messages.size()) > rk::kMsgMaxIndexCount)
    return d.fail(0, "more than " + std::to_string(rk::kMsgMaxIndexCount) + " messages");
  return true;
}

struct Writer {
  RkDufsB* h;
  bool ok = true;
  void words(const std::int32_t* w, int n) { ok = ok && rkDufsBWrite(h, w, n, 4) == n; }
  void bytes(const char* p, std::size_t n) {
    ok = ok && rkDufsBWrite(h, p, static_cast<int>(n), 1) == static_cast<int>(n);
  }
  void string(const std::string& s) {
    auto len = static_cast<std::int16_t>(static_cast<std::uint16_t>(s.size() + 1));
    ok = ok && rkDufsBWrite(h, &len, 1, 2) == 1;
    bytes(s.c_str(), s.size() + 1);
  }
};

bool write(const Catalog& cat, const char* output_path, Diag& d) {
  d.file = output_path;
  std::int64_t pos = kHeaderWords * 4;
  std::int32_t header[kHeaderWords] = {};
  header[0] = kFormatMark;
  header[1] = cat.version[0];
  header[2] = cat.version[1];
  header[3] = cat.version[2];
  if (cat.has_application) {
    header[6] = static_cast<std::int32_t>(pos);
    pos += 2 + static_cast<std::int64_t>(cat.application.size()) + 1;
  }
  if (cat.has_release) {
    header[7] = static_cast<std::int32_t>(pos);
    pos += 2 + static_cast<std::int64_t>(cat.release.size()) + 1;
  }
  std::vector<std::int32_t> index;
  index.reserve(cat.messages.size() * 3 + 1);
  index.push_back(static_cast<std::int32_t>(cat.messages.size()));
  for (const auto& [number, m] : cat.messages) {
    index.push_back(number);
    index.push_back(static_cast<std::int32_t>(pos));
    index.push_back(static_cast<std::int32_t>(m.text.size() + 1));
    pos += static_cast<std::int64_t>(m.text.size()) + 1;
  }
  if (pos > INT32_MAX) return d.fail(0, "the catalog would exceed 2 GB");
  header[4] = static_cast<std::int32_t>(pos);

  RkDufsB* h = rkDufsBFopen(output_path, "w");
  if (!h) return d.fail(0, std::string("cannot create: ") + std::strerror(errno));
  Writer w{h};
  w.words(header, kHeaderWords);
  if (cat.has_application) w.string(cat.application);
  if (cat.has_release) w.string(cat.release);
  for (const auto& [number, m] : cat.messages) w.bytes(m.text.c_str(), m.text.size() + 1);
  w.words(index.data(), static_cast<int>(index.size()));
  bool closed = rkDufsBFclose(h) == 0;
  if (w.ok && closed) return true;
  std::remove(output_path);
  return d.fail(0, "write failed");
}

// The text as a C++ string literal: octal escapes always have three
// digits, so a digit after one is never taken into it.
std::string literal(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\%03o", c);
      out += esc;
    }
  }
  return out + "\"";
}

bool write_table(const std::vector<std::pair<std::string, Catalog>>& cats, const char* output_path,
                 Diag& d) {
  d.file = output_path;
  std::string text =
      "// Generated by rkmsgcmp from the catalog sources; do not edit.\n"
      "#include \"util/rkmsg.h\"\n\n"
      "namespace {\n";
  for (std::size_t i = 0; i < cats.size(); ++i) {
    text += "const RkMsgBuiltinText kTexts" + std::to_string(i) + "[] = {\n";
    for (const auto& [number, m] : cats[i].second.messages)
      text += "    {" + std::to_string(number) + ", " + literal(m.text) + "},\n";
    text += "    {0, nullptr}};\n";
  }
  text += "}  // namespace\n\nextern const RkMsgBuiltinCatalog rkMsgBuiltinCatalogs[] = {\n";
  for (std::size_t i = 0; i < cats.size(); ++i)
    text += "    {" + literal(cats[i].first) + ", kTexts" + std::to_string(i) + ", " +
            std::to_string(cats[i].second.messages.size()) + "},\n";
  text += "    {nullptr, nullptr, 0}};\n";
  std::FILE* fp = std::fopen(output_path, "w");
  if (!fp) return d.fail(0, std::string("cannot create: ") + std::strerror(errno));
  bool ok = std::fwrite(text.data(), 1, text.size(), fp) == text.size();
  ok = (std::fclose(fp) == 0) && ok;
  if (ok) return true;
  std::remove(output_path);
  return d.fail(0, "write failed");
}

}  // namespace

int rkMsgCompileTable(const RkMsgTableSource* catalogs, int n, const char* output_path, char* diag,
                      std::size_t diag_size) {
  if (diag && diag_size > 0) diag[0] = '\0';
  Diag d;
  bool ok = true;
  RkExCaught caught{};
  int tag = rkExTry(
      RK_TAG_ALL,
      [&] {
        std::vector<std::pair<std::string, Catalog>> cats;
        for (int i = 0; i < n && ok; ++i) {
          cats.emplace_back(catalogs[i].name ? catalogs[i].name : "", Catalog{});
          ok = parse(catalogs[i].source_path ? catalogs[i].source_path : "", cats.back().second, d);
        }
        ok = ok && write_table(cats, output_path ? output_path : "", d);
      },
      &caught);
  if (tag != 0) {
    d.text = std::string(output_path ? output_path : "") + ": " + rkErrString(caught.error, 0);
    rkErrFree(caught.error);
    ok = false;
  }
  if (ok) return 0;
  if (diag) rkStrncpyNullTerm(diag, d.text.c_str(), diag_size);
  return 1;
}

int rkMsgCompile(const char* source_path, const char* output_path, char* diag,
                 std::size_t diag_size) {
  if (diag && diag_size > 0) diag[0] = '\0';
  Diag d;
  bool ok = false;
  RkExCaught caught{};
  // Errors of the binary-file layer come as exceptions; they become the
  // diagnostic too, since this program may be building rklib itself.
  int tag = rkExTry(
      RK_TAG_ALL,
      [&] {
        Catalog cat;
        ok = parse(source_path ? source_path : "", cat, d) &&
             write(cat, output_path ? output_path : "", d);
      },
      &caught);
  if (tag != 0) {
    d.text = std::string(output_path ? output_path : "") + ": " + rkErrString(caught.error, 0);
    rkErrFree(caught.error);
    if (output_path) std::remove(output_path);
  }
  if (ok && tag == 0) return 0;
  if (diag) rkStrncpyNullTerm(diag, d.text.c_str(), diag_size);
  return 1;
}
