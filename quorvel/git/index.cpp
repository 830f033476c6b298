#include "quorvel/git/index.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "quorvel/filesystem/ifstream.h"
#include "quorvel/platform/native_path.h"
#include "quorvel/text/utf8.h"

namespace quorvel::git {

struct tracked_files::table {
  std::string paths;                  // every path's bytes, back to back, in byte order
  std::vector<std::uint32_t> starts;  // where each path begins, then where the last ends
  // Only for ignore_case: the same paths with ASCII capitals in lower case,
  // in the byte order of those.
  bool ignore_case = false;
  std::string folded;
  std::vector<std::uint32_t> folded_starts;

  std::size_t size() const { return starts.size() - 1; }
  static std::string_view entry(const std::string& bytes, const std::vector<std::uint32_t>& at,
                                std::size_t i) {
    return std::string_view(bytes).substr(at[i], at[i + 1] - at[i]);
  }
};

namespace {

namespace fs = std::filesystem;

constexpr std::size_t header_size = 12;  // "DIRC", the version, the entry count
constexpr std::size_t stat_size = 40;    // times, device, inode, mode, ids, size
constexpr std::uint16_t extended_flag = 0x4000;
constexpr std::uint16_t known_extended_flags = 0x6000;  // skip-worktree, intent-to-add
constexpr std::uint16_t name_length_mask = 0xFFF;       // this value: "longer, find the NUL"
constexpr std::uint32_t type_mask = 0170000;
constexpr std::uint32_t folder_type = 0040000;
constexpr std::size_t most_path_bytes = std::numeric_limits<std::uint32_t>::max();

std::uint16_t be16(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::uint16_t>((u[0] << 8) | u[1]);
}

std::uint32_t be32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return (std::uint32_t{u[0]} << 24) | (std::uint32_t{u[1]} << 16) | (std::uint32_t{u[2]} << 8) |
         std::uint32_t{u[3]};
}

std::uint64_t be64(const char* p) {
  return (std::uint64_t{be32(p)} << 32) | be32(p + 4);
}

std::string hex(std::string_view bytes) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    out += digits[u >> 4];
    out += digits[u & 15];
  }
  return out;
}

// An extension's signature as text for a message: its printable bytes as
// they are, others as \xNN.
std::string printable(std::string_view signature) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : signature) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F) {
      out += c;
    } else {
      out += "\\x";
      out += digits[u >> 4];
      out += digits[u & 15];
    }
  }
  return out;
}

char fold_ascii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The entries of one index file as read, before a split index is joined
// with its shared index: the paths in file order, unchecked for order.
struct index_file {
  std::string paths;
  std::vector<std::uint32_t> starts{0};
  // A split index's link: the shared index's hash (all zeros for none) and
  // the words of its two bitmaps, views into the data.
  bool linked = false;
  std::string_view shared_hash;
  std::string_view deleted;
  std::string_view replaced;
  std::string_view checksum;  // the last bytes of the file, which name a shared index

  std::size_t size() const { return starts.size() - 1; }
  std::string_view entry(std::size_t i) const {
    return std::string_view(paths).substr(starts[i], starts[i + 1] - starts[i]);
  }
};

// Reads one index file's entries and extensions from its bytes, checking
// every length against them.
class parser {
 public:
  parser(std::string_view data, const fs::path& file, std::size_t hash_size)
      : data_(data), file_(file), hash_size_(hash_size) {}

  index_file parse() {
    if (data_.size() < header_size + hash_size_) {
      fail("too short to be an index (" + std::to_string(data_.size()) + " bytes)");
    }
    if (data_.substr(0, 4) != "DIRC") {
      fail("not an index: it does not begin with \"DIRC\"");
    }
    version_ = be32(data_.data() + 4);
    if (version_ < 2 || version_ > 4) {
      fail("index version " + std::to_string(version_) + " is not one of 2, 3 and 4");
    }
    const std::uint32_t count = be32(data_.data() + 8);
    end_ = data_.size() - hash_size_;
    result_.checksum = data_.substr(end_);
    // No entry is smaller than its fixed fields and a NUL: more entries than
    // that allows cannot be there, and the table is not made larger than
    // the data could fill.
    const std::size_t smallest = stat_size + hash_size_ + 2 + 1;
    if (count > (end_ - header_size) / smallest) {
      fail("the header counts " + std::to_string(count) + " entries, more than the data holds");
    }
    result_.starts.reserve(std::size_t{count} + 1);
    // Paths of versions 2 and 3 take no more than what the fixed fields and
    // a NUL each leave; a version 4 index usually holds less than they add
    // up to, and grows the buffer past this when it does not.
    result_.paths.reserve(end_ - header_size - std::size_t{count} * smallest);
    std::size_t at = header_size;
    for (std::uint32_t i = 0; i < count; ++i) {
      at = read_entry(at, i + 1);
    }
    read_extensions(at);
    return std::move(result_);
  }

