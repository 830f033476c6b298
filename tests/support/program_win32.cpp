#include <algorithm>
#include <chrono>
#include <cwctype>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <thread>
#include <utility>
#include <windows.h>

#include "quorvel/text/utf8.h"
#include "tests/support/program.h"
#include "tests/support/temp_folder.h"

namespace quorvel::testing {
namespace {

// Quotes one argument so that the C runtime's and CommandLineToArgvW's
// parsing give it back unchanged: backslashes are literal except before a
// double quote, where each one and the quote are escaped.
std::wstring quote_argument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t unit : argument) {
    if (unit == L'\\') {
      ++backslashes;
      continue;
    }
    if (unit == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    backslashes = 0;
    quoted += unit;
  }
  quoted.append(backslashes * 2, L'\\');
  quoted += L'"';
  return quoted;
}

std::wstring command_line_of(const std::wstring& program,
                             const std::vector<std::string>& arguments) {
  std::wstring line = quote_argument(program);
  for (const std::string& argument : arguments) {
    line += L' ';
    line += quote_argument(text::bytes_to_wide(argument));
  }
  return line;
}

class handle {
 public:
  explicit handle(HANDLE value = nullptr) : value_(value) {}
  ~handle() { close(); }
  handle(handle&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  handle& operator=(handle&& other) noexcept {
    if (this != &other) {
      close();
      value_ = std::exchange(other.value_, nullptr);
    }
    return *this;
  }

  HANDLE get() const { return value_; }
  void close() {
    if (value_ != nullptr && value_ != INVALID_HANDLE_VALUE) {
      ::CloseHandle(value_);
    }
    value_ = nullptr;
  }

 private:
  HANDLE value_;
};

handle inheritable_null_device() {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return handle(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                              nullptr));
}

// The host's name of a local path, for the host's shell: Wine maps its drives
// onto the host's folders and tells the mapping; elsewhere the shell takes the
// path with "/" separators.
std::string host_path(const std::filesystem::path& path) {
  using unix_name_function = char* (*)(const wchar_t*);
  static const auto unix_name = reinterpret_cast<unix_name_function>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (unix_name != nullptr) {
    if (char* name = unix_name(path.c_str()); name != nullptr) {
      std::string result(name);
      ::HeapFree(::GetProcessHeap(), 0, name);
      return result;
    }
  }
  return text::wide_to_bytes(path.generic_wstring());
}

struct started_process {
  bool started = false;
  handle process;  // null when the program was started without one
};

started_process start(const std::wstring& program, std::wstring line,
                      const std::filesystem::path& working_folder, HANDLE input, HANDLE output) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION process{};
  started_process result;
  result.started =
      ::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       working_folder.empty() ? nullptr : working_folder.c_str(), &startup,
                       &process) != 0;
  if (process.hThread != nullptr) {
    ::CloseHandle(process.hThread);
  }
  result.process = handle(process.hProcess);
  return result;
}

int wait_for_exit(const handle& process) {
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  return static_cast<int>(code);
}

}  // namespace

program_result run_program(const std::filesystem::path& program,
                           const std::vector<std::string>& arguments,
                           const std::filesystem::path& working_folder) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (::CreatePipe(&read_end, &write_end, &inherit, 0) == 0) {
    throw std::runtime_error("CreatePipe failed");
  }
  handle reader(read_end);
  handle writer(write_end);
  ::SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  const handle input = inheritable_null_device();

  started_process child = start(program.native(), command_line_of(program.native(), arguments),
                                working_folder, input.get(), writer.get());
  writer.close();  // the pipe ends when the child's copy closes
  if (!child.started) {
    throw std::runtime_error("cannot start " + program.string());
  }
  program_result result;
  char buffer[65536];
  DWORD count = 0;
  while (::ReadFile(reader.get(), buffer, sizeof buffer, &count, nullptr) != 0 && count > 0) {
    result.output.append(buffer, count);
  }
  result.exit_code = wait_for_exit(child.process);
  return result;
}

program_result run_folder(const std::vector<std::string>& arguments,
                          const std::filesystem::path& working_folder) {
  return run_program(QUORVEL_FOLDER_PROGRAM, arguments, working_folder);
}

program_result run_folder_on_terminal(const std::vector<std::string>& /*arguments*/) {
  // The console's colours are attributes of the console, not text in the
  // output: there is no terminal stream to capture here.
  throw std::logic_error("run_folder_on_terminal needs a POSIX terminal");
}

