#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "qt_test_support.h"

namespace qw::test {

int RunSelf(const std::string& environment, const std::string& arguments) {
  char path[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return -1;
  const std::string command = environment + " '" + std::string(path, length) + "' " + arguments;
  const int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace qw::test