 private:
  [[noreturn]] void fail(const std::string& what) const { throw index_error(file_, what); }

  [[noreturn]] void fail_entry(std::size_t number, const std::string& what) const {
    fail("entry " + std::to_string(number) + " " + what);
  }

  // Reads the entry that begins at `at`; returns where the next begins.
  std::size_t read_entry(std::size_t at, std::size_t number) {
    std::size_t name_at = at + stat_size + hash_size_ + 2;
    if (name_at >= end_) {
      fail_entry(number, "runs past the end of the data");
    }
    const std::uint32_t mode = be32(data_.data() + at + 24);
    const std::uint16_t flags = be16(data_.data() + name_at - 2);
    if ((flags & extended_flag) != 0) {
      if (version_ == 2) {
        fail_entry(number, "has extended flags, which index version 2 does not have");
      }
      if (end_ - name_at <= 2) {
        fail_entry(number, "runs past the end of the data");
      }
      if ((be16(data_.data() + name_at) & ~known_extended_flags) != 0) {
        fail_entry(number, "has extended flags that git does not know");
      }
      name_at += 2;
    }
    const std::size_t length = flags & name_length_mask;
    std::size_t next = 0;
    if (version_ < 4) {
      next = read_padded_name(at, name_at, length, number);
    } else {
      next = read_compressed_name(name_at, length, number);
    }
    // Only a sparse index's folder entries end in "/"; a replaced entry of
    // a split index may have no path at all, which is not checked here.
    const std::string_view path = result_.entry(result_.size() - 1);
    if (!path.empty() && path.ends_with('/') != ((mode & type_mask) == folder_type)) {
      fail_entry(number, path.ends_with('/') ? "has a path ending in \"/\" but is not a folder"
                                             : "is a folder whose path does not end in \"/\"");
    }
    return next;
  }

  // Versions 2 and 3: the path, its NUL and more NULs up to a multiple of
  // eight bytes from the entry's start.
  std::size_t read_padded_name(std::size_t at, std::size_t name_at, std::size_t length,
                               std::size_t number) {
    if (length == name_length_mask) {
      const void* nul = std::memchr(data_.data() + name_at, 0, end_ - name_at);
      if (nul == nullptr) {
        fail_entry(number, "has a path that runs past the end of the data");
      }
      length = static_cast<std::size_t>(static_cast<const char*>(nul) - (data_.data() + name_at));
    }
    const std::size_t size = (name_at - at + length + 8) & ~std::size_t{7};
    if (size > end_ - at) {
      fail_entry(number, "runs past the end of the data");
    }
    if (data_[name_at + length] != '\0') {
      fail_entry(number, "has a path that is not ended by a NUL where its length says");
    }
    append(data_.substr(name_at, length), 0, number);
    return at + size;
  }

