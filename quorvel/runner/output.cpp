#include "quorvel/runner/output.h"

#include <iostream>

#include "quorvel/platform/console.h"
#include "quorvel/runner/colour.h"
#include "quorvel/text/utf8.h"

namespace quorvel::runner {

output::output(std::ostream& stream) : output(stream, colour_enabled(stream)) {}

output::output(std::ostream& stream, bool colour)
    : stream_(stream),
      colour_(colour),
      collect_(&stream == &std::cout && !colour_ &&
               !platform::is_terminal(platform::standard_stream::output)) {
  if (collect_) {
    pending_.reserve(buffer_size + buffer_size / 4);
  }
}

output::~output() {
  flush();
}

std::ostream& output::stream() {
  if (!pending_.empty()) {
    stream_.write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
    pending_.clear();
  }
  return stream_;
}

void output::colour(int colour) {
  if (colour_) {
    set_console_colour(stream_, colour);
  }
}

void output::narrow(std::string_view text) {
  if (collect_) {
    pending_ += text;
    return;
  }
  stream_ << text;
}

void output::wide(std::wstring_view text) {
  if (collect_) {
    text::append_bytes(pending_, text);
    return;
  }
  stream_ << text::wide_to_bytes(text);
}

void output::line_end() {
  if (collect_) {
    pending_ += '\n';
    if (pending_.size() >= buffer_size) {
      stream();
    }
    return;
  }
  stream_ << '\n' << std::flush;
}

void output::flush() {
  stream().flush();
}

}  // namespace quorvel::runner