int shell(const std::string& command, const std::filesystem::path& working_folder) {
  // The POSIX shell named at configure time, with the command's exit status
  // written last to a file outside the working folder: Wine starts host
  // programs without a process handle and without our pipes, so that file is
  // how their end is seen, and the output goes through a file too.
  const std::filesystem::path folder =
      working_folder.empty() ? std::filesystem::current_path() : working_folder;
  const std::filesystem::path base = std::filesystem::temp_directory_path() /
                                     ("quorvel-shell-" + std::to_string(::GetCurrentProcessId()));
  const std::filesystem::path status = base.native() + L".status";
  const std::filesystem::path partial = base.native() + L".part";
  const std::filesystem::path log = base.native() + L".log";
  for (const auto& file : {status, partial, log}) {
    std::filesystem::remove(file);
  }
  const std::string script = "{ " + command + "\n} </dev/null >'" + host_path(log) +
                             "' 2>&1; echo $? >'" + host_path(partial) + "' && mv '" +
                             host_path(partial) + "' '" + host_path(status) + "'";

  const handle null_device = inheritable_null_device();
  const std::wstring program = text::bytes_to_wide(QUORVEL_TEST_SHELL);
  started_process child = start(program, command_line_of(program, {"-c", script}), folder,
                                null_device.get(), null_device.get());
  if (!child.started) {
    throw std::runtime_error("cannot start the shell " QUORVEL_TEST_SHELL);
  }
  if (child.process.get() != nullptr) {
    wait_for_exit(child.process);
  }
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (!std::filesystem::exists(status)) {
    if (std::chrono::steady_clock::now() > give_up) {
      throw std::runtime_error("the shell did not finish: " + command);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  int code = -1;
  std::ifstream(status) >> code;
  {
    // What the command wrote goes where a shell's output would go.
    std::ifstream output(log, std::ios_base::binary);
    std::cout << output.rdbuf() << std::flush;
  }
  for (const auto& file : {status, log}) {
    std::filesystem::remove(file);
  }
  return code;
}

bool make_folder_link(const std::filesystem::path& target, const std::filesystem::path& link) {
  const auto is_reparse_point = [&link] {
    const DWORD attributes = ::GetFileAttributesW(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  };
  // Windows makes links only with the privilege or in developer mode, and
  // Wine (8.0) reports success without making one: look at the result.
  ::CreateSymbolicLinkW(
      link.c_str(), target.c_str(),
      SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  if (!is_reparse_point()) {
    // Wine shows the host's own links as reparse points.
    shell("ln -s '" + host_path(target) + "' '" + host_path(link) + "'", link.parent_path());
  }
  return is_reparse_point();
}

namespace {

// `path` itself, or where it is too long for the calls that take no longer
// one, its "\\?\" form.
std::filesystem::path reachable(const std::filesystem::path& path) {
  if (path.native().size() < MAX_PATH - 12 || path.native().starts_with(L"\\\\?\\")) {
    return path;
  }
  std::error_code error;
  std::wstring text = std::filesystem::absolute(path, error).native();
  std::replace(text.begin(), text.end(), L'/', L'\\');
  return L"\\\\?\\" + text;
}

}  // namespace

void remove_tree(const std::filesystem::path& given) noexcept {
  // The standard library here follows links while it removes (a link to a
  // folder above would never end), so walk the tree by hand.
  const std::filesystem::path path = reachable(given);
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return;
  }
  const bool is_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    if (is_folder) {
      // Listed by the file search, which takes the "\\?\" form.
      std::vector<std::filesystem::path> entries;
      WIN32_FIND_DATAW found;
      const HANDLE search = ::FindFirstFileW((path.native() + L"\\*").c_str(), &found);
      for (bool more = search != INVALID_HANDLE_VALUE; more;
           more = ::FindNextFileW(search, &found) != 0) {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
          entries.push_back(path / name);
        }
      }
      if (search != INVALID_HANDLE_VALUE) {
        ::FindClose(search);
      }
      for (const auto& entry : entries) {
        remove_tree(entry);
      }
      ::RemoveDirectoryW(path.c_str());
    } else {
      ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(path.c_str());
    }
    return;
  }
  if ((is_folder ? ::RemoveDirectoryW(path.c_str()) : ::DeleteFileW(path.c_str())) != 0) {
    return;
  }
  // Wine cannot remove the host's links to folders; the host can.
  try {
    // Named through its folder: Wine's host name of the link is its target's.
    shell("rm -f '" + host_path(path.parent_path()) + "/" +
              text::wide_to_bytes(path.filename().native()) + "'",
          path.parent_path());
  } catch (...) {
    // Nothing more to try: the folder stays behind.
  }
}

namespace {

// Where Wine keeps its drive letters: links named "c:", "z:" to host folders.
std::string wine_drive_folder() {
  std::string c_root = host_path(L"C:\\");  // ".../dosdevices/c:/"
  const std::size_t end = c_root.rfind("c:");
  return end == std::string::npos ? std::string() : c_root.substr(0, end);
}

bool drive_is_free(wchar_t letter) {
  const wchar_t root[] = {letter, L':', L'\\', L'\0'};
  return ::GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR;
}

}  // namespace

std::filesystem::path map_drive(const std::filesystem::path& folder) {
  for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter) {
    if (!drive_is_free(letter)) {
      continue;
    }
    const std::wstring device = {letter, L':'};
    const std::filesystem::path root = device + L"\\";
    // Windows maps a drive for the session; Wine accepts the mapping but does
    // not reach files through it, and takes a link among its drive letters.
    if (::DefineDosDeviceW(0, device.c_str(), folder.c_str()) != 0) {
      if (::GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return root;
      }
      ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, device.c_str(), nullptr);
    }
    const std::string drives = wine_drive_folder();
    if (drives.empty()) {
      return {};
    }
    const char name[] = {static_cast<char>(letter - L'A' + L'a'), ':', '\0'};
    shell("ln -s '" + host_path(folder) + "' '" + drives + name + "'");
    if (::GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES) {
      return root;
    }
    return {};
  }
  return {};
}

void unmap_drive(const std::filesystem::path& drive_root) {
  if (drive_root.empty()) {
    return;
  }
  const std::wstring device = drive_root.native().substr(0, 2);
  ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, device.c_str(), nullptr);
  const std::string drives = wine_drive_folder();
  if (::GetFileAttributesW(drive_root.c_str()) != INVALID_FILE_ATTRIBUTES && !drives.empty()) {
    const char name[] = {static_cast<char>(std::towlower(device[0])), ':', '\0'};
    shell("rm -f '" + drives + name + "'");
  }
}

}  // namespace quorvel::testing
