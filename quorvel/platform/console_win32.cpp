#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <ostream>
#include <windows.h>

#include "quorvel/platform/console.h"

namespace quorvel::platform {
namespace {

DWORD handle_name(standard_stream stream) {
  return stream == standard_stream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
}

// The Windows console's own text attributes.
class windows_console final : public console {
 public:
  windows_console(standard_stream stream, std::ostream& text) : stream_(stream), text_(text) {}

  bool get_attributes(std::uint16_t& attributes) override {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (::GetConsoleScreenBufferInfo(::GetStdHandle(handle_name(stream_)), &info) == 0) {
      return false;
    }
    attributes = info.wAttributes;
    return true;
  }

  void set_attributes(std::uint16_t attributes) override {
    // The attributes apply to what the console receives from now on, so the
    // text written so far must reach it first in the old colour.
    text_.flush();
    ::SetConsoleTextAttribute(::GetStdHandle(handle_name(stream_)), attributes);
  }

 private:
  standard_stream stream_;
  std::ostream& text_;
};

// The output code page found at the start, put back at the end of the session
// and by an interrupt, which would otherwise leave the console in UTF-8.
UINT saved_code_page = 0;

BOOL WINAPI restore_on_interrupt(DWORD /*event*/) {
  if (saved_code_page != 0) {
    ::SetConsoleOutputCP(saved_code_page);
  }
  return FALSE;  // the default handling ends the process
}

bool is_console(HANDLE handle) {
  DWORD mode = 0;
  return ::GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

bool is_terminal(standard_stream stream) {
  return ::_isatty(::_fileno(stream == standard_stream::output ? stdout : stderr)) != 0;
}

console& standard_console(standard_stream stream, std::ostream& text) {
  if (stream == standard_stream::output) {
    static windows_console output(stream, text);
    return output;
  }
  static windows_console error(stream, text);
  return error;
}

utf8_output_session::utf8_output_session() {
  // Binary mode: "\n" goes out as it is, not as "\r\n".
  std::fflush(stdout);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  if (is_console(::GetStdHandle(STD_OUTPUT_HANDLE))) {
    saved_code_page = ::GetConsoleOutputCP();
    if (saved_code_page != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8) != 0) {
      ::SetConsoleCtrlHandler(restore_on_interrupt, TRUE);
    } else {
      saved_code_page = 0;
    }
  }
}

utf8_output_session::~utf8_output_session() {
  std::fflush(stdout);
  if (saved_code_page != 0) {
    ::SetConsoleOutputCP(saved_code_page);
    ::SetConsoleCtrlHandler(restore_on_interrupt, FALSE);
    saved_code_page = 0;
  }
}

}  // namespace quorvel::platform
