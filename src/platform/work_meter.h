// The work of a run that has a limit: the script lines it runs and its costly steps (scans for
// a marker line, picture loads, the pixels it shows), counted in units of about one script
// line's work. A headless run whose script never waits is bounded by it, so it ends in about
// the same real time whatever the script does.
#pragma once

#include <cstdint>
#include <functional>

namespace qw {

class WorkMeter {
 public:
  // Counts into `used` (kept by the owner across runs). `limit` 0 means no limit.
  // `exhausted` runs when a charge takes the count past the limit; it throws what ends the run.
  WorkMeter(std::uint64_t& used, std::uint64_t limit, std::function<void()> exhausted);

  // Adds `units` and, past the limit, calls `exhausted`.
  void charge(std::uint64_t units);
  // Adds `units` and never throws: for the steps that may run in a destructor. The next
  // charge ends the run.
  void add(std::uint64_t units) noexcept;
  bool overLimit() const { return limit_ != 0 && used_ > limit_; }
  std::uint64_t used() const { return used_; }

 private:
  std::uint64_t& used_;
  std::uint64_t limit_;
  std::function<void()> exhausted_;
};

// Makes `meter` the one ChargeWork and AddWork use on this thread while the scope lives; the
// previous one comes back after.
class WorkMeterScope {
 public:
  explicit WorkMeterScope(WorkMeter& meter);
  ~WorkMeterScope();
  WorkMeterScope(const WorkMeterScope&) = delete;
  WorkMeterScope& operator=(const WorkMeterScope&) = delete;

 private:
  WorkMeter* previous_;
};

// Charge the meter of the run on this thread; nothing happens outside a run. Code below the
// engine (the picture loaders, the effects) reaches the run's budget through them.
void ChargeWork(std::uint64_t units);
void AddWork(std::uint64_t units) noexcept;

}  // namespace qw
