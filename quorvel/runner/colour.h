#pragma once
// Colours of the report, as Windows console foreground attributes.

#include <cstdint>
#include <ostream>

#include "quorvel/platform/console.h"

namespace quorvel::runner {

// Colour values: the console's foreground attribute bits, dark variants.
enum console_colour : int {
  colour_restore = -1,  // back to the attributes saved at the first change
  colour_blue = 1,
  colour_green = 2,
  colour_red = 4,
  colour_magenta = 5,
  colour_yellow = 6,
};

// When the report is coloured (the --color option).
enum class colour_choice { automatic, always, never };

// True when `stream` is std::cout and standard output is a terminal, or a
// standard error stream (std::cerr, std::clog) and standard error is one.
bool colour_enabled(const std::ostream& stream);

// Whether a report written to `stream` is coloured: with `automatic` when
// colour_enabled(stream) and `no_color` is false (the NO_COLOR variable is
// not set or empty); with `always` for std::cout, std::cerr and std::clog,
// whatever they are connected to; never for any other stream, which has no
// console behind it.
bool colour_wanted(const std::ostream& stream, colour_choice choice, bool no_color);

// Sets the foreground of the console behind `stream` to `colour`, or restores
// it (colour_restore); does nothing for a stream that colour_wanted never
// colours. Whether to colour at all is the caller's choice. On Windows a
// redirected stream has no console, so nothing changes for it. Reports
// nothing.
void set_console_colour(std::ostream& stream, int colour);

// The colour change itself, on one console: the attribute word found at the
// first change is kept in `saved_attributes` (0 until then); a colour replaces
// the low four bits of the current word and keeps the others, and
// colour_restore sets the saved word back. A failed query makes the change do
// nothing.
void change_colour(platform::console& console, int colour, std::uint16_t& saved_attributes);

}  // namespace quorvel::runner
