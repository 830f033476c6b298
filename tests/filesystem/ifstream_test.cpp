#include "quorvel/filesystem/ifstream.h"

#include <string>

#include <gtest/gtest.h>

#include "quorvel/stream/in.h"
#include "tests/support/temp_folder.h"

namespace quorvel::filesystem {
namespace {

class IfstreamTest : public testing::temp_folder_test {};

TEST_F(IfstreamTest, NewStreamHasNoFileOpen) {
  const ifstream stream{};
  EXPECT_FALSE(stream.is_open());
}

TEST_F(IfstreamTest, ReadDeliversWhatIsLeftAndThenSetsEndOfFile) {
  ifstream stream{};
  stream.open(file("data", "abcdef"), std::ios_base::binary);
  ASSERT_TRUE(stream.is_open());
  stream::in& source = stream;
  std::string buffer(4, '-');

  EXPECT_EQ(source.read(buffer.data(), 4), 4);
  EXPECT_EQ(buffer, "abcd");
  EXPECT_FALSE(stream.eof());

  EXPECT_EQ(source.read(buffer.data(), 4), 2);
  EXPECT_EQ(buffer, "efcd");
  EXPECT_TRUE(stream.eof());
  EXPECT_TRUE(stream.fail());
}

}  // namespace
}  // namespace quorvel::filesystem
