#include "state/expr.h"

#include <array>
#include <cmath>
#include <limits>

#include "platform/cp932.h"
#include "platform/errors.h"

namespace qw {
namespace {

constexpr int kFailBadReference = -1;
constexpr int kFailBadGroup = -3;
constexpr int kFailBadNegation = -4;
constexpr int kFailBadCharacter = -6;

constexpr int kStackSize = 32;
// Deeper nesting than any script needs; guards the recursion against hostile text.
constexpr int kMaxDepth = 200;

enum class CharClass : std::uint8_t { None, Operator, Name };

const std::array<CharClass, 256>& ClassTable() {
  static const std::array<CharClass, 256> table = [] {
    std::array<CharClass, 256> t{};
    for (unsigned char c : std::string_view("+-*/%^~|&!<>=")) t[c] = CharClass::Operator;
    for (unsigned char c : std::string_view("#$:;_.?")) t[c] = CharClass::Name;
    return t;
  }();
  return table;
}

bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

unsigned char ByteAt(std::string_view text, int pos) {
  return static_cast<unsigned char>(text[static_cast<std::size_t>(pos - 1)]);
}

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// What an operator does; Unknown stands for the single "!", "=" that are read as operators
// and refused when applied.
enum class OpKind : std::uint8_t {
  And, Or, Xor, Power, Mul, Div, Mod, Add, Sub, Less, Greater, LessEq, GreaterEq, Equal,
  NotEqual, Unknown
};

// Plain data, so that the evaluator's operator stack costs nothing to set up: it runs for
// every subscript of every line.
struct Operator {
  const char* text;  // into the expression, for the message about an unknown one
  std::uint8_t length;  // 0: no operator
  OpKind kind;
  std::int8_t precedence;
};

// The operator at `pos` (one or two bytes), or one of length 0. A double-byte character is
// never an operator.
Operator OperatorAt(std::string_view text, int pos) {
  int len = static_cast<int>(text.size());
  const char* at = text.data() + (pos - 1);
  unsigned char c = ByteAt(text, pos);
  if (pos < len) {
    unsigned char d = ByteAt(text, pos + 1);
    if (IsLeadByte(c) && IsTrailByte(d)) return {at, 0, OpKind::Unknown, -1};
    if (d == '=' || (c == '=' && (d == '<' || d == '>'))) {
      switch (c) {
        case '<': return {at, 2, OpKind::LessEq, 2};
        case '>': return {at, 2, OpKind::GreaterEq, 2};
        case '!': return {at, 2, OpKind::NotEqual, 2};
        case '=': return {at, 2, d == '<' ? OpKind::LessEq : d == '>' ? OpKind::GreaterEq
                                                                      : OpKind::Equal, 2};
        default: break;
      }
    }
  }
  if (ClassTable()[c] != CharClass::Operator) return {at, 0, OpKind::Unknown, -1};
  switch (c) {
    case '^': return {at, 1, OpKind::Power, 5};
    case '*': return {at, 1, OpKind::Mul, 4};
    case '/': return {at, 1, OpKind::Div, 4};
    case '%': return {at, 1, OpKind::Mod, 4};
    case '+': return {at, 1, OpKind::Add, 3};
    case '-': return {at, 1, OpKind::Sub, 3};
    case '&': return {at, 1, OpKind::And, 1};
    case '|': return {at, 1, OpKind::Or, 1};
    case '~': return {at, 1, OpKind::Xor, 1};
    case '<': return {at, 1, OpKind::Less, 2};
    case '>': return {at, 1, OpKind::Greater, 2};
    default: return {at, 1, OpKind::Unknown, 2};
  }
}

std::int32_t Wrap(std::int64_t v) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

std::int32_t Power(std::int32_t base, std::int32_t exponent) {
  double r = std::pow(static_cast<double>(base), static_cast<double>(exponent));
  // Out of range gives the processor's "integer indefinite", as a truncating conversion does.
  if (!std::isfinite(r) || std::fabs(r) >= 9.2e18) return std::numeric_limits<std::int32_t>::min();
  return Wrap(static_cast<std::int64_t>(r));
}

// Reads a run of decimal digits as the platform's conversion does.
std::int32_t DigitValue(std::string_view digits) { return StrToInt(digits); }

}  // namespace

Evaluator::Reference Evaluator::ReadReference(std::string_view text, int pos, int depth) {
  Reference ref;
  int len = static_cast<int>(text.size());
  if (pos < 1 || pos + 4 > len) return ref;
  std::string_view prefix = text.substr(static_cast<std::size_t>(pos - 1), 4);
  if (prefix == "$flg") ref.kind = 'f';
  else if (prefix == "@flg") ref.kind = 't';
  else if (prefix == "$sys") ref.kind = 's';
  else return ref;
  if (ByteAt(text, pos + 4) != '[') return ref;
  Result sub = ParseLevel(text, pos + 5, depth + 1);
  if (sub.pos < 0) {
    ref.failure = sub.pos;
    return ref;
  }
  int end = sub.pos;
  if (end <= len && ByteAt(text, end) == ']') ++end;
  int limit = ref.kind == 's' ? 64 : FlagStore::kCount;
  ref.index = sub.value;
  ref.end = end;
  ref.valid = sub.value >= 0 && sub.value < limit;
  return ref;
}

Evaluator::Result Evaluator::Parse(std::string_view text, int pos) {
  return ParseLevel(text, pos, 0);
}

Evaluator::Result Evaluator::ParseLevel(std::string_view text, int p, int depth) {
  const int len = static_cast<int>(text.size());
  if (p < 1 || p > len) return {0, p};
  if (depth > kMaxDepth) return {0, kFailBadGroup};

  // Left uninitialised: only pushed entries are read.
  std::array<std::int32_t, kStackSize> operands;
  int operandCount = 0;
  std::array<Operator, kStackSize + 1> operators;
  int operatorCount = 0;
  bool haveOperand = false;
  int failure = 0;

  auto push = [&](std::int32_t v) {
    if (operandCount == kStackSize) {
      failure = kFailBadCharacter;
      return;
    }
    operands[static_cast<std::size_t>(operandCount++)] = v;
    haveOperand = true;
  };
  auto applyTop = [&] {
    Operator op = operators[static_cast<std::size_t>(--operatorCount)];
    // A missing operand counts as 0, which is what makes a leading "+" work.
    std::int32_t right = operandCount > 0 ? operands[static_cast<std::size_t>(--operandCount)] : 0;
    std::int32_t left = operandCount > 0 ? operands[static_cast<std::size_t>(--operandCount)] : 0;
    std::int32_t r = 0;
    switch (op.kind) {
      case OpKind::And: r = left & right; break;
      case OpKind::Or: r = left | right; break;
      case OpKind::Xor: r = left ^ right; break;
      case OpKind::Power: r = Power(left, right); break;
      case OpKind::Mul: r = Wrap(static_cast<std::int64_t>(left) * right); break;
      case OpKind::Add: r = Wrap(static_cast<std::int64_t>(left) + right); break;
      case OpKind::Sub: r = Wrap(static_cast<std::int64_t>(left) - right); break;
      case OpKind::Div:
      case OpKind::Mod:
        if (right == 0) throw FrameworkError("Division by zero");
        if (left == std::numeric_limits<std::int32_t>::min() && right == -1) {
          throw FrameworkError("Integer overflow");
        }
        r = op.kind == OpKind::Div ? left / right : left % right;
        break;
      case OpKind::Less: r = left < right; break;
      case OpKind::Greater: r = left > right; break;
      case OpKind::LessEq: r = left <= right; break;
      case OpKind::GreaterEq: r = left >= right; break;
      case OpKind::Equal: r = left == right; break;
      case OpKind::NotEqual: r = left != right; break;
      case OpKind::Unknown:
        reporter_.scriptError("演算子が異常です:" + std::string(op.text, op.length),
                              MessageIcon::Warning);
        r = 0;
        break;
    }
    operands[static_cast<std::size_t>(operandCount++)] = r;
  };
  // Reads a `$` reference, a digit run or a group at q; the value, and q after it.
  auto operandAt = [&](int q, std::int32_t& value) -> int {
    unsigned char c = ByteAt(text, q);
    if (c == '$') {
      Reference ref = ReadReference(text, q, depth);
      if (!ref.valid || ref.kind == 't') return kFailBadReference;
      value = ref.kind == 's' ? sys_.systemValue(ref.index) : flags_.integer(ref.index);
      return ref.end;
    }
    if (IsDigit(c)) {
      int e = q;
      while (e <= len && IsDigit(ByteAt(text, e))) ++e;
      value = DigitValue(text.substr(static_cast<std::size_t>(q - 1), static_cast<std::size_t>(e - q)));
      return e;
    }
    if (c == '(') {
      Result group = ParseLevel(text, q + 1, depth + 1);
      if (group.pos < 0) return kFailBadGroup;
      value = group.value;
      return group.pos;
    }
    return 0;
  };

  while (p <= len) {
    unsigned char c = ByteAt(text, p);
    if (c == ']' || c == ')' || c == ':') {
      ++p;
      break;
    }
    int q = p;
    std::int32_t value = 0;
    if (c == '$' || IsDigit(c) || c == '(') {
      q = operandAt(p, value);
      if (q < 0) return {0, c == '(' ? kFailBadGroup : q};
      push(value);
    } else if (c == '-' && !haveOperand) {
      if (p + 1 > len) return {0, kFailBadNegation};
      q = operandAt(p + 1, value);
      if (q <= 0) return {0, kFailBadNegation};
      push(Wrap(-static_cast<std::int64_t>(value)));
    } else if (Operator op = OperatorAt(text, p); op.length != 0) {
      q = p + op.length;
      while (operatorCount > 0 &&
             operators[static_cast<std::size_t>(operatorCount - 1)].precedence >= op.precedence) {
        applyTop();
      }
      if (operatorCount == kStackSize) return {0, kFailBadCharacter};
      operators[static_cast<std::size_t>(operatorCount++)] = op;
      haveOperand = false;
    } else if (c == ' ') {
      q = p + 1;
    }
    if (failure != 0) return {0, failure};
    if (q == p) return {0, kFailBadCharacter};
    p = q;
  }
  while (operatorCount > 0) applyTop();
  return {operandCount > 0 ? operands[0] : 0, p};
}

void Evaluator::ReportFailure(int code, std::string_view text) {
  reporter_.scriptError(
      "算術エラーが発生しました。コード:" + std::to_string(code) + " 式:" + Cp932ToUtf8(text),
      MessageIcon::Warning);
}

std::int32_t Evaluator::EvaluateArgument(std::string_view text) {
  if (text.empty()) return 0;
  Result r = Parse(text, 1);
  if (r.pos < 0) {
    ReportFailure(r.pos, text);
    return 1;
  }
  return r.value;
}

std::int32_t Evaluator::EvaluateAt(std::string_view text, int& pos) {
  Result r = Parse(text, pos);
  if (r.pos < 0) {
    ReportFailure(r.pos, text);
    return 1;
  }
  pos = r.pos;
  return r.value;
}

std::string Evaluator::EvaluateText(std::string_view text, int& pos) {
  if (pos < 1) return "0";
  int len = static_cast<int>(text.size());
  if (pos + 4 > len || text.substr(static_cast<std::size_t>(pos - 1), 4) != "@flg" ||
      ByteAt(text, pos + 4) != '[') {
    return {};
  }
  int p = pos + 5;
  std::int32_t index = EvaluateAt(text, p);
  if (p <= len && ByteAt(text, p) == ']') ++p;
  pos = p;
  if (index < 0 || index >= FlagStore::kCount) return {};
  return flags_.text(index);
}

int Evaluator::ReadSubscript(std::string_view text, int pos) {
  int len = static_cast<int>(text.size());
  if (pos < 1 || pos + 4 > len) return 0;
  std::string_view prefix = text.substr(static_cast<std::size_t>(pos - 1), 4);
  if (prefix != "$flg" && prefix != "@flg" && prefix != "$sys") return 0;
  if (ByteAt(text, pos + 4) != '[') return 0;
  int p = pos + 5;
  std::int32_t index = EvaluateAt(text, p);
  int limit = prefix == "$sys" ? 64 : FlagStore::kCount;
  if (index < 0 || index >= limit) {
    reporter_.scriptError("フラグの添字が異常です" + Cp932ToUtf8(text));
    return 0;
  }
  return index;
}

}  // namespace qw
