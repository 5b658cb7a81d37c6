// The Qt host's tests need a QApplication; they run under the offscreen platform. The binary
// doubles as the second process of the instance-lock test ("--lock-probe FOLDER NAME").
#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>

#include "platform/instance_lock.h"

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--lock-probe") == 0) {
    const qw::InstanceLock lock(argv[3], argv[2]);
    switch (lock.status()) {
      case qw::InstanceLock::Status::Acquired:
        return 0;
      case qw::InstanceLock::Status::HeldElsewhere:
        return 3;
      case qw::InstanceLock::Status::Unavailable:
        return 4;
    }
  }
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillwork"));
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
