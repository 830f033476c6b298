#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "quorvel/filesystem/finder.h"
#include "quorvel/filesystem/item.h"
#include "tests/support/temp_folder.h"

namespace quorvel::filesystem {
namespace {

using testing::temp_folder_test;

// A rule file that fails while testing the entries whose name it holds, as
// the regular-expression library or an allocation may fail in a real one.
class failing_rules {
 public:
  explicit failing_rules(const std::filesystem::path&) {}

  bool match(const finder_item&, const std::wstring& path, std::wstring&, std::wstring&) const {
    if (path.ends_with(L"/boom")) {
      throw std::runtime_error("cannot test boom");
    }
    return false;
  }
};

class FinderFailureTest : public temp_folder_test {
 protected:
  std::string relative(const finder_item& entry) const {
    return entry.entry.path().lexically_relative(root).string();
  }
};

// A failure while testing an entry is not a folder that cannot be read: it
// must reach the caller, or the rest of the folder would go missing from the
// report while the run still looked complete.
TEST_F(FinderFailureTest, AFailureWhileTestingAnEntryLeavesTheWalk) {
  file(".rules");
  file("a");
  file("boom");
  file("sub/c");
  finder<failing_rules, finder_item> walker(root, L".rules");
  finder_item out{std::filesystem::path()};
  EXPECT_THROW(
      {
        while (walker.next(out)) {
        }
      },
      std::runtime_error);
}

TEST_F(FinderFailureTest, AFailureInADeeperFolderComesAfterEverythingBeforeIt) {
  file(".rules");
  file("a");
  file("deep/boom");
  finder<failing_rules, finder_item> walker(root, L".rules");
  finder_item out{std::filesystem::path()};
  std::set<std::string> seen;
  try {
    while (walker.next(out)) {
      seen.insert(relative(out));
    }
    FAIL() << "the failure was swallowed";
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(seen, (std::set<std::string>{".rules", "a", "deep"}));
}

}  // namespace
}  // namespace quorvel::filesystem
