// A tool window of the engine (slot picker, font, version, debug window) as Qt widgets: one
// widget per control of the model, placed where the model says, kept in step with it.
#pragma once

#include <QDialog>

#include <functional>
#include <map>
#include <string>

#include "platform/host.h"

namespace qw {

class ToolWindowView final : public QDialog {
 public:
  // `act` carries a reader's action to the model (through the host, which catches what it
  // throws); the view reads the model again after each.
  ToolWindowView(ToolWindowModel& model, QWidget* parent,
                 std::function<void(const std::string&, int, const std::string&)> act);

  ToolWindowModel& model() const { return model_; }
  // Reads the model again: texts, lines, states and pictures.
  void refresh();
  // The widget of control `name`, for tests.
  QWidget* control(const std::string& name) const;

 protected:
  void reject() override;

 private:
  QWidget* make(const ToolControl& c);
  void update(QWidget* w, const ToolControl& c);
  void act(const std::string& name, int value, const std::string& text);

  ToolWindowModel& model_;
  std::function<void(const std::string&, int, const std::string&)> act_;
  std::map<std::string, QWidget*> widgets_;
  bool refreshing_ = false;  // changes made by refresh() are not the reader's
};

}  // namespace qw
