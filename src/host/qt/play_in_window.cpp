#include "host/qt/play_in_window.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <optional>

#include "app/engine.h"
#include "app/media_subsystem.h"
#include "host/qt/qt_host.h"
#include "platform/instance_lock.h"

namespace qw {

namespace {

const char* const kApplicationName = "Quillwork";

// The idle callback: the scenario runs once, inside the application's event loop.
void StartScenario(TFmain& engine, QtHost& host) {
  try {
    if (const std::optional<int> code = engine.ScenarioStart()) host.quit(*code);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillwork: the run ended by an unhandled error: %s\n", e.what());
    host.quit(1);
  } catch (...) {
    std::fprintf(stderr, "quillwork: the run ended by an unhandled error\n");
    host.quit(1);
  }
}

}  // namespace

int PlayInWindow(const EngineOptions& options, int argc, char** argv) {
  // First, before any window: the lock lives as long as this call.
  const InstanceLock lock(kApplicationName);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(kApplicationName));
  // The host ends the application itself, with the engine's exit code, when the engine
  // lets the window close.
  QApplication::setQuitOnLastWindowClosed(false);

  if (lock.status() == InstanceLock::Status::HeldElsewhere) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kApplicationName),
                    QString::fromUtf8("既に起動中です。"), QMessageBox::Ok);
    box.exec();
    return 0;
  }

  QtHost host;
  TFmain engine(host, options);
  // Real sound; the device opens at the first medium, and without one the story plays silent.
  engine.media().UseSdlOutput();
  host.showWindow();
  QTimer::singleShot(0, &app, [&] { StartScenario(engine, host); });
  return QApplication::exec();
}

}  // namespace qw
