#pragma once
// The one byte stream that the report writes to: narrow text as it is, wide
// text encoded as UTF-8, so that both kinds of piece reach standard output in
// the order written and no character is dropped.

#include <ostream>
#include <string_view>

namespace quorvel::runner {

class output {
 public:
  explicit output(std::ostream& stream) : stream_(stream) {}

  // The stream the pieces go to (colour changes are made through it too).
  std::ostream& stream() const { return stream_; }

  void narrow(std::string_view text) { stream_ << text; }

  // Units U+DC80..U+DCFF, which stand for bytes that were not UTF-8, go out
  // as those bytes.
  void wide(std::wstring_view text);

  // A newline, then a flush, so every finished line is out even if the run
  // ends abruptly afterwards.
  void line_end() { stream_ << '\n' << std::flush; }

 private:
  std::ostream& stream_;
};

}  // namespace quorvel::runner