  // Version 4: how many bytes to drop from the end of the previous path (a
  // variable-width number), then the bytes to put after the rest, ended by
  // a NUL. No padding.
  std::size_t read_compressed_name(std::size_t p, std::size_t length, std::size_t number) {
    std::uint64_t drop = 0;
    for (bool first = true;; first = false) {
      if (p >= end_) {
        fail_entry(number, "runs past the end of the data");
      }
      const auto byte = static_cast<unsigned char>(data_[p++]);
      // Each byte after the first adds one before the shift, so that no
      // number has two encodings.
      drop = first ? (byte & 127u) : (((drop + 1) << 7) | (byte & 127u));
      if (drop > most_path_bytes) {
        fail_entry(number, "drops more of the previous path than it has");
      }
      if ((byte & 128u) == 0) {
        break;
      }
    }
    const std::size_t previous = result_.size() == 0 ? 0 : result_.entry(result_.size() - 1).size();
    if (drop > previous) {
      fail_entry(number, "drops " + std::to_string(drop) +
                             " bytes of the previous path, which has " + std::to_string(previous));
    }
    const void* nul = std::memchr(data_.data() + p, 0, end_ - p);
    if (nul == nullptr) {
      fail_entry(number, "has a path that runs past the end of the data");
    }
    const std::string_view tail(
        data_.data() + p,
        static_cast<std::size_t>(static_cast<const char*>(nul) - (data_.data() + p)));
    const std::size_t kept = previous - static_cast<std::size_t>(drop);
    if (length != name_length_mask && length != kept + tail.size()) {
      fail_entry(number, "has a path whose length is not the one its flags give");
    }
    append(tail, kept, number);
    return p + tail.size() + 1;
  }

  // Adds a path: the first `kept` bytes of the previous one, then `tail`.
  void append(std::string_view tail, std::size_t kept, std::size_t number) {
    std::string& paths = result_.paths;
    if (kept + tail.size() > most_path_bytes - paths.size()) {
      fail_entry(number, "brings the paths past the 4 GiB that are kept");
    }
    if (kept != 0) {
      // Appending a piece of the string itself is allowed, also when it grows.
      paths.append(paths, result_.starts[result_.size() - 1], kept);
    }
    paths.append(tail);
    result_.starts.push_back(static_cast<std::uint32_t>(paths.size()));
  }

  void read_extensions(std::size_t at) {
    while (at < end_) {
      if (end_ - at < 8) {
        fail("stray bytes after the last extension");
      }
      const std::string_view signature = data_.substr(at, 4);
      const std::uint32_t size = be32(data_.data() + at + 4);
      at += 8;
      if (size > end_ - at) {
        fail("extension \"" + printable(signature) + "\" runs past the end of the data");
      }
      const std::string_view body = data_.substr(at, size);
      at += size;
      if (signature == "link") {
        read_link(body);
      } else if (signature == "sdir") {
        // Marks a sparse index; its folder entries are read as they come.
      } else if (!(signature[0] >= 'A' && signature[0] <= 'Z')) {
        // An extension that git must understand to read the index right.
        fail("unknown extension \"" + printable(signature) + "\"");
      }
    }
  }

  // The hash of the shared index, then (unless the extension ends there)
  // the delete and replace bitmaps.
  void read_link(std::string_view body) {
    if (result_.linked) {
      fail("a second link extension");
    }
    result_.linked = true;
    if (body.size() < hash_size_) {
      fail("the link extension is shorter than a hash");
    }
    result_.shared_hash = body.substr(0, hash_size_);
    body.remove_prefix(hash_size_);
    if (body.empty()) {
      return;
    }
    result_.deleted = take_bitmap(body, "delete");
    result_.replaced = take_bitmap(body, "replace");
    if (!body.empty()) {
      fail("stray bytes at the end of the link extension");
    }
  }

  // An EWAH bitmap: its size in bits, its count of 64-bit words, the words,
  // and the position of the last run word. Returns the words.
  std::string_view take_bitmap(std::string_view& body, const std::string& which) {
    if (body.size() < 8) {
      fail("the " + which + " bitmap runs past the end of the link extension");
    }
    const std::uint32_t words = be32(body.data() + 4);
    if ((body.size() - 8) / 8 < words || body.size() - 8 - std::size_t{words} * 8 < 4) {
      fail("the " + which + " bitmap runs past the end of the link extension");
    }
    const std::string_view result = body.substr(8, std::size_t{words} * 8);
    body.remove_prefix(8 + std::size_t{words} * 8 + 4);
    return result;
  }

  std::string_view data_;
  const fs::path& file_;
  std::size_t hash_size_;
  std::uint32_t version_ = 0;
  std::size_t end_ = 0;  // where the entries and extensions end, and the checksum begins
  index_file result_;
};

