#pragma once
// The one byte stream that the report writes to: narrow text as it is, wide
// text encoded as UTF-8, so that both kinds of piece reach standard output in
// the order written and no character is dropped.

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace quorvel::runner {

class output {
 public:
  // Colours are shown when colour_enabled(stream) says so at construction.
  // Standard output that is not a terminal collects whole buffers; a
  // terminal, and any other stream, gets every line when it ends.
  explicit output(std::ostream& stream);

  // The same, with colours shown when `colour` is true (colour_wanted). A
  // coloured stream gets every line when it ends, since the colour changes
  // reach it directly.
  output(std::ostream& stream, bool colour);
  ~output();

  output(const output&) = delete;
  output& operator=(const output&) = delete;

  // The stream the pieces go to, with every piece written so far already in
  // it, for text that is written to it directly.
  std::ostream& stream();

  // Changes the console colour (set_console_colour) when colours are shown.
  void colour(int colour);

  void narrow(std::string_view text);

  // Units U+DC80..U+DCFF, which stand for bytes that were not UTF-8, go out
  // as those bytes.
  void wide(std::wstring_view text);

  // A newline. Where lines are not collected, a flush too, so every finished
  // line is out even if the run ends abruptly afterwards.
  void line_end();

  // Writes what was collected and flushes the stream.
  void flush();

 private:
  // With standard output in a file, a flush per line cost a write per line:
  // a third of a run over a large tree.
  static constexpr std::size_t buffer_size = 1 << 16;

  std::ostream& stream_;
  bool colour_ = false;
  bool collect_ = false;
  std::string pending_;
};

}  // namespace quorvel::runner
