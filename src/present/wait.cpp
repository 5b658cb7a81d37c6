#include "present/wait.h"

#include "present/popup_menu.h"

namespace qw {

void Waiter::processPending() {
  host_.processMessages();
  afterRound_();
}

void Waiter::round(std::optional<std::uint32_t> deadline) {
  host_.waitMessage(deadline);
  afterRound_();
}

std::uint32_t Waiter::Step(std::uint32_t now, std::uint32_t deadline) {
  constexpr std::uint32_t kFarthest = 0x7FFFFFFFu;
  return deadline - now > kFarthest ? now + kFarthest : deadline;
}

MenuLockScope::MenuLockScope(PopupMenu& menu) : menu_(menu), autoPopup_(menu.autoPopup()) {
  menu_.setAutoPopup(false);
  menu_.lock();
}

MenuLockScope::~MenuLockScope() {
  menu_.setAutoPopup(autoPopup_);
  menu_.unlock();
}

void Pause(Waiter& waiter, InputSignals& input, std::uint32_t ms) {
  ClicksOffScope off(input);
  waiter.untilTick(waiter.now() + ms);
}

}  // namespace qw
