// netlister/tsnstate_test.cc - the shortcut switch and the design caches.
#include "netlister/tsnstate.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "tests/testutil.h"
#include "wirelist/iwsession.h"

namespace {

TEST(TsnState, NoShortcutsNamesWhichToTurnOff) {
  constexpr unsigned kAll = (1u << std::size(kShortcutNames)) - 1;
  const struct {
    const char* value;  // of TSN_NO_SHORTCUTS; null: unset
    unsigned on;        // bit n: shortcut n stays on
  } cases[] = {
      {nullptr, kAll},
      {"", kAll},
      {"0", kAll},
      {"1", 0},
      {"yes", 0},
      {"plans", kAll & ~(1u << 1)},
      {"census,quiet ports", kAll & ~(1u << 0 | 1u << 4 | 1u << 7)},
      {"plans,,", kAll & ~(1u << 1)},
      {"plans,bogus", 0},  // a word it does not know: everything off, to be safe
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    testutil::ScopedEnv env("TSN_NO_SHORTCUTS", c.value);
    tsn_state_reset();
    unsigned on = 0;
    for (unsigned k = 0; k < std::size(kShortcutNames); ++k)
      if (tsn_shortcut(static_cast<TsnSwitch>(k))) on |= 1u << k;
    EXPECT_EQ(on, c.on);
  }
  tsn_state_reset();
}

TEST(TsnState, DesignCachesEmptyWhenTheDesignGenerationMoves) {
  TsnDesignCache<std::string> cache;
  cache.get() = "facts";
  EXPECT_EQ(cache.get(), "facts");
  iwsession_reset();  // records may be gone, and their addresses reused
  EXPECT_EQ(cache.get(), "");
  cache.get() = "again";
  iwnewgeneration();
  EXPECT_EQ(cache.get(), "");
}

}  // namespace
