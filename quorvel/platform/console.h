#pragma once
// The console behind the standard output or error stream, seen as the Windows
// console sees it: a 16-bit text-attribute word whose low four bits are the
// foreground colour (1 blue, 2 green, 4 red, 8 intensity).

#include <cstdint>
#include <iosfwd>

namespace quorvel::platform {

enum class standard_stream { output, error };

// True when the process's standard output (or error) is a terminal.
bool is_terminal(standard_stream stream);

// A console whose text attributes can be read and set. On POSIX terminals the
// word is kept here, starting as 0x07 (the terminal's default colours), and
// each change is written to the stream as an ANSI escape sequence.
class console {
 public:
  virtual ~console() = default;

  // Reads the current attribute word; false when there is no console.
  virtual bool get_attributes(std::uint16_t& attributes) = 0;

  // Sets the attribute word; failures are ignored.
  virtual void set_attributes(std::uint16_t attributes) = 0;
};

// The console of `stream`, writing its changes in order with the text that
// goes to `text` (the C++ stream bound to it). Lives as long as the process.
console& standard_console(standard_stream stream, std::ostream& text);

// Makes standard output carry the report's bytes unchanged while it lives: on
// Windows it switches standard output to binary mode (so "\n" is not widened
// to "\r\n") and a console's output code page to UTF-8, which it restores at
// the end (and on an interrupt). Does nothing on POSIX systems. One at a time.
class utf8_output_session {
 public:
  utf8_output_session();
  ~utf8_output_session();
  utf8_output_session(const utf8_output_session&) = delete;
  utf8_output_session& operator=(const utf8_output_session&) = delete;
};

}  // namespace quorvel::platform
