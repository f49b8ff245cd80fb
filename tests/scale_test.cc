// tests/scale_test.cc - generated designs large enough to cross every size
// threshold of the database and the writers, and designs at the length
// limit of hierarchical names, run through the built tsn.
//
// The golden cases are small; the thresholds are not: a string table takes
// its look-up bits at 1,024 entries and grows past 4,006, the name index
// grows from 1,024 slots, records fill 8 KB pool blocks carved from 8 MB
// regions, list sorts compare runs of names sharing eight bytes, and the
// writers keep four path lengths of each block's records.  The outputs are
// checked by properties that do not come from the code under test: record
// counts, no error lines, every instance named once and every net named
// on some module record.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/testutil.h"

namespace {

const char kGates[] =
    "AS ND2 PINORDER=A B Y\n"
    "AS INV PINORDER=A Y\n";

// prefix followed by the number (the operator+ of a literal and a
// temporary string trips a false -Wrestrict in GCC 12).
std::string Numbered(const char* prefix, int n) {
  std::string s = prefix;
  s += std::to_string(n);
  return s;
}

std::string Symbol(int type, const std::vector<std::string>& pins) {
  std::string s = "V 5.0\nY " + std::to_string(type) + "\nU 0 0 0 0 0 0 PINORDER=";
  for (std::size_t i = 0; i < pins.size(); ++i) s += (i ? " " : "") + pins[i];
  s += "\n";
  for (const std::string& p : pins) s += "P 0 0 0 0 0 0 0\nL 0 0 0 0 0 0 0 0 " + p + "\n";
  return s + "E\n";
}

// A project folder: drafta.ini, the gate symbols and the given wirelists.
struct Project {
  testutil::ScopedTempDir dir;

  explicit Project(const std::map<std::string, std::string>& wirelists) {
    testutil::WriteFile(dir.path() + "/drafta.ini", "DIR [p] ./lib (WORK)\n");
    testutil::WriteFile(dir.path() + "/lib/sym/nd2.1", Symbol(1, {"A", "B", "Y"}));
    testutil::WriteFile(dir.path() + "/lib/sym/inv.1", Symbol(1, {"A", "Y"}));
    for (const auto& [name, text] : wirelists) {
      testutil::WriteFile(dir.path() + "/lib/wir/" + name + ".1", text);
      if (name != "top") testutil::WriteFile(dir.path() + "/lib/sym/" + name + ".1", Symbol(0, {"I", "O"}));
    }
  }

  // Runs tsn on the top group; the exit code and the netlist.
  std::pair<int, std::string> Run(const std::vector<std::string>& args,
                                  const char* shortcuts = "0") {
    std::vector<std::string> argv = {TSN_BINARY, "top", "-e", "0"};
    argv.insert(argv.end(), args.begin(), args.end());
    auto r = testutil::RunProgram(argv, dir.path(),
                                  {"WDIR=" + dir.path(), std::string("TSN_NO_SHORTCUTS=") + shortcuts});
    out = r.out;
    return {r.exit_code, testutil::ReadFile(dir.path() + "/top.tsn")};
  }

