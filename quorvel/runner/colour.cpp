#include "quorvel/runner/colour.h"

#include <iostream>

namespace quorvel::runner {
namespace {

// The console's attributes as they were at the run's first colour change.
std::uint16_t saved_attributes = 0;

}  // namespace

bool colour_enabled(const std::ostream& stream) {
  if (&stream == &std::cout) {
    return platform::is_terminal(platform::standard_stream::output);
  }
  if (&stream == &std::cerr || &stream == &std::clog) {
    return platform::is_terminal(platform::standard_stream::error);
  }
  return false;
}

bool colour_wanted(const std::ostream& stream, colour_choice choice, bool no_color) {
  const bool standard = &stream == &std::cout || &stream == &std::cerr || &stream == &std::clog;
  switch (choice) {
    case colour_choice::always:
      return standard;
    case colour_choice::never:
      return false;
    case colour_choice::automatic:
      break;
  }
  return !no_color && colour_enabled(stream);
}

void set_console_colour(std::ostream& stream, int colour) {
  // The log stream has no console handle of its own, so nothing changes for it.
  if (&stream != &std::cout && &stream != &std::cerr) {
    return;
  }
  const auto which =
      &stream == &std::cout ? platform::standard_stream::output : platform::standard_stream::error;
  change_colour(platform::standard_console(which, stream), colour, saved_attributes);
}

void change_colour(platform::console& console, int colour, std::uint16_t& saved) {
  if (saved == 0) {
    std::uint16_t found = 0;
    if (!console.get_attributes(found)) {
      return;
    }
    saved = found;
  }
  if (colour == colour_restore) {
    console.set_attributes(saved);
    return;
  }
  std::uint16_t current = 0;
  if (!console.get_attributes(current)) {
    return;
  }
  console.set_attributes(static_cast<std::uint16_t>((current & ~0x0Fu) | (colour & 0x0F)));
}

}  // namespace quorvel::runner