// Calls `on_bit` with the position of each set bit of an EWAH bitmap's
// `words`. The words come in groups: a run word (bit 0: the bit that fills
// the run; bits 1 to 32: the run's length in words; bits 33 to 63: how many
// literal words follow), then those literal words, bit 0 first. A set bit
// at or past `limit` is an error, reported with `fail`.
template <class OnBit, class Fail>
void each_bit(std::string_view words, std::size_t limit, OnBit on_bit, Fail fail) {
  // Positions past every limit are kept at this, so that no sum overflows.
  constexpr std::uint64_t far = std::uint64_t{1} << 62;
  const std::size_t count = words.size() / 8;
  std::uint64_t position = 0;
  for (std::size_t i = 0; i < count;) {
    const std::uint64_t run = be64(words.data() + 8 * i++);
    const std::uint64_t run_words = (run >> 1) & 0xFFFFFFFFu;
    const std::uint64_t literals = run >> 33;
    if ((run & 1) != 0 && run_words != 0) {
      if (position >= limit || run_words > (limit - position) / 64) {
        fail();
      }
      for (std::uint64_t bit = 0; bit < run_words * 64; ++bit) {
        on_bit(static_cast<std::size_t>(position + bit));
      }
    }
    position = std::min(position + run_words * 64, far);
    if (literals > count - i) {
      fail();
    }
    for (std::uint64_t k = 0; k < literals; ++k, ++i) {
      for (std::uint64_t word = be64(words.data() + 8 * i); word != 0; word &= word - 1) {
        const std::uint64_t bit = position + static_cast<std::uint64_t>(std::countr_zero(word));
        if (bit >= limit) {
          fail();
        }
        on_bit(static_cast<std::size_t>(bit));
      }
      position = std::min(position + 64, far);
    }
  }
}

// Checks that the entries from `first` on are in git's order (several
// stages of one path follow each other).
void check_order(const index_file& entries, std::size_t first, const fs::path& file) {
  for (std::size_t i = first + 1; i < entries.size(); ++i) {
    if (entries.entry(i) < entries.entry(i - 1)) {
      throw index_error(file, "entry " + std::to_string(i + 1) + " is out of order");
    }
  }
}

// Drops repeated paths (the stages of one path), in place.
void collapse(index_file& entries) {
  std::string& paths = entries.paths;
  std::vector<std::uint32_t>& starts = entries.starts;
  std::size_t kept = 0;  // entries kept so far; starts[kept] is where the next goes
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::uint32_t begin = starts[i];
    const std::uint32_t end = starts[i + 1];
    const std::string_view path(paths.data() + begin, end - begin);
    if (kept != 0 && path == std::string_view(paths.data() + starts[kept - 1],
                                              starts[kept] - starts[kept - 1])) {
      continue;
    }
    if (starts[kept] != begin) {
      std::memmove(paths.data() + starts[kept], paths.data() + begin, end - begin);
    }
    starts[kept + 1] = starts[kept] + (end - begin);
    ++kept;
  }
  paths.resize(starts[kept]);
  starts.resize(kept + 1);
}

// The shared index's entries less the deleted ones, and the split index's
// own entries from `first` on (those after the replacements), merged in
// order, each path once.
index_file join(const index_file& shared, const std::vector<bool>& deleted, const index_file& own,
                std::size_t first, const fs::path& file) {
  index_file result;
  result.paths.reserve(shared.paths.size() + own.paths.size());
  result.starts.reserve(shared.size() + own.size() - first + 1);
  const auto add = [&result, &file](std::string_view path) {
    if (result.size() != 0 && result.entry(result.size() - 1) == path) {
      return;
    }
    if (path.size() > most_path_bytes - result.paths.size()) {
      throw index_error(file,
                        "the paths with those of the shared index pass the 4 GiB that are kept");
    }
    result.paths.append(path);
    result.starts.push_back(static_cast<std::uint32_t>(result.paths.size()));
  };
  std::size_t i = 0;
  std::size_t j = first;
  while (true) {
    while (i < shared.size() && deleted[i]) {
      ++i;
    }
    if (i == shared.size()) {
      break;
    }
    if (j < own.size() && own.entry(j) < shared.entry(i)) {
      add(own.entry(j++));
    } else {
      add(shared.entry(i++));
    }
  }
  for (; j < own.size(); ++j) {
    add(own.entry(j));
  }
  return result;
}

