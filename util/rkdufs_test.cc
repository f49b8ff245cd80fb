// util/rkdufs_test.cc - line ends of text files, prefixes and conversions
// of binary files.
#include "util/rkdufs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/testutil.h"
#include "util/rkerr.h"
#include "util/rkmsg.h"

namespace {

using namespace std::string_literals;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File open_text(const std::string& path, const std::string& content) {
  EXPECT_TRUE(testutil::WriteFile(path, content));
  return File(std::fopen(path.c_str(), "rb"));
}

// Every piece rkDufsFgets hands out with a buffer of size bytes.
std::vector<std::string> pieces(std::FILE* fp, int size) {
  std::vector<std::string> out;
  std::vector<char> buf(static_cast<std::size_t>(size));
  while (rkDufsFgets(buf.data(), size, fp)) out.push_back(buf.data());
  return out;
}

// Runs body and returns the number of the error it raised (0 if none).
template <class F>
int raised(int mask, F body, int* tag_out = nullptr) {
  RkExCaught c{};
  int tag = rkExTry(mask, body, &c);
  if (tag_out) *tag_out = tag;
  int n = tag ? rkErrNum(c.error) : 0;
  rkErrFree(c.error);
  return n;
}

class RkDufs : public ::testing::Test {
 protected:
  void TearDown() override {
    rkDufsReset();
    rkMsgReset();
    rkErrReset();
  }
  testutil::ScopedTempDir dir_;
  std::string path(const char* name) { return dir_.path() + "/" + name; }
};

TEST_F(RkDufs, CrlfFileReadsLikeLfFileThroughEveryTextFunction) {
  // A lone carriage return is data in both files, not a line end.
  const std::string lf = "alpha\nbe\rta\n\ngamma";
  File a = open_text(path("lf.txt"), lf);
  File b = open_text(path("crlf.txt"), testutil::Crlf(lf));

  std::string ca, cb;
  for (int c; (c = rkDufsFgetc(a.get())) != EOF;) ca += static_cast<char>(c);
  for (int c; (c = rkDufsFgetc(b.get())) != EOF;) cb += static_cast<char>(c);
  EXPECT_EQ(ca, lf);
  EXPECT_EQ(cb, lf);

  // Small buffers make a piece end exactly on the "\r" of "\r\n".
  for (int size = 2; size <= 8; ++size) {
    SCOPED_TRACE(size);
    std::rewind(a.get());
    std::rewind(b.get());
    EXPECT_EQ(pieces(a.get(), size), pieces(b.get(), size));
  }

  std::rewind(b.get());
  std::vector<std::string> lines;
  while (char* line = rkDufsFgetline(b.get())) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"alpha\n", "be\rta\n", "\n", "gamma"}));

  for (long k = 0; k < static_cast<long>(lf.size()); ++k) {
    SCOPED_TRACE(k);
    ASSERT_EQ(rkDufsFseek(b.get(), k, 0), 0);
    EXPECT_EQ(rkDufsFgetc(b.get()), lf[k]);
  }
  ASSERT_EQ(rkDufsFseek(b.get(), -5, 2), 0);
  EXPECT_EQ(rkDufsFgetc(b.get()), 'g');
  ASSERT_EQ(rkDufsFseek(b.get(), 6, 0), 0);  // "be\rta"
  ASSERT_EQ(rkDufsFseek(b.get(), 3, 1), 0);
  EXPECT_EQ(rkDufsFgetc(b.get()), 't');
  EXPECT_EQ(rkDufsFseek(b.get(), 1, 2), 2);
  EXPECT_EQ(rkDufsFseek(b.get(), -1, 0), 2);
}

TEST_F(RkDufs, FgetlineReturnsLongLinesWhole) {
  std::string line(1000, 'x');
  line[500] = '\r';  // a lone carriage return inside the line
  File f = open_text(path("long.txt"), line + "\r\nnext\r\n");
  EXPECT_EQ(rkDufsFgetline(f.get()), line + "\n");
  EXPECT_STREQ(rkDufsFgetline(f.get()), "next\n");
  EXPECT_EQ(rkDufsFgetline(f.get()), nullptr);
}

