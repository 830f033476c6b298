#include "bench/bench_support.h"

#include <cstdlib>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace quorvel::bench {
namespace {

struct scratch {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("quorvel-bench-" + std::to_string(::getpid()));
  scratch() { std::filesystem::create_directories(path); }
  ~scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace

const std::filesystem::path& scratch_folder() {
  static const scratch folder;
  return folder.path;
}

std::filesystem::path write_scratch_file(const std::filesystem::path& relative,
                                         std::string_view bytes) {
  const std::filesystem::path path = scratch_folder() / relative;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

const std::vector<std::string>& sample_rule_lines() {
  static const std::vector<std::string> lines = {
      ".*",
      "*.o",
      "*.o.*",
      "*.a",
      "*.s",
      "*.ko",
      "*.so",
      "*.so.dbg",
      "*.mod.c",
      "*.i",
      "*.lst",
      "*.symtypes",
      "*.order",
      "modules.builtin",
      "*.elf",
      "*.bin",
      "*.gz",
      "*.bz2",
      "*.lzma",
      "*.xz",
      "*.lzo",
      "*.patch",
      "*.gcno",
      "*.pyc",
      "*.cmd",
      ".*.cmd",
      "*~",
      "\\#*#",
      ".*.sw?",
      "*.orig",
      "*.rej",
      "tags",
      "TAGS",
      "cscope.*",
      "ncscope.*",
      "GPATH",
      "GRTAGS",
      "GSYMS",
      "GTAGS",
      "vmlinux",
      "vmlinuz",
      "System.map",
      "Module.markers",
      "Module.symvers",
      "/tar-install/",
      "/debian/",
      "!.gitignore",
      "!.mailmap",
      "/Documentation/DocBook/media/",
      "include/config",
      "include/generated",
      "arch/*/include/generated",
      "/out/Release/",
      "node_modules/",
      "!node_modules/keep/",
      "**/obj",
      "doc/**/*.html",
      "/extensions/libxt_*.c",
      "/extensions/matches?.man",
      "*.dtb",
      "*.lds",
      "!vmlinux.lds.S",
      "/build*/",
      "*.[ch]~",
      "*-asn1.[ch]",
  };
  return lines;
}

const std::vector<std::wstring>& sample_paths() {
  static const std::vector<std::wstring> paths = {
      L"/kernel/sched/core.c",
      L"/kernel/sched/core.o",
      L"/kernel/sched/.core.o.cmd",
      L"/arch/arm/mach-omap2/board-generic.c",
      L"/arch/arm/include/generated/asm/types.h",
      L"/drivers/net/ethernet/intel/e1000e/netdev.c",
      L"/drivers/net/ethernet/intel/e1000e/netdev.o",
      L"/drivers/net/ethernet/intel/e1000e/Makefile",
      L"/include/linux/sched.h",
      L"/include/config/auto.conf",
      L"/Documentation/DocBook/media/v4l/capture.c.xml",
      L"/scripts/kconfig/conf.c",
      L"/scripts/kconfig/.conf.o.cmd",
      L"/out/Release/obj/base/base.ninja",
      L"/tools/perf/util/session.c",
      L"/node_modules/left-pad/index.js",
      L"/net/ipv4/tcp_output.c",
      L"/fs/ext4/inode.c",
      L"/fs/ext4/inode.c~",
      L"/lib/zlib_inflate/inflate.o",
  };
  return paths;
}

}  // namespace quorvel::bench
