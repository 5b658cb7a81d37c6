#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/instance_lock.h"
#include "qt_test_support.h"

namespace qw {
namespace {

using Status = InstanceLock::Status;

class InstanceLockTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  std::filesystem::path folder() const { return dir.path().toStdString(); }
  // The lock as another process sees it: 0 acquired, 3 held elsewhere, 4 unavailable.
  int probe(const std::string& name) const {
    return test::RunSelf("", "--lock-probe '" + folder().string() + "' " + name);
  }
  QTemporaryDir dir;
};

TEST_F(InstanceLockTest, OnlyOneHolderAtATime) {
  std::optional<InstanceLock> first(std::in_place, "Quillwork", folder());
  EXPECT_EQ(first->status(), Status::Acquired);
  EXPECT_EQ(first->path(), folder() / "Quillwork.lock");
  EXPECT_EQ(InstanceLock("Quillwork", folder()).status(), Status::HeldElsewhere);
  EXPECT_EQ(probe("Quillwork"), 3);
  EXPECT_EQ(InstanceLock("Other", folder()).status(), Status::Acquired);

  first.reset();
  EXPECT_EQ(probe("Quillwork"), 0);
  EXPECT_EQ(InstanceLock("Quillwork", folder()).status(), Status::Acquired);
}

TEST_F(InstanceLockTest, MovingKeepsTheLock) {
  InstanceLock first("Quillwork", folder());
  InstanceLock moved(std::move(first));
  EXPECT_EQ(moved.status(), Status::Acquired);
  EXPECT_EQ(InstanceLock("Quillwork", folder()).status(), Status::HeldElsewhere);
  InstanceLock other("Other", folder());
  other = std::move(moved);  // releases "Other", takes over "Quillwork"
  EXPECT_EQ(InstanceLock("Other", folder()).status(), Status::Acquired);
  EXPECT_EQ(InstanceLock("Quillwork", folder()).status(), Status::HeldElsewhere);
}

TEST_F(InstanceLockTest, AFolderThatCannotHoldTheFileIsNoInstance) {
  EXPECT_EQ(InstanceLock("Quillwork", folder() / "missing").status(), Status::Unavailable);
  // A planted symbolic link is not followed.
  std::filesystem::create_symlink(folder() / "elsewhere", folder() / "Quillwork.lock");
  EXPECT_EQ(InstanceLock("Quillwork", folder()).status(), Status::Unavailable);
}

TEST_F(InstanceLockTest, RuntimeFolderPrefersXdgRuntimeDir) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::optional<std::string> restore =
      saved ? std::optional<std::string>(saved) : std::nullopt;
  setenv("XDG_RUNTIME_DIR", folder().c_str(), 1);
  EXPECT_EQ(InstanceLock::RuntimeFolder(), folder());
  EXPECT_EQ(InstanceLock("Quillwork").path(), folder() / "Quillwork.lock");

  setenv("XDG_RUNTIME_DIR", "relative/dir", 1);
  const std::filesystem::path fallback = InstanceLock::RuntimeFolder();
  EXPECT_TRUE(fallback.is_absolute());
  EXPECT_EQ(fallback.string().rfind("/tmp", 0), 0u) << fallback;
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(InstanceLock::RuntimeFolder(), fallback);

  if (restore) setenv("XDG_RUNTIME_DIR", restore->c_str(), 1);
}

}  // namespace
}  // namespace qw
