#include "platform/work_meter.h"

#include <limits>
#include <utility>

namespace qw {
namespace {

thread_local WorkMeter* activeMeter = nullptr;

}  // namespace

WorkMeter::WorkMeter(std::uint64_t& used, std::uint64_t limit, std::function<void()> exhausted)
    : used_(used), limit_(limit), exhausted_(std::move(exhausted)) {}

void WorkMeter::charge(std::uint64_t units) {
  add(units);
  if (overLimit() && exhausted_) exhausted_();
}

void WorkMeter::add(std::uint64_t units) noexcept {
  const std::uint64_t room = std::numeric_limits<std::uint64_t>::max() - used_;
  used_ += units < room ? units : room;
}

WorkMeterScope::WorkMeterScope(WorkMeter& meter) : previous_(activeMeter) {
  activeMeter = &meter;
}

WorkMeterScope::~WorkMeterScope() {
  activeMeter = previous_;
}

void ChargeWork(std::uint64_t units) {
  if (activeMeter != nullptr) activeMeter->charge(units);
}

void AddWork(std::uint64_t units) noexcept {
  if (activeMeter != nullptr) activeMeter->add(units);
}

}  // namespace qw