TEST_F(RkDufs, DesignLinesEndAtLineFeedsAndReadLoneCarriageReturnsAsBlanks) {
  struct Line {
    std::string text;
    bool ended, cut;
  };
  auto lines = [](std::FILE* f, std::size_t max) {
    std::vector<Line> out;
    Line l;
    while (rkDufsReadLine(f, &l.text, max, &l.ended, &l.cut)) out.push_back(l);
    return out;
  };
  const std::string lf = "abc\n\nx\ry\r\rz\nlast";
  File a = open_text(path("lf.txt"), lf);
  File b = open_text(path("crlf.txt"), testutil::Crlf(lf));
  for (std::FILE* f : {a.get(), b.get()}) {
    std::vector<Line> got = lines(f, 4);
    ASSERT_EQ(got.size(), 4u);
    const Line want[] = {{"abc", true, false}, {"", true, false}, {"x y ", true, true},
                         {"last", false, false}};
    for (std::size_t i = 0; i < got.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(got[i].text, want[i].text);
      EXPECT_EQ(got[i].ended, want[i].ended);
      EXPECT_EQ(got[i].cut, want[i].cut);
    }
  }
  // A carriage return that ends the file is a lone one.
  File c = open_text(path("cr.txt"), "end\r");
  std::string line;
  EXPECT_TRUE(rkDufsReadLine(c.get(), &line, 100));
  EXPECT_EQ(line, "end ");
  EXPECT_FALSE(rkDufsReadLine(c.get(), &line, 100));
}

TEST_F(RkDufs, LittleEndianFileReadsLikeBigEndianFile) {
  const std::string big("\x01\x85\x12\x34\x56\x78\xff\xff\xff\xfe\xab\xcd", 12);
  const std::string little("\x01\x84\x78\x56\x34\x12\xfe\xff\xff\xff\xcd\xab", 12);
  for (const auto& [name, bytes] : {std::pair{"big", big}, std::pair{"little", little}}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(testutil::WriteFile(path(name), bytes));
    RkDufsB* h = rkDufsBFopen(path(name).c_str(), "r");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(rkDufsBFtell(h), 0);
    std::int32_t v[2] = {};
    std::int16_t s = 0;
    EXPECT_EQ(rkDufsBRead(h, v, 2, RK_DUFS_INT, 1), 2);
    EXPECT_EQ(rkDufsBRead(h, &s, 1, RK_DUFS_SHORT, 1), 1);
    EXPECT_EQ(v[0], 0x12345678);
    EXPECT_EQ(v[1], -2);
    EXPECT_EQ(static_cast<std::uint16_t>(s), 0xabcd);
    EXPECT_EQ(rkDufsBRead(h, v, 1, RK_DUFS_INT, 1), 0);  // end of file
    rkDufsBFclose(h);
  }
}