// Compares `entry` with `key` followed by `tail`, as unsigned bytes; with
// `fold`, the key's ASCII capitals count as small letters (the entry is
// folded already).
int compare(std::string_view entry, std::string_view key, std::string_view tail, bool fold) {
  const std::size_t common = std::min(entry.size(), key.size());
  if (!fold) {
    const int order = common == 0 ? 0 : std::memcmp(entry.data(), key.data(), common);
    if (order != 0) {
      return order;
    }
  } else {
    for (std::size_t i = 0; i < common; ++i) {
      const auto a = static_cast<unsigned char>(entry[i]);
      const auto b = static_cast<unsigned char>(fold_ascii(key[i]));
      if (a != b) {
        return a < b ? -1 : 1;
      }
    }
  }
  if (entry.size() < key.size()) {
    return -1;
  }
  return std::string_view(entry.substr(common)).compare(tail);
}

// A whole file's bytes, not set to zero before they are read (an index can
// be tens of megabytes).
struct file_bytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;

  std::string_view view() const { return {data.get(), size}; }
};

// Reads a whole file; nullopt when there is no file.
std::optional<file_bytes> load(const fs::path& file) {
  std::error_code error;
  const fs::file_status status = fs::status(file, error);
  if (status.type() == fs::file_type::not_found) {
    return std::nullopt;
  }
  if (error) {
    throw index_error(file, "cannot be read: " + error.message());
  }
  if (!fs::is_regular_file(status)) {
    throw index_error(file, "is not a file");
  }
  const std::uintmax_t size = fs::file_size(file, error);
  if (error) {
    throw index_error(file, "cannot be read: " + error.message());
  }
  if (size > std::numeric_limits<std::size_t>::max() / 2) {
    throw index_error(file, "is too large to hold");
  }
  file_bytes bytes{std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size)),
                   static_cast<std::size_t>(size)};
  filesystem::ifstream stream{};
  stream.open(file, std::ios_base::binary);
  if (!stream.is_open()) {
    throw index_error(file, "cannot be opened");
  }
  // A file that shrank since it was sized is read as far as it goes (and
  // then fails as a short index); one that grew is cut at that size.
  bytes.size = static_cast<std::size_t>(
      stream.read(bytes.data.get(), static_cast<std::int64_t>(bytes.size)));
  return bytes;
}

}  // namespace

index_error::index_error(const std::filesystem::path& file, const std::string& what)
    : std::runtime_error(text::wide_to_bytes(platform::to_wide(file)) + ": " + what) {}

tracked_files tracked_files::read(const std::filesystem::path& git_dir, std::size_t hash_size,
                                  bool ignore_case) {
  const fs::path file = git_dir / "index";
  const std::optional<file_bytes> bytes = load(file);
  if (!bytes) {
    return {};
  }
  // Kept here while the shared index is read: the result copies the paths.
  std::optional<file_bytes> shared_bytes;
  const shared_source shared = [&](std::string_view hex_name) -> std::optional<std::string_view> {
    shared_bytes = load(git_dir / ("sharedindex." + std::string(hex_name)));
    if (!shared_bytes) {
      return std::nullopt;
    }
    return shared_bytes->view();
  };
  return from_bytes(bytes->view(), file, hash_size, ignore_case, shared);
}

