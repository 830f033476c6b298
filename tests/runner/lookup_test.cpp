// The runner's fast answers checked against the straightforward ones: the
// lookup of git's listing against judge_entry's walk over parent paths, and
// the listing read a line at a time against the whole text parsed at once.

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/filesystem/item.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/runner/expected.h"
#include "quorvel/runner/expected_lookup.h"
#include "quorvel/runner/report.h"
#include "quorvel/text/utf8.h"
#include "tests/support/temp_folder.h"

namespace quorvel::runner {
namespace {

using filesystem::finder_item;

finder_item entry_at(const std::wstring& path, bool ignored) {
  finder_item item{std::filesystem::path()};
  std::error_code no_entry;
  item.entry.assign(platform::to_path(path), no_entry);
  item.ignored = ignored;
  return item;
}

// The compact set of the keys of `expected`.
expected_keys compact(const expected_map& expected) {
  expected_keys keys(L"/t/");
  for (const auto& [key, ignored] : expected) {
    keys.insert(key);
  }
  return keys;
}

// Judges `path` both ways, through one lookup that lives across calls as
// it does in a run.
void expect_same_judgement(const expected_map& expected, expected_lookup& lookup,
                           const std::wstring& path) {
  for (const bool ignored : {false, true}) {
    const finder_item item = entry_at(path, ignored);
    EXPECT_EQ(judge_entry(item, path, lookup), judge_entry(item, expected))
        << text::wide_to_bytes(path) << (ignored ? " ignored" : "");
  }
}

TEST(ExpectedLookupTest, CoversWhatTheParentWalkCovers) {
  const expected_map listings[] = {
      {{L"/t/b.log", true},
       {L"/t/build", true},
       {L"rel/x", true},
       {L"/t//d", true},
       {L"/t/e/", true},
       {L"/t/\u00e9", true},
       {L"/u/v/w", true}},
      // The root and the empty path are the last parents of every path.
      {{L"/", true}},
      {{L"", true}},
  };
  const std::wstring paths[] = {
      L"/t/b.log", L"/t/build/x.o", L"/t/builder", L"/t/src/a.c", L"/x",          L"/",
      L"",         L"rel",          L"rel/x/y",    L"rel/y",      L"a",           L"/t//d/e",
      L"/t//d",    L"/t/e/",        L"/t/e/f",     L"/t/e",       L"/t/\u00e9/z", L"/u/v/w/x",
      L"/u/v",     L"/u/v/x",       L"//t/b.log",
  };
  for (const expected_map& expected : listings) {
    const expected_keys keys = compact(expected);
    expected_lookup lookup(keys);
    // In this order and reversed, so that remembered folders meet every
    // neighbour.
    for (const std::wstring& path : paths) {
      expect_same_judgement(expected, lookup, path);
    }
    for (auto at = std::rbegin(paths); at != std::rend(paths); ++at) {
      expect_same_judgement(expected, lookup, *at);
    }
  }
}

TEST(ExpectedLookupTest, RandomTreesAgreeWithTheParentWalk) {
  std::mt19937 random(3);
  const std::wstring names[] = {L"a", L"b", L"ab", L"a.b", L"c", L"d"};
  const auto random_path = [&](std::size_t depth) {
    std::wstring path = L"/r";
    for (std::size_t i = 0; i < depth; ++i) {
      path += L"/" + names[random() % std::size(names)];
    }
    return path;
  };
  for (int round = 0; round < 20; ++round) {
    expected_map expected;
    for (int i = 0; i < 40; ++i) {
      expected.emplace(random_path(1 + random() % 3), true);
    }
    const expected_keys keys = compact(expected);
    expected_lookup lookup(keys);
    for (int i = 0; i < 400; ++i) {
      expect_same_judgement(expected, lookup, random_path(1 + random() % 5));
    }
  }
}

TEST(ExpectedLookupTest, NativeBytesAreCoveredAsTheirWideTextIs) {
  if constexpr (platform::backslash_is_separator) {
    GTEST_SKIP() << "names are not bytes here";
  }
  // Pieces of names in valid and broken UTF-8, and keys that no name's bytes
  // decode to (a lone surrogate, a unit that stands for a byte of valid
  // UTF-8), which must never be found.
  const std::string pieces[] = {"a", "\xc3\xa9", "\xff", "\xed\xa0\x80", "\xe2\x82", "b/c", ""};
  expected_map expected = {{L"/r/a", true},
                           {L"/r/\u00e9/\xDCFF", true},
                           {std::wstring(L"/r/") + static_cast<wchar_t>(0xD800), true},
                           {L"/r/\xDCC3\xDCA9", true},
                           {L"/r/b/c/\xDCE2\xDC82", true}};
  std::mt19937 random(9);
  for (int round = 0; round < 2; ++round) {
    const expected_keys keys = compact(expected);
    expected_lookup wide(keys);
    expected_lookup native(keys);
    for (int i = 0; i < 500; ++i) {
      std::string path = "/r";
      for (int depth = random() % 4; depth > 0; --depth) {
        path += "/" + pieces[random() % std::size(pieces)] + pieces[random() % std::size(pieces)];
      }
      const std::wstring text = text::bytes_to_wide(path);
      EXPECT_EQ(native.covers_native(platform::to_path(text).native()), wide.covers(text))
          << ::testing::PrintToString(path);
    }
    expected[L"/r"] = true;  // everything covered
  }
}

TEST(ReportEntryTest, ThePathBelowTheFolderGivesTheSameLine) {
  if constexpr (platform::backslash_is_separator) {
    GTEST_SKIP() << "names are not bytes here";
  }
  const char* paths[] = {"/work/t1/a.c", "/work/t1/\xc3\xa9\xff/x", "/work/t1/\xed\xa0\x80"};
  for (const char* bytes : paths) {
    for (const bool ignored : {false, true}) {
      finder_item item = entry_at(text::bytes_to_wide(bytes), ignored);
      item.rule = L"r\u00e9";
      item.rule_regex = L"x";
      for (const judgement verdict : {judgement{false, true}, judgement{true, false}}) {
        std::ostringstream wide_stream;
        std::ostringstream native_stream;
        {
          output wide_out(wide_stream);
          output native_out(native_stream);
          report_entry(wide_out, item, verdict, std::string("/work/t1").size());
          report_entry_below(
              native_out, item, verdict,
              std::basic_string_view<std::filesystem::path::value_type>(item.entry.path().native())
                  .substr(8));
        }
        EXPECT_EQ(native_stream.str(), wide_stream.str()) << ::testing::PrintToString(bytes);
      }
    }
  }
}

TEST(ExpectedKeyTest, ShortCutGivesThePathAppend) {
  // The key as the append of paths spells it, for lines of every kind.
  const std::wstring lines[] = {
      L"\ta.o", L"a/b/",   L"/abs",    L"",        L"\t",   L"a\tb", L"\u00e9",
      L"./x",   L"x/../y", L"\xD800x", L"\xDCFFy", L"a//b", L"a\\b", L"\U0010FFFF",
  };
  const std::filesystem::path folders[] = {"/t", "/", "rel", "", "/t/", "/t/."};
  for (const std::filesystem::path& folder : folders) {
    for (std::wstring line : lines) {
      SCOPED_TRACE(folder.string() + " " + text::wide_to_bytes(line));
      const std::wstring key = expected_key(line, folder);
      std::erase(line, L'\t');
      if (!line.empty() && line.back() == L'/') {
        line.pop_back();
      }
      std::wstring appended = platform::to_wide(folder / platform::to_path(line));
      if constexpr (platform::backslash_is_separator) {
        std::replace(appended.begin(), appended.end(), L'\\', L'/');
      }
      EXPECT_EQ(key, appended);
    }
  }
}

class ReadListingTest : public testing::temp_folder_test {};

TEST_F(ReadListingTest, LineByLineGivesWhatTheWholeTextGives) {
  // Random listings of headers, hint lines, entries and broken UTF-8 around
  // the line ends, read from a file and parsed from the decoded whole.
  const std::string pieces[] = {
      "Ignored files:",
      "Untracked files:",
      "(hint)",
      "\tname",
      "\tdir/",
      "",
      "\r",
      "\xc3",
      "\xe2\x82",
      "\xf0\xc0\x80",
      "\xc3\xa9",
      "\xff",
      "Ignored files:\r",
      "\xc1\x81",
      "\tx\xf0",
      "\xc1\x89gnored files:",  // an overlong "I": the header all the same
  };
  std::mt19937 random(5);
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    const int lines = random() % 30;
    for (int i = 0; i < lines; ++i) {
      bytes += pieces[random() % std::size(pieces)];
      if (random() % 4 == 0) {
        bytes += pieces[random() % std::size(pieces)];
      }
      if (i + 1 < lines || random() % 2 == 0) {
        bytes += "\n";
      }
    }
    SCOPED_TRACE(::testing::PrintToString(bytes));
    const std::filesystem::path listing = file("i.txt", bytes);
    EXPECT_EQ(read_expected(listing, "/t").sorted(),
              parse_listing(text::utf8_to_wide(bytes), "/t").sorted());
  }
}

}  // namespace
}  // namespace quorvel::runner
