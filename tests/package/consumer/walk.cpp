// A consumer of the library: prints every entry below a folder that its rule
// files (".gitignore") keep, one per line, relative to the folder.

#include <exception>
#include <filesystem>
#include <iostream>
#include <quorvel/filesystem/finder.h>
#include <quorvel/filesystem/gitignore.h>
#include <quorvel/filesystem/item.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: walk <folder>\n";
    return 2;
  }
  namespace qf = quorvel::filesystem;
  try {
    const std::filesystem::path root = qf::walk_root(argv[1]);
    qf::finder<qf::gitignore, qf::finder_item> walk(root, L".gitignore");
    qf::finder_item entry{std::filesystem::path()};
    while (walk.next(entry)) {
      if (!entry.ignored) {
        std::cout << entry.entry.path().lexically_relative(root).generic_string() << '\n';
      }
    }
  } catch (const std::exception& error) {
    std::cerr << "error: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
