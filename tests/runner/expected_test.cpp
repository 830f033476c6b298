#include "quorvel/runner/expected.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"
#include "tests/support/temp_folder.h"

namespace quorvel::runner {
namespace {

std::vector<std::wstring> keys_of(const expected_keys& expected) {
  return expected.sorted();
}

TEST(ExpectedKeysTest, HoldsExactlyTheTextsInserted) {
  // Texts with and without the common prefix, the prefix's own pieces, and
  // units of every width of the stored form; the near misses of each are
  // absent.
  std::vector<std::wstring> keys = {
      L"/t/a",      L"a",
      L"/t/",       L"/t",
      L"",          L"/",
      L"/t/a/b",    L"/t//a",
      L"/t/\u00e9", std::wstring(L"/t/") + static_cast<wchar_t>(0xD800),
      L"/t/\xDCFF", L"\u07FF\u0800",
  };
  if constexpr (sizeof(wchar_t) == 4) {
    for (const std::uint32_t unit : {0x10FFFFu, 0x1FFFFFu, 0x3FFFFFFu, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
      keys.push_back(std::wstring(L"/t/") + static_cast<wchar_t>(unit));
    }
  }
  const std::vector<std::wstring> misses = {L"/t/b",       L"/t/a/",     L"t/a", L"//",
                                            L"/t/\u00e9x", L"/t/\xDCFE", L"b"};
  for (const wchar_t* common : {L"/t/", L"", L"/t/a"}) {
    SCOPED_TRACE(text::wide_to_bytes(common));
    expected_keys set(common);
    for (int round = 0; round < 2; ++round) {  // the second round changes nothing
      for (const std::wstring& key : keys) {
        set.insert(key);
      }
    }
    for (const std::wstring& key : keys) {
      EXPECT_TRUE(set.contains(key)) << ::testing::PrintToString(key);
    }
    for (const std::wstring& miss : misses) {
      EXPECT_FALSE(set.contains(miss)) << ::testing::PrintToString(miss);
    }
    std::vector<std::wstring> sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(set.sorted(), sorted);
  }
}

TEST(ExpectedKeysTest, GrowsWithoutLosingKeys) {
  expected_keys set(L"/t/");
  std::set<std::wstring> inserted;
  for (int i = 0; i < 5000; i += 2) {
    const std::wstring key = (i % 3 == 0 ? L"/t/" : L"/u/") + std::to_wstring(i * 7919 % 10007);
    set.insert(key);
    inserted.insert(key);
  }
  EXPECT_EQ(set.size(), inserted.size());
  EXPECT_EQ(set.sorted(), std::vector<std::wstring>(inserted.begin(), inserted.end()));
  for (int i = 0; i < 10007; ++i) {
    for (const wchar_t* folder : {L"/t/", L"/u/"}) {
      const std::wstring key = folder + std::to_wstring(i);
      EXPECT_EQ(set.contains(key), inserted.count(key) == 1) << text::wide_to_bytes(key);
      EXPECT_EQ(set.contains_bytes(text::wide_to_bytes(key)), inserted.count(key) == 1);
    }
  }
}

TEST(ExpectedKeyTest, AppendsTheCleanedLineToTheFolder) {
  struct row_type {
    const char* folder;
    std::wstring line;
    std::wstring key;
  };
  std::vector<row_type> rows = {
      {"/work/t1", L"\tbuild/", L"/work/t1/build"},
      {"/work/t1", L"\tsub/x.o", L"/work/t1/sub/x.o"},
      {"tests", L"\ta.log", L"tests/a.log"},
      {"/work/t1/", L"\tbuild/", L"/work/t1/build"},
      {"/work/t1", L"a\tb\t", L"/work/t1/ab"},            // tabs go anywhere
      {"/work/t1", L"\tdir//", L"/work/t1/dir/"},         // only one "/" is dropped
      {"/work/t1", L"\t\"q\\\"u\"", L"/work/t1/q\"u"},    // C quotes are read
      {"/work/t1", L"\t\"q u\"", L"/work/t1/q u"},        // quotes around plain text
      {"/work/t1", L"\t\"a\"b\"", L"/work/t1/\"a\"b\""},  // a bare quote inside: kept
      {"/work/t1", L"\t\"a\\011b\"", L"/work/t1/a\tb"},   // a tab it spells stays
      {"/work/t1", L"\t./", L"/work/t1"},                 // the folder itself
      {"/work/t1/", L"\t./", L"/work/t1"},
      {"tests", L"\t./", L"tests"},
      {"/work/t1", L"\t.", L"/work/t1/."},  // "./" only
      {"/work/t1", L"\t../", L"/work/t1/.."},
      {"/work/t1", L"\t../x", L"/work/t1/../x"},    // no normalising
      {"/work/t1", L" a.log", L"/work/t1/ a.log"},  // a space is not a tab
  };
  if constexpr (platform::backslash_is_separator) {
    rows.insert(rows.end(),
                {
                    {"/work/t1", L"\ta\\b", L"/work/t1/a/b"},
                    {"C:\\work\\t1", L"\tbuild/", L"C:/work/t1/build"},
                    {"C:\\work\\t1", L"\tsub/x.o", L"C:/work/t1/sub/x.o"},
                    {"C:\\work\\t1\\", L"\tbuild/", L"C:/work/t1/build"},
                    {"C:\\", L"\ta.log", L"C:/a.log"},
                    {"C:\\work\\t1", L"\tb\\", L"C:/work/t1/b/"},  // a trailing "\" stays
                    {"C:\\work\\t1\\", L"\t./", L"C:/work/t1"},
                });
  } else {
    rows.insert(rows.end(),
                {
                    {"/work/t1", L"\ta\\b", L"/work/t1/a\\b"},         // "\" belongs to the name
                    {"/work/t1", L"\t\"d\\\\x/\"", L"/work/t1/d\\x"},  // the "/" inside them goes
                    {"/work/t1", L"\t\"a\\qb\"", L"/work/t1/\"a\\qb\""},  // a bad escape: kept
                });
  }
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.line));
    EXPECT_EQ(expected_key(row.line, row.folder), row.key);
  }
}

