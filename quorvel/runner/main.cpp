// folder: walks a test folder with the ignore-rule library and judges every
// entry against git's listing of the same folder.

#include <iostream>

#include "quorvel/platform/console.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/runner/run.h"

int main(int argc, char** argv) {
  const quorvel::platform::utf8_output_session session;
  return quorvel::runner::run(quorvel::platform::command_line(argc, argv), std::cout);
}
