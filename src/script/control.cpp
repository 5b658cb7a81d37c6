// Jumps, calls, conditions, waits and the program commands.
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "app/engine.h"
#include "app/tool_windows.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "present/display.h"
#include "script/commands.h"

namespace qw {
namespace {

void JumpTo(TFmain& e, std::int32_t line) {
  TProg& p = e.prog();
  p.NextPc = line;
  p.TextPos = 0;
  p.Status = 0;
}

// Skips to the line after the next `marker`.
void SkipPast(TFmain& e, const char* marker) {
  JumpTo(e, e.FindLineFrom(marker, e.prog().Pc + 1) + 1);
}

// The platform's conversion of a decimal text to a floating-point number.
double StrToFloat(const std::string& text) {
  std::string t(text);
  std::size_t first = t.find_first_not_of(' ');
  std::size_t last = t.find_last_not_of(' ');
  std::string core = first == std::string::npos ? std::string() : t.substr(first, last - first + 1);
  const char* begin = core.c_str();
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(begin, &end);
  bool hexOrSpecial = core.find_first_of("xXnNiI") != std::string::npos;
  if (core.empty() || end != begin + core.size() || errno == ERANGE || hexOrSpecial) {
    throw FrameworkError("'" + Cp932ToUtf8(text) + "' is not a valid floating point value");
  }
  return value;
}

}  // namespace

void CmdGoto(TFmain& e) {
  std::string label = e.arg(0);
  std::string file = e.arg(1);
  if (!file.empty()) {
    e.LoadScript(file);
    e.prog().FileName = file;
  }
  JumpTo(e, label.empty() ? 0 : e.LookupLabel(label) + 1);
}

void CmdGosub(TFmain& e) {
  TProg& p = e.prog();
  if (e.arg(0).empty()) {
    p.StackTop = -1;
    return;
  }
  JumpTo(e, e.LookupLabel(e.arg(0)) + 1);
  if (p.StackTop >= TProg::kStackSize - 1) {
    e.scriptError("GOSUBのスタックが溢れました");
    return;
  }
  ++p.StackTop;
  p.ReturnStack[static_cast<std::size_t>(p.StackTop)] = p.Pc + 1;
}

void CmdReturn(TFmain& e) {
  TProg& p = e.prog();
  if (p.StackTop < 0) {
    e.scriptError("GOSUB無しでRETURNが実行されました");
    return;
  }
  if (e.arg(0).empty()) {
    JumpTo(e, p.ReturnStack[static_cast<std::size_t>(p.StackTop)]);
  } else {
    JumpTo(e, e.LookupLabel(e.arg(0)) + 1);
  }
  --p.StackTop;
}

void CmdIf(TFmain& e) {
  if (e.arg(0).empty()) return;
  e.prog().Condition = e.evaluator().EvaluateArgument(e.arg(0));
}

void CmdThen(TFmain& e) {
  if (e.prog().Condition == 0) SkipPast(e, "_endthen");
}

void CmdElse(TFmain& e) {
  if (e.prog().Condition != 0) SkipPast(e, "_endelse");
}

void CmdBranch(TFmain& e) {
  if (e.argInt(0) != e.prog().Selection) SkipPast(e, "_endbranch");
}

void CmdWaitset(TFmain& e) {
  e.waitBase() = e.host().ticks();
}

void CmdWait(TFmain& e) {
  std::uint32_t deadline = e.waitBase() + static_cast<std::uint32_t>(e.argInt(0));
  e.waiter().untilTick(deadline);
}

void CmdDelay(TFmain& e) {
  std::int32_t ms = e.argInt(0, 1);
  std::uint32_t length =
      ms < 0 ? 0u - static_cast<std::uint32_t>(ms) : static_cast<std::uint32_t>(ms);
  e.Pause(length);
}

void CmdMouseclick(TFmain& e) {
  MenuLockScope locked(e.menu());
  WaitCursorScope cursor(e);
  InputSignals& in = e.input();
  in.click = in.mouseDown = in.mouseUp = false;
  e.waiter().until([&] { return in.mouseDown || in.click || e.pendingRequest() != 0; });
  auto skipping = [&] { return e.text().skipMode && e.currentTextId() >= 0; };
  e.waiter().until([&] { return in.mouseUp || in.click || e.pendingRequest() != 0 || skipping(); });
  in.click = in.mouseDown = in.mouseUp = in.enter = false;
  e.text().lineClicked = false;
}

void CmdStop(TFmain& e) {
  PopupMenu& menu = e.menu();
  menu.setEnabled("Mload", true);
  menu.setEnabled("Mtitle", true);
  if (!e.arg(0).empty()) e.host().setCaption(Cp932ToUtf8(e.arg(0)));
  struct StopEnd {
    PopupMenu& menu;
    ~StopEnd() {
      menu.setEnabled("Mload", false);
      menu.setEnabled("Mtitle", false);
    }
  } stopEnd{menu};
  e.waiter().until([&] { return e.pendingRequest() != 0; });
}

void CmdVersion(TFmain& e) {
  const std::string& required = e.arg(0);
  if (StrToFloat(required) > 1.43) {
    e.ShowMessage(
        "このシナリオを実行するには ver" + Cp932ToUtf8(required) + "以上のＱＷＫが必要です。", "",
        MessageIcon::Exclamation);
    if (e.arg(1) == "1") throw EngineExit{0};
  }
}

void CmdWinexit(TFmain& e) {
  MessageAnswer answer =
      e.ShowMessage("終了しますか？", "終了", MessageIcon::Question, MessageButtons::OkCancel);
  if (answer != MessageAnswer::Ok) return;
  e.SaveOnExit();
  throw EngineExit{0};
}

// ---- Flags ----

void CmdFlgclear(TFmain& e) {
  e.flags().clearRange(e.argInt(0), e.arg(1));
  e.tools().FlagsReloaded();
}

void CmdFlginstr(TFmain& e) {
  int target = e.evaluator().ReadSubscript(e.arg(0), 1);
  int result = e.evaluator().ReadSubscript(e.arg(1), 1);
  std::int32_t maxLength = e.argInt(4);
  FlagStore& flags = e.flags();
  std::optional<std::string> typed = e.host().inputBox(Cp932ToUtf8(e.arg(2)), Cp932ToUtf8(e.arg(3)),
                                                       Cp932ToUtf8(flags.text(target)));
  if (typed) flags.set(target, Utf8ToCp932(*typed));
  bool fits = maxLength == 0 || static_cast<std::int64_t>(flags.text(target).size()) <=
                                    static_cast<std::int64_t>(maxLength);
  flags.set(result, typed && fits ? "1" : "0");
}

void CmdFlginstrd(TFmain& e) {
  int target = e.evaluator().ReadSubscript(e.arg(0), 1);
  int pos = 1;
  std::string initial = e.evaluator().EvaluateText(e.arg(1), pos);
  std::int32_t maxLength = e.argInt(4);
  FlagStore& flags = e.flags();
  while (true) {
    std::optional<std::string> typed =
        e.host().inputBox(Cp932ToUtf8(e.arg(2)), Cp932ToUtf8(e.arg(3)), Cp932ToUtf8(initial));
    flags.set(target, typed ? Utf8ToCp932(*typed) : initial);
    bool tooLong = maxLength != 0 && static_cast<std::int64_t>(flags.text(target).size()) >
                                         static_cast<std::int64_t>(maxLength);
    // Cancelling keeps the default even when it is too long: asking again could never end.
    if (!tooLong || !typed) break;
  }
}

void CmdFlgclick(TFmain& e) {
  const std::string& ref = e.arg(0);
  FlagStore& flags = e.flags();
  if (ref.empty() || ref == "-1") {
    flags.clickFlag = -1;
    return;
  }
  int index = e.evaluator().ReadSubscript(ref, 1);
  flags.clickFlag = index;
  flags.set(index, "0");
}

}  // namespace qw