tracked_files tracked_files::from_bytes(std::string_view data, const std::filesystem::path& file,
                                        std::size_t hash_size, bool ignore_case,
                                        const shared_source& shared) {
  if (hash_size != 20 && hash_size != 32) {
    throw std::invalid_argument("an object name has 20 or 32 bytes, not " +
                                std::to_string(hash_size));
  }
  index_file own = parser(data, file, hash_size).parse();
  index_file entries;
  if (!own.linked) {
    check_order(own, 0, file);
    collapse(own);
    entries = std::move(own);
  } else {
    // A split index: most entries are in the shared index it names, less
    // those its delete bitmap marks. Its own first entries replace those
    // that the replace bitmap marks, which keeps their paths; the rest are
    // new.
    std::optional<std::string_view> shared_bytes;
    index_file base;
    if (own.shared_hash.find_first_not_of('\0') != std::string_view::npos) {
      const std::string name = hex(own.shared_hash);
      const fs::path shared_file = file.parent_path() / ("sharedindex." + name);
      if (shared) {
        shared_bytes = shared(name);
      }
      if (!shared_bytes) {
        throw index_error(file, "its shared index sharedindex." + name + " is missing");
      }
      base = parser(*shared_bytes, shared_file, hash_size).parse();
      if (base.linked) {
        throw index_error(shared_file, "a shared index that is split itself");
      }
      if (base.checksum != own.shared_hash) {
        throw index_error(shared_file, "does not end in the hash that names it");
      }
      check_order(base, 0, shared_file);
    }
    const std::size_t base_size = base.size();
    const auto past_base = [&file, base_size](const char* which) {
      return [&file, base_size, which] {
        throw index_error(file, std::string("the ") + which +
                                    " bitmap marks an entry past the shared index's " +
                                    std::to_string(base_size));
      };
    };
    std::vector<bool> deleted(base_size);
    each_bit(
        own.deleted, base_size, [&deleted](std::size_t bit) { deleted[bit] = true; },
        past_base("delete"));
    std::size_t replaced = 0;
    each_bit(
        own.replaced, base_size, [&replaced](std::size_t) { ++replaced; }, past_base("replace"));
    if (replaced > own.size()) {
      throw index_error(file, "the replace bitmap marks " + std::to_string(replaced) +
                                  " entries, more than the index holds");
    }
    check_order(own, replaced, file);
    entries = join(base, deleted, own, replaced, file);
  }
  auto result = std::make_shared<table>();
  result->paths = std::move(entries.paths);
  result->starts = std::move(entries.starts);
  if (ignore_case) {
    // The folded paths are sorted anew: "B" comes before "a" in byte order,
    // "b" after it. Only the folded bytes are needed to answer.
    std::string folded = result->paths;
    std::transform(folded.begin(), folded.end(), folded.begin(), fold_ascii);
    std::vector<std::string_view> order(result->size());
    for (std::size_t i = 0; i < order.size(); ++i) {
      order[i] = table::entry(folded, result->starts, i);
    }
    // Paths with no capitals, or with them only where folding keeps the
    // order, need no sort.
    if (!std::is_sorted(order.begin(), order.end())) {
      std::sort(order.begin(), order.end());
    }
    result->ignore_case = true;
    result->folded.reserve(folded.size());
    result->folded_starts.reserve(order.size() + 1);
    result->folded_starts.push_back(0);
    for (const std::string_view path : order) {
      result->folded.append(path);
      result->folded_starts.push_back(static_cast<std::uint32_t>(result->folded.size()));
    }
  }
  return tracked_files(std::move(result));
}

std::size_t tracked_files::size() const {
  return data_ ? data_->size() : 0;
}

std::string_view tracked_files::path(std::size_t i) const {
  return table::entry(data_->paths, data_->starts, i);
}

bool tracked_files::tracked(std::string_view path) const {
  // A sparse folder entry ends in "/", but it is not a tracked file.
  if (path.ends_with('/')) {
    return false;
  }
  const std::size_t i = find(path, {});
  return i < size() && compare(searched(i), path, {}, data_->ignore_case) == 0;
}

bool tracked_files::tracked_below(std::string_view folder) const {
  if (folder.empty()) {
    return !empty();
  }
  const std::size_t i = find(folder, "/");
  if (i == size()) {
    return false;
  }
  const std::string_view entry = searched(i);
  return entry.size() > folder.size() &&
         compare(entry.substr(0, folder.size() + 1), folder, "/", data_->ignore_case) == 0;
}

std::string_view tracked_files::searched(std::size_t i) const {
  if (!data_->ignore_case) {
    return table::entry(data_->paths, data_->starts, i);
  }
  return table::entry(data_->folded, data_->folded_starts, i);
}

std::size_t tracked_files::find(std::string_view key, std::string_view tail) const {
  const bool folded = data_ && data_->ignore_case;
  std::size_t low = 0;
  std::size_t high = size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (compare(searched(middle), key, tail, folded) < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

}  // namespace quorvel::git
