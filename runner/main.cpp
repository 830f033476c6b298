// folder: walks a test folder with the ignore-rule library and judges every
// entry against git's listing of the same folder.

#include <iostream>

#include "platform/console.h"
#include "platform/native_path.h"
#include "runner/run.h"

int main(int argc, char** argv) {
  const quorvel::platform::utf8_output_session session;
  return quorvel::runner::run(quorvel::platform::command_line(argc, argv), std::cout);
}
