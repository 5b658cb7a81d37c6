#include "app/bundled_demo.h"

#include <cstdlib>
#include <system_error>

namespace qw {

namespace fs = std::filesystem;

fs::path ReaderDemoFolder() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/')
    return fs::path(data) / "quillwork" / "demo";
  if (const char* home = std::getenv("HOME"); home && home[0] == '/')
    return fs::path(home) / ".local" / "share" / "quillwork" / "demo";
  return {};
}

namespace {

bool SameFile(const fs::directory_entry& from, const fs::path& to) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(to, ec);
  if (ec || !fs::is_regular_file(status)) return false;
  const auto toSize = fs::file_size(to, ec);
  if (ec || toSize != from.file_size(ec) || ec) return false;
  const auto toTime = fs::last_write_time(to, ec);
  return !ec && toTime == from.last_write_time(ec) && !ec;
}

}  // namespace

std::string RefreshDemoCopy(const fs::path& bundle, const fs::path& copy) {
  std::error_code ec;
  fs::create_directories(copy, ec);
  if (ec) return copy.string() + ": " + ec.message();
  fs::recursive_directory_iterator it(bundle, ec);
  if (ec) return bundle.string() + ": " + ec.message();
  for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
    if (ec) return bundle.string() + ": " + ec.message();
    const fs::path target = copy / fs::relative(it->path(), bundle, ec);
    if (ec) return it->path().string() + ": " + ec.message();
    if (it->is_directory(ec)) {
      fs::create_directories(target, ec);
    } else if (it->is_regular_file(ec) && !SameFile(*it, target)) {
      // Copied under a temporary name so an interrupted copy never looks up to date.
      fs::path part = target;
      part += ".part";
      fs::copy_file(it->path(), part, fs::copy_options::overwrite_existing, ec);
      const fs::file_time_type time = ec ? fs::file_time_type{} : it->last_write_time(ec);
      if (!ec) fs::last_write_time(part, time, ec);
      if (!ec) fs::rename(part, target, ec);
    }
    if (ec) return target.string() + ": " + ec.message();
  }
  return {};
}

}  // namespace qw