TEST_F(RkDufs, IntegersOfOtherSizesAreWidenedOrRefused) {
  struct Case {
    const char* name;
    std::string bytes;  // prefix and one item
    int type, is_signed;
    std::int64_t want;  // value read
    int error;          // error raised instead, or 0
  };
  // 0x87: big-endian with 8-byte longs; 0x81: big-endian with 2-byte ints.
  const Case cases[] = {
      {"long 5", "\x01\x87\0\0\0\0\0\0\0\x05"s, RK_DUFS_LONG, 1, 5, 0},
      {"long -1", "\x01\x87\xff\xff\xff\xff\xff\xff\xff\xff"s, RK_DUFS_LONG, 1, -1, 0},
      {"long 2^31 signed", "\x01\x87\0\0\0\0\x80\0\0\0"s, RK_DUFS_LONG, 1, 0, 1320},
      {"long 2^31 unsigned", "\x01\x87\0\0\0\0\x80\0\0\0"s, RK_DUFS_LONG, 0, 0x80000000LL, 0},
      {"long 2^32", "\x01\x87\0\0\0\x01\0\0\0\0"s, RK_DUFS_LONG, 0, 0, 1320},
      {"int16 -2 signed", "\x01\x81\xff\xfe"s, RK_DUFS_INT, 1, -2, 0},
      {"int16 -2 unsigned", "\x01\x81\xff\xfe"s, RK_DUFS_INT, 0, 65534, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(testutil::WriteFile(path("item"), c.bytes));
    RkDufsB* h = rkDufsBFopen(path("item").c_str(), "r");
    ASSERT_NE(h, nullptr);
    std::int32_t v = 0;
    int err = raised(RK_TAG_ENVIRONMENT,
                     [&] { EXPECT_EQ(rkDufsBRead(h, &v, 1, c.type, c.is_signed), 1); });
    EXPECT_EQ(err, c.error);
    if (!c.error) {
      EXPECT_EQ(c.is_signed ? std::int64_t{v} : std::int64_t{static_cast<std::uint32_t>(v)},
                c.want);
    }
    rkDufsBFclose(h);
  }
}

TEST_F(RkDufs, WrittenFilesAreBigEndianAndReadBack) {
  RkDufsB* h = rkDufsBFopen(path("out").c_str(), "w+");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(rkDufsBFtell(h), 0);
  const std::int32_t word = 0x01020304;
  const std::int16_t half = 0x0506;
  EXPECT_EQ(rkDufsBWrite(h, &word, 1, 4), 1);
  EXPECT_EQ(rkDufsBWrite(h, &half, 1, 2), 1);
  EXPECT_EQ(rkDufsBWriteString(h, "hi"), 1);
  EXPECT_EQ(rkDufsBFtell(h), 9);
  // A string holds 255 characters, the most its length byte can say.
  const std::string s255(255, 's');
  EXPECT_EQ(rkDufsBWriteString(h, s255.c_str()), 1);
  EXPECT_EQ(raised(RK_TAG_MISUSE, [&] { rkDufsBWriteString(h, (s255 + "s").c_str()); }), 1312);

  rkDufsBRewind(h);
  std::int32_t w = 0;
  std::int16_t s = 0;
  char str[256];
  EXPECT_EQ(rkDufsBRead(h, &w, 1, RK_DUFS_INT, 1), 1);
  EXPECT_EQ(rkDufsBRead(h, &s, 1, RK_DUFS_SHORT, 1), 1);
  EXPECT_EQ(rkDufsBRead(h, str, 1, RK_DUFS_STRING, 0), 1);
  EXPECT_EQ(w, word);
  EXPECT_EQ(s, half);
  EXPECT_STREQ(str, "hi");
  EXPECT_EQ(rkDufsBRead(h, str, 1, RK_DUFS_STRING, 0), 1);
  EXPECT_EQ(str, s255);
  EXPECT_EQ(rkDufsBFclose(h), 0);
  EXPECT_EQ(testutil::ReadFile(path("out")),
            std::string("\x01\x85\x01\x02\x03\x04\x05\x06\x02hi\xff", 12) + s255);
}

TEST_F(RkDufs, BadPrefixesAndMisuseRaise) {
  struct Case {
    const char *name, *bytes;
    int error;  // 0: opened
  };
  const Case cases[] = {
      {"format 2", "\x02\x85", 1300},        {"bit 7 clear", "\x01\x05", 1301},
      {"8-byte floats", "\x01\xa5", 1302},   {"16-byte doubles", "\x01\xc5", 1302},
      {"16-byte ints", "\x01\x8d", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(testutil::WriteFile(path("p"), c.bytes));
    RkDufsB* h = nullptr;
    int tag = 0;
    EXPECT_EQ(raised(RK_TAG_ALL, [&] { h = rkDufsBFopen(path("p").c_str(), "r"); }, &tag), c.error);
    EXPECT_EQ(tag, c.error ? RK_TAG_ENVIRONMENT : 0);
    if (h) rkDufsBFclose(h);
  }

  ASSERT_TRUE(testutil::WriteFile(path("short"), "\x01"));
  EXPECT_EQ(rkDufsBFopen(path("short").c_str(), "r"), nullptr);
  EXPECT_EQ(rkDufsBFopen(path("missing").c_str(), "r"), nullptr);
  int tag = 0;
  EXPECT_EQ(raised(RK_TAG_ALL, [&] { rkDufsBFopen(nullptr, "r"); }, &tag), 1311);
  EXPECT_EQ(tag, RK_TAG_MISUSE);
  EXPECT_EQ(raised(RK_TAG_ALL, [&] { rkDufsBFopen(path("x").c_str(), "a"); }), 1306);
  EXPECT_EQ(raised(RK_TAG_ALL, [&] { rkDufsBFtell(nullptr); }), 1310);
}

// Only regular files are read: a FIFO would block the open, a device such
// as /dev/zero would never end, and a directory would read as empty.
TEST_F(RkDufs, OnlyRegularFilesOpenForReading) {
  ASSERT_TRUE(testutil::WriteFile(path("plain"), "x\n"));
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(path("dir").c_str(), 0700), 0);
  ASSERT_EQ(symlink("/dev/zero", path("zero").c_str()), 0);
  const struct {
    std::string path;
    int why;
  } cases[] = {{path("plain"), 0},
               {path("fifo"), RK_DUFS_NOT_REGULAR},
               {path("zero"), RK_DUFS_NOT_REGULAR},
               {path("dir"), EISDIR},
               {path("missing"), ENOENT}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    int why = -99;
    File f(rkDufsFopenRead(c.path.c_str(), &why));
    EXPECT_EQ(f != nullptr, c.why == 0);
    EXPECT_EQ(why, c.why);
  }
  EXPECT_STREQ(rkDufsWhy(RK_DUFS_NOT_REGULAR), "not a regular file");
  // A binary file is opened the same way: the FIFO is refused at once.
  EXPECT_EQ(rkDufsBFopen(path("fifo").c_str(), "r"), nullptr);
}

}  // namespace