TEST(ParseListingTest, ReadsEveryIgnoredSection) {
  const struct {
    const char* name;
    std::wstring text;
    std::vector<std::wstring> keys;
  } rows[] = {
      {"git's own shape",
       L"On branch main\n\nUntracked files:\n  (use ...)\n\tkeep.txt\n\n"
       L"Ignored files:\n  (use \"git add -f\" ...)\n\tb.log\n\tbuild/\n\nnothing added\n",
       {L"/t/b.log", L"/t/build"}},
      {"CR LF line ends find no header", L"Ignored files:\r\n  (hint)\r\n\ta.log\r\n", {}},
      {"without a hint line the first path is skipped",
       L"Ignored files:\n\ta.log\n\tb.log\n",
       {L"/t/b.log"}},
      {"two sections",
       L"Ignored files:\n(h)\n\ta\n\nIgnored files:\n(h)\n\tb\n",
       {L"/t/a", L"/t/b"}},
      {"duplicates collapse", L"Ignored files:\n(h)\n\ta\n\ta\n", {L"/t/a"}},
      {"a header as the last line", L"x\nIgnored files:", {}},
      {"a header right before the end", L"Ignored files:\n(h)", {}},
      {"no section", L"nothing to commit\n", {}},
      {"empty", L"", {}},
      {"a header inside a section starts it again",
       L"Ignored files:\n(h)\n\ta\nIgnored files:\n\tskipped\n\tb\n",
       {L"/t/Ignored files:", L"/t/a", L"/t/b"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(keys_of(parse_listing(row.text, "/t")), row.keys);
  }
}

class ReadExpectedTest : public testing::temp_folder_test {};

TEST_F(ReadExpectedTest, DecodesTheListingAsUtf8) {
  const auto listing = file("i.txt", "Ignored files:\n(h)\n\t\xc3\xa9t\xc3\xa9.log\n\t\xff.bin\n");
  EXPECT_EQ(keys_of(read_expected(listing, "/t")),
            (std::vector<std::wstring>{L"/t/\u00e9t\u00e9.log", L"/t/\xDCFF.bin"}));
}

// The Ignored section that git wrote for the same names with core.quotePath
// false and true: both give the names' own keys.
TEST_F(ReadExpectedTest, ReadsTheNamesThatGitQuotes) {
  std::vector<std::wstring> keys = {
      L"/t/bell\a\b\v\f.o", L"/t/bs\\.o",      L"/t/c\x01.o",         L"/t/cr\r.o",
      L"/t/d\\x",           L"/t/del\x7f.o",   L"/t/d\u00e9",         L"/t/e\x1b.o",
      L"/t/n\nl.o",         L"/t/q\"u.o",      L"/t/sp ace.o",        L"/t/sub/x\\y.o",
      L"/t/z\xDCFF.o",      L"/t/\u00e9\tb.o", L"/t/\u00e9t\u00e9.o",
  };
  const std::string head =
      "Ignored files:\n  (use \"git add -f <file>...\" to include in what will be "
      "committed)\n\t\"bell\\a\\b\\v\\f.o\"\n\t\"bs\\\\.o\"\n\t\"c\\001.o\"\n"
      "\t\"cr\\r.o\"\n";
  const std::string tail =
      "\t\"del\\177.o\"\n\t\"e\\033.o\"\n\t\"n\\nl.o\"\n\t\"q\\\"u.o\"\n"
      "\tsp ace.o\n\t\"sub/x\\\\y.o\"\n";
  const std::string unquoted = head + "\td\xc3\xa9/\n\t\"d\\\\x/\"\n" + tail +
                               "\tz\xff.o\n\t\"\xc3\xa9\\tb.o\"\n\t\xc3\xa9t\xc3\xa9.o\n\n";
  const std::string quoted =
      head + "\t\"d\\303\\251/\"\n\t\"d\\\\x/\"\n" + tail +
      "\t\"z\\377.o\"\n\t\"\\303\\251\\tb.o\"\n\t\"\\303\\251t\\303\\251.o\"\n\n";
  if constexpr (platform::backslash_is_separator) {
    for (std::wstring& key : keys) {
      std::replace(key.begin(), key.end(), L'\\', L'/');
    }
  }
  for (const std::string& listing : {unquoted, quoted}) {
    SCOPED_TRACE(listing);
    EXPECT_EQ(keys_of(read_expected(file("i.txt", listing), "/t")), keys);
  }
}

TEST_F(ReadExpectedTest, AMissingListingGivesAnEmptySet) {
  EXPECT_TRUE(read_expected(root / "missing.txt", root).empty());
  EXPECT_TRUE(read_expected(folder("a-folder"), root).empty());
}

}  // namespace
}  // namespace quorvel::runner
