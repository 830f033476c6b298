#include <cstdio>
#include <ostream>
#include <unistd.h>

#include "quorvel/platform/console.h"

namespace quorvel::platform {
namespace {

constexpr std::uint16_t default_attributes = 0x07;

// Renders attribute words as ANSI escape sequences: the dark colours 30-37,
// the bright ones 90-97, and the default foreground (39) for the word the
// console started with.
class ansi_console final : public console {
 public:
  explicit ansi_console(std::ostream& text) : text_(text) {}

  bool get_attributes(std::uint16_t& attributes) override {
    attributes = attributes_;
    return true;
  }

  void set_attributes(std::uint16_t attributes) override {
    attributes_ = attributes;
    if ((attributes & 0x0F) == default_attributes) {
      text_ << "\x1b[39m";
      return;
    }
    // Windows orders the bits blue, green, red; ANSI orders them red, green, blue.
    const int colour = ((attributes & 4) != 0 ? 1 : 0) | ((attributes & 2) != 0 ? 2 : 0) |
                       ((attributes & 1) != 0 ? 4 : 0);
    const int base = (attributes & 8) != 0 ? 90 : 30;
    text_ << "\x1b[" << base + colour << 'm';
  }

 private:
  std::ostream& text_;
  std::uint16_t attributes_ = default_attributes;
};

}  // namespace

bool is_terminal(standard_stream stream) {
  return ::isatty(::fileno(stream == standard_stream::output ? stdout : stderr)) != 0;
}

console& standard_console(standard_stream stream, std::ostream& text) {
  if (stream == standard_stream::output) {
    static ansi_console output(text);
    return output;
  }
  static ansi_console error(text);
  return error;
}

utf8_output_session::utf8_output_session() = default;
utf8_output_session::~utf8_output_session() = default;

}  // namespace quorvel::platform
