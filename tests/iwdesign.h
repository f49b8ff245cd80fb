// tests/iwdesign.h - a design folder for the tests that load whole
// designs: one writable library "lib" with its wir/ and sym/ directories,
// declared in drafta.ini, and helpers to write wirelists and symbols.
//
// Wirelists are written without their sources, so the database is told
// not to compare file times (nothing would regenerate them anyway).
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/iwproject.h"
#include "util/rkstr.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwobj.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"

namespace testutil {

class IwDesign : public IwProject {
 protected:
  // Opens the database on the design folder with the given bottom levels.
  void Start(const std::vector<std::string>& levels = {}) {
    Write("drafta.ini", ini_);
    for (const char* d : {"/lib", "/lib/wir", "/lib/sym"}) mkdir((dir_.path() + d).c_str(), 0755);
    ASSERT_EQ(iwinit(), 1);
    iwchktime();
    for (const std::string& level : levels) iwsetlevel(level.c_str());
    Codes();
  }

  // Forgets the session (and its message route) for another Start().
  void Restart() {
    Reset();
    iwregmsghndlr(Record, &messages_);
  }

  // Writes sheet `sheet` of group: the records of body between its "DW"
  // and "EW" records.
  void Sheet(const std::string& group, int sheet, const std::string& body) {
    Write("lib/wir/" + Lower(group) + "." + std::to_string(sheet),
          "V 4.09\nDW " + group + "\n" + body + "EW\n");
  }

  static std::string Lower(std::string s) {
    rkStrLoc(s.data());
    return s;
  }

  static IwGrp* Group(const char* name) { return fetch_grp(name); }

  static IwNet* Net(const char* group, const char* name) {
    IwGrp* g = fetch_grp(group);
    return g ? fetch_net(g, name) : nullptr;
  }

  // Names of the nets of group, in list order.
  static std::vector<std::string> Nets(const char* group) {
    std::vector<std::string> v;
    if (IwGrp* g = fetch_grp(group))
      for (IwNet* n = g->nets; n; n = n->next) v.push_back(n->name);
    return v;
  }

  // "NAME=VALUE" of each attribute of the list, in order.
  static std::vector<std::string> Atts(const IwAtt* a) {
    std::vector<std::string> v;
    for (; a; a = a->next) v.push_back(std::string(a->name) + "=" + (a->value ? a->value : "-"));
    return v;
  }

  // Names of the components on the net, as the ring holds them.
  static std::vector<std::string> PinsOn(const IwNet* net);

  // The library declarations Start() writes: "lib" unless a test adds more.
  std::string ini_ = "DIR [w] lib\n";

  // The message texts recorded so far, then forgotten.
  std::vector<std::string> Texts() {
    std::vector<std::string> t = messages_;
    messages_.clear();
    return t;
  }
};

inline std::vector<std::string> IwDesign::PinsOn(const IwNet* net) {
  std::vector<std::string> v;
  if (!net) return v;
  for (const void* p = net->pins; p && p != net; p = static_cast<const IwPin*>(p)->next) {
    const IwPin* pin = static_cast<const IwPin*>(p);
    const IwCom* com = (pin - pin->index)->com;
    v.push_back(std::string(com ? com->name : "?") + "." + std::to_string(pin->index));
  }
  return v;
}

}  // namespace testutil
