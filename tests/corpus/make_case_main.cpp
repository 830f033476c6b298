// make_case: makes a corpus case on disk, ready for the folder program.
//
//   make_case CASEFILE OUTDIR
//
// creates OUTDIR/repo, a fresh git repository, with the case's test folder
// OUTDIR/repo/case and git's listing i.txt in it, and prints the test folder.

#include <exception>
#include <iostream>

#include "tests/corpus/case_file.h"
#include "tests/corpus/materialise.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_case CASEFILE OUTDIR\n";
    return 1;
  }
  try {
    const quorvel::corpus::corpus_case the_case = quorvel::corpus::read_case(argv[1]);
    std::cout << quorvel::corpus::make_case(the_case, argv[2]).string() << '\n';
    return 0;
  } catch (const std::exception& failure) {
    std::cerr << "error: " << failure.what() << '\n';
    return 2;
  }
}