  std::string out;  // standard output of the last run
};

// The module records of a netlist, continuation lines joined, each split
// into its instance name and the net names after the attribute list.
struct Modules {
  std::vector<std::string> names;
  std::set<std::string> nets;
  long design_count = -1;  // from the DW record
  int error_lines = 0;
};

Modules Read(const std::string& netlist) {
  Modules m;
  std::vector<std::string> records;
  std::istringstream in(netlist);
  for (std::string line; std::getline(in, line);) {
    if (!records.empty() && records.back().ends_with(" +") && line.starts_with(" ")) {
      records.back().resize(records.back().size() - 2);
      records.back() += line;
    } else {
      records.push_back(line);
    }
  }
  for (const std::string& r : records) {
    std::istringstream words(r);
    std::string kind, name;
    words >> kind >> name;
    if (kind == "ER") ++m.error_lines;
    if (kind == "DW") words >> m.design_count;
    if (kind != "M") continue;
    m.names.push_back(name);
    std::size_t close = r.find(" ) ");
    std::istringstream nets(close == std::string::npos ? "" : r.substr(close + 3));
    for (std::string net; nets >> net;) m.nets.insert(net);
  }
  return m;
}

// One sheet of n gates chained through nets of long shared prefixes, so
// that sorted lists meet runs of names equal in their first eight bytes.
std::string FlatSheet(int n, std::vector<std::string>* nets) {
  std::string s = "V 4.09\nDW TOP\n";
  s += kGates;
  auto net = [](int k) { return Numbered("DATAPATH_NET_", k); };
  for (int k = 0; k < n; ++k) {
    const bool nand = k % 2 == 0;
    const std::string inst = Numbered("$1I", k);
    s += std::string(nand ? "M ND2 " : "M INV ") + inst + "\nI " + inst + (nand ? " ND2 " : " INV ") +
         net(k) + (nand ? " VCC " : " ") + net(k + 1) + " LABEL=GATE_INSTANCE_" + std::to_string(k) +
         "`PWR=LOW\n";
  }
  for (int k = 0; k <= n; ++k) nets->push_back(net(k));
  nets->push_back("VCC");
  return s + "G VCC\nEW\n";
}

TEST(Scale, FlatSheetPastEveryTableThreshold) {
  constexpr int kGatesOnSheet = 20000;  // over 8 MB of records, 20,001 nets
  std::vector<std::string> nets;
  Project p({{"top", FlatSheet(kGatesOnSheet, &nets)}});
  auto [code, netlist] = p.Run({});
  ASSERT_EQ(code, 0) << p.out;
  EXPECT_NE(p.out.find(std::to_string(kGatesOnSheet) + " module(s)"), std::string::npos) << p.out;
  EXPECT_NE(p.out.find("0 error(s) and 0 warning(s)"), std::string::npos) << p.out;
  Modules m = Read(netlist);
  EXPECT_EQ(m.design_count, kGatesOnSheet);
  EXPECT_EQ(m.error_lines, 0);
  ASSERT_EQ(m.names.size(), std::size_t(kGatesOnSheet));
  std::set<std::string> names(m.names.begin(), m.names.end());
  EXPECT_EQ(names.size(), std::size_t(kGatesOnSheet));  // each instance once
  for (int k = 0; k < kGatesOnSheet; k += 997)
    EXPECT_TRUE(names.count(Numbered("GATE_INSTANCE_", k))) << k;
  for (const std::string& n : nets) ASSERT_TRUE(m.nets.count(n)) << n << " is on no module record";
}

// TOP places kFan blocks, each kFan sub-blocks, each kFan gates: about ten
// thousand leaves under 484 block paths of several lengths.
TEST(Scale, TenThousandLeavesInThreeLevels) {
  constexpr int kFan = 22;
  auto chain = [](const char* child, const char* prefix) {
    std::string s = std::string("V 4.09\nDW ") + (prefix[0] == 'B' ? "TOP" : "BLK") + "\n";
    s += std::string("AS ") + child + " PINORDER=I O\n";
    for (int k = 0; k < kFan; ++k) {
      const std::string inst = Numbered("$1I", k);
      s += std::string("W ") + child + " " + inst + "\nI " + inst + " " + child + " X" +
           std::to_string(k) + " X" + std::to_string(k + 1) + " LABEL=" + prefix +
           std::to_string(k) + "\n";
    }
    return s + "P IN I\nI I IN X0\nP OUT O\nI O OUT X" + std::to_string(kFan) + "\nEW\n";
  };
  std::string sub = std::string("V 4.09\nDW SUB\n") + kGates;
  for (int k = 0; k < kFan; ++k) {
    const std::string inst = Numbered("$1I", k);
    sub += "M INV " + inst + "\nI " + inst + " INV N" + std::to_string(k) + " N" +
           std::to_string(k + 1) + " LABEL=U" + std::to_string(k) + "`SIZE=@DRIVE\n";
  }
  sub += "P IN I\nI I IN N0\nP OUT O\nI O OUT N" + std::to_string(kFan) + "\nEW\n";
  Project p({{"top", chain("BLK", "B")}, {"blk", chain("SUB", "S")}, {"sub", sub}});
  testutil::WriteFile(p.dir.path() + "/top.var", "@DRIVE = 2\n");

  auto [code, netlist] = p.Run({});
  ASSERT_EQ(code, 0) << p.out;
  Modules m = Read(netlist);
  EXPECT_EQ(m.design_count, kFan * kFan * kFan);
  EXPECT_EQ(m.error_lines, 0);
  ASSERT_EQ(m.names.size(), std::size_t(kFan * kFan * kFan));
  std::set<std::string> names(m.names.begin(), m.names.end());
  for (int b = 0; b < kFan; ++b)
    for (int s = 0; s < kFan; ++s) {
      const std::string path = Numbered("B", b) + Numbered("\\S", s) + "\\";
      for (int u = 0; u < kFan; ++u) ASSERT_TRUE(names.count(path + "U" + std::to_string(u))) << path << u;
      for (int n = 0; n <= kFan; ++n)
        ASSERT_TRUE(m.nets.count(path + "N" + std::to_string(n))) << path << "N" << n;
    }
  // The general path writes the same bytes, in both formats.
  EXPECT_TRUE(netlist == p.Run({}, "1").second);
  const std::string short_netlist = p.Run({"-s"}).second;
  EXPECT_EQ(Read(short_netlist).names.size(), std::size_t(kFan * kFan * kFan));
  EXPECT_TRUE(short_netlist == p.Run({"-s"}, "1").second);
}

// A hierarchical name has 1023 bytes at most: a leaf whose name is exactly
// that long is written, one a byte longer ends the run.
TEST(Limits, HierarchicalNamesOf1023BytesAndOneMore) {
  // Five blocks deep, each label 200 characters and a backslash: 1005
  // bytes of path before the leaf's own name.
  const std::string label(200, 'L');
  for (const std::size_t leaf : {18, 19}) {
    SCOPED_TRACE(leaf);
    std::map<std::string, std::string> wirelists;
    for (int d = 0; d < 5; ++d) {
      const std::string group = d == 0 ? "top" : Numbered("g", d);
      const std::string child = Numbered("G", d + 1);
      wirelists[group] = "V 4.09\nDW " + (d == 0 ? std::string("TOP") : Numbered("G", d)) +
                         "\nAS " + child + " PINORDER=I O\nW " + child + " $1I1\nI $1I1 " + child +
                         " A B LABEL=" + label + "\n" +
                         (d == 0 ? "" : "P IN I\nI I IN A\nP OUT O\nI O OUT B\n") + "EW\n";
    }
    wirelists["g5"] = std::string("V 4.09\nDW G5\n") + kGates + "M INV $1I1\nI $1I1 INV A B LABEL=" +
                      std::string(leaf, 'U') + "\nP IN I\nI I IN A\nP OUT O\nI O OUT B\nEW\n";
    Project p(wirelists);
    auto [code, netlist] = p.Run({});
    std::string name;
    for (int d = 0; d < 5; ++d) name += label + "\\";
    name += std::string(leaf, 'U');
    if (name.size() <= 1023) {
      EXPECT_EQ(code, 0) << p.out;
      // The record's first token, "M " and the name, is cut at 1023
      // characters like every token.
      EXPECT_NE(netlist.find("M " + name.substr(0, 1021) + " +\n"), std::string::npos) << netlist;
    } else {
      EXPECT_EQ(code, 3);
      EXPECT_NE(p.out.find("Error: label exceeds supported length"), std::string::npos) << p.out;
    }
  }
}

}  // namespace
