#include "host/qt/play_in_window.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/media_subsystem.h"
#include "app/save_subsystem.h"
#include "host/qt/gamepad.h"
#include "host/qt/qt_host.h"
#include "host/qt/read_aloud.h"
#include "platform/instance_lock.h"
#include "present/display.h"

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

// The window state file beside the reader's settings; empty when the engine found none.
std::filesystem::path WindowStateFile(TFmain& engine) {
  const std::filesystem::path& folder = engine.saves().dataFolder();
  return folder.empty() ? std::filesystem::path() : WindowStatePath(folder);
}

WindowState RememberedWindowState(const std::filesystem::path& file) {
  if (file.empty()) return {};
  std::vector<std::string> problems;
  WindowState state = LoadWindowState(file, &problems);
  for (const std::string& p : problems)
    std::fprintf(stderr, "quillwork: %s: %s\n", file.string().c_str(), p.c_str());
  return state;
}

}  // namespace

int PlayInWindow(const EngineOptions& options, const DesktopOptions& desktop, int argc,
                 char** argv) {
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
  std::unique_ptr<ReadAloud> readAloud;
  if (desktop.readAloud) {
    readAloud = std::make_unique<ReadAloud>();
    if (readAloud->connected()) host.setReadAloud(readAloud.get());
  }
  TFmain engine(host, options);
  // Real sound; the device opens at the first medium, and without one the story plays silent.
  engine.media().UseSdlOutput();
  const std::filesystem::path stateFile = WindowStateFile(engine);
  const WindowState start = StartWindowState(RememberedWindowState(stateFile), desktop);
  host.placeWindow(start, desktop.scale);
  host.showWindow();
  if (start.fullScreen && !engine.exitRequested()) {
    try {
      ToggleFullScreen(engine);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "quillwork: full screen: %s\n", e.what());
    } catch (...) {
      // An end asked for meanwhile is taken when the scenario starts.
    }
  }
  const Gamepad gamepad(host);
  QTimer::singleShot(0, &app, [&] { StartScenario(engine, host); });
  const int code = QApplication::exec();
  if (!stateFile.empty() && !SaveWindowState(stateFile, host.windowState()))
    std::fprintf(stderr, "quillwork: cannot write %s\n", stateFile.string().c_str());
  return code;
}

}  // namespace qw
