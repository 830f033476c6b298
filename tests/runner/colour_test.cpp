#include "quorvel/runner/colour.h"

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel::runner {
namespace {

// A console that keeps its attribute word as a real one does, logs every word
// set, and fails the reads whose numbers (from 0) it is given.
class fake_console final : public platform::console {
 public:
  fake_console(std::uint16_t attributes, std::set<int> failing_reads)
      : attributes_(attributes), failing_reads_(std::move(failing_reads)) {}

  bool get_attributes(std::uint16_t& attributes) override {
    if (failing_reads_.count(reads_++) != 0) {
      return false;
    }
    attributes = attributes_;
    return true;
  }

  void set_attributes(std::uint16_t attributes) override {
    attributes_ = attributes;
    words_set.push_back(attributes);
  }

  std::vector<std::uint16_t> words_set;

 private:
  std::uint16_t attributes_;
  std::set<int> failing_reads_;
  int reads_ = 0;
};

TEST(ChangeColourTest, SetsTheWordsTheConsoleRuleGives) {
  const struct {
    const char* name;
    std::uint16_t initial;
    std::set<int> failing_reads;
    std::vector<int> colours;
    std::vector<std::uint16_t> words_set;
    std::uint16_t saved;
  } rows[] = {
      {"a colour keeps the background and the high bits",
       0xC01F,
       {},
       {colour_green},
       {0xC012},
       0xC01F},
      {"a colour clears the intensity bit", 0x000F, {}, {colour_blue}, {0x0001}, 0x000F},
      {"restore goes back to the word found at the first change",
       0x001F,
       {},
       {colour_red, colour_restore, colour_yellow, colour_restore},
       {0x0014, 0x001F, 0x0016, 0x001F},
       0x001F},
      {"each colour starts from the current word, restore from the saved one",
       0x0087,
       {},
       {colour_green, colour_magenta, colour_restore},
       {0x0082, 0x0085, 0x0087},
       0x0087},
      {"a restore as the first change sets the word found",
       0x001F,
       {},
       {colour_restore},
       {0x001F},
       0x001F},
      {"a failed first query changes and captures nothing", 0x001F, {0}, {colour_green}, {}, 0},
      {"the next change captures after a failed query",
       0x001F,
       {0},
       {colour_green, colour_restore},
       {0x001F},
       0x001F},
      {"a failed second query skips that colour only",
       0x001F,
       {1},
       {colour_green, colour_restore},
       {0x001F},
       0x001F},
      {"a captured word of 0 is captured again",
       0x0000,
       {},
       {colour_green, colour_restore},
       {0x0002, 0x0002},
       0x0002},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    fake_console console(row.initial, row.failing_reads);
    std::uint16_t saved = 0;
    for (const int colour : row.colours) {
      change_colour(console, colour, saved);
    }
    EXPECT_EQ(console.words_set, row.words_set);
    EXPECT_EQ(saved, row.saved);
  }
}

}  // namespace
}  // namespace quorvel::runner
