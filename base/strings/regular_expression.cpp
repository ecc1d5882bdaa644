//===- regular_expression.cpp - Compiled search patterns -----------------===//
//
// The compiler is a recursive descent over the pattern that emits the byte
// code described in the header. The matcher walks that code with
// backtracking. Before a search the code is scanned once into a Program:
// where each alternative and each list of alternatives ends, a bitmap per
// character set, and the characters a match can begin with, so that start
// positions that cannot match are skipped without running the matcher.
//
//===----------------------------------------------------------------------===//

#include "strings/regular_expression.h"

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Operation codes of the compiled form.
constexpr unsigned char kLiteral = 'c';
constexpr unsigned char kAny = '.';
constexpr unsigned char kEndOfText = '$';
constexpr unsigned char kStartOfText = '^';
constexpr unsigned char kSet = '[';
constexpr unsigned char kNegatedSet = ']';
constexpr unsigned char kStar = '*';
constexpr unsigned char kPlus = '+';
constexpr unsigned char kOptional = '?';
constexpr unsigned char kAlternative = '|';
constexpr unsigned char kBranchEnd = 'e';

constexpr unsigned kMaxSetSize = 255;

//===----------------------------------------------------------------------===//
// Compiler
//===----------------------------------------------------------------------===//

class Compiler {
public:
  Compiler(const char *source, std::size_t size) : Src(source), Size(size) {}

  /// Compiles the whole source into `code`; false when it is invalid.
  bool compile(std::string &code) {
    return alternatives(code, /*group=*/false) && Pos == Size &&
           code.size() <= RegularExpression::MaxCodeLength;
  }

private:
  int peek() const { return Pos < Size ? static_cast<unsigned char>(Src[Pos]) : -1; }
  bool tooLong(const std::string &code) const {
    return code.size() > RegularExpression::MaxCodeLength;
  }

  /// A list of alternatives. A group with a single alternative compiles to
  /// that alternative's code alone: a branch end there would be taken for
  /// the end of an enclosing alternative.
  bool alternatives(std::string &out, bool group) {
    if (group && ++Depth > RegularExpression::MaxGroupDepth)
      return false;
    std::string branch;
    if (!alternative(branch))
      return false;
    bool several = false;
    while (peek() == '|') {
      out += static_cast<char>(kAlternative);
      out += branch;
      out += static_cast<char>(kBranchEnd);
      if (tooLong(out))
        return false;
      ++Pos;
      branch.clear();
      if (!alternative(branch))
        return false;
      several = true;
    }
    out += branch;
    if (several || !group)
      out += static_cast<char>(kBranchEnd);
    if (group)
      --Depth;
    return !tooLong(out);
  }

  /// An optional leading '^', then elements up to the next character that
  /// cannot begin one.
  bool alternative(std::string &out) {
    if (peek() == '^') {
      out += static_cast<char>(kStartOfText);
      ++Pos;
    }
    for (;;) {
      switch (peek()) {
      case -1:
      case '^':
      case '|':
      case ')':
      case ']':
      case '+':
      case '?':
      case '*':
        return true;
      default:
        if (!element(out) || tooLong(out))
          return false;
      }
    }
  }

  /// One element and the repetition that may follow it.
  bool element(std::string &out) {
    std::size_t begin = out.size();
    char ch = Src[Pos++];
    switch (ch) {
    case '$':
    case '.':
      out += ch;
      break;
    case '(':
      if (!alternatives(out, /*group=*/true) || peek() != ')')
        return false;
      ++Pos;
      break;
    case '[':
      if (!set(out) || peek() != ']')
        return false;
      ++Pos;
      break;
    case '\\': {
      char escaped;
      if (!escape(escaped))
        return false;
      out += static_cast<char>(kLiteral);
      out += escaped;
      break;
    }
    case ')':
    case '*':
    case '+':
    case '?':
    case ']':
    case '^':
    case '|':
      return false;
    default:
      out += static_cast<char>(kLiteral);
      out += ch;
      break;
    }
    int next = peek();
    if (next == '*' || next == '+' || next == '?') {
      std::size_t length = out.size() - begin;
      if (length > RegularExpression::MaxRepeatedCode)
        return false;
      char head[2] = {static_cast<char>(next), static_cast<char>(length)};
      out.insert(begin, head, 2);
      ++Pos;
    }
    return true;
  }

  /// The character after a '\' (the cursor stands on it).
  bool escape(char &result) {
    if (Pos >= Size)
      return false;
    char ch = Src[Pos++];
    switch (ch) {
    case 'b':
      result = '\b';
      return true;
    case 'f':
      result = '\f';
      return true;
    case 'n':
      result = '\n';
      return true;
    case 'r':
      result = '\r';
      return true;
    case 't':
      result = '\t';
      return true;
    default:
      break;
    }
    if (ch >= '0' && ch <= '7') {
      unsigned value = static_cast<unsigned>(ch - '0');
      for (int digits = 1; digits < 3 && Pos < Size && Src[Pos] >= '0' && Src[Pos] <= '7'; ++digits)
        value = value * 8 + static_cast<unsigned>(Src[Pos++] - '0');
      result = static_cast<char>(value & 0xFF);
      return true;
    }
    result = ch;
    return true;
  }

  bool setCharacter(char &result) {
    char ch = Src[Pos++];
    if (ch == '\\')
      return escape(result);
    result = ch;
    return true;
  }

  /// The inside of "[...]": a count byte and the characters. A range x-y
  /// adds the characters after the previous one up to y, compared as signed
  /// bytes.
  bool set(std::string &out) {
    bool negated = peek() == '^';
    if (negated)
      ++Pos;
    std::string chars;
    bool first = true;
    while (Pos < Size && Src[Pos] != ']') {
      char ch;
      if (Src[Pos] == '-' && !first && Pos + 1 < Size && Src[Pos + 1] != ']') {
        ++Pos;
        if (!setCharacter(ch))
          return false;
        int from = static_cast<signed char>(chars.back()) + 1;
        int to = static_cast<signed char>(ch);
        for (int value = from; value <= to; ++value) {
          chars += static_cast<char>(value);
          if (chars.size() > kMaxSetSize)
            return false;
        }
      } else {
        if (!setCharacter(ch))
          return false;
        chars += ch;
      }
      first = false;
      if (chars.size() > kMaxSetSize)
        return false;
    }
    out += static_cast<char>(negated ? kNegatedSet : kSet);
    out += static_cast<char>(chars.size());
    out += chars;
    return true;
  }

  const char *Src;
  std::size_t Size;
  std::size_t Pos = 0;
  unsigned Depth = 0;
};

//===----------------------------------------------------------------------===//
// Program: the structure of compiled code
//===----------------------------------------------------------------------===//

/// 256 bits, one per character.
struct CharSet {
  std::array<uint64_t, 4> Bits{};
  void add(unsigned char ch) { Bits[ch >> 6] |= uint64_t(1) << (ch & 63); }
  bool has(unsigned char ch) const { return (Bits[ch >> 6] >> (ch & 63)) & 1; }
  void invert() {
    for (uint64_t &word : Bits)
      word = ~word;
  }
  void merge(const CharSet &other) {
    for (int i = 0; i < 4; ++i)
      Bits[i] |= other.Bits[i];
  }
  int count() const {
    int n = 0;
    for (uint64_t word : Bits)
      n += __builtin_popcountll(word);
    return n;
  }
};

} // namespace

/// Compiled code with what the matcher needs to know about its structure.
/// Built once per compiled pattern and never changed, so searches on
/// several threads share it. The code comes from the compiler above, so it
/// is well formed.
class vyx::RegexProgram {
public:
  explicit RegexProgram(const GString &code)
      : Text(code), Code(reinterpret_cast<const unsigned char *>(Text.c_str())),
        Size(Text.length()) {
    parseRegion(0, Size);
    Nullable = firstOf(0, Size, First);
    Anchored = Size > 0 && Code[0] == kStartOfText;
    FirstCount = Nullable ? 256 : First.count();
    for (int ch = 0; FirstCount == 1 && ch < 256; ++ch)
      if (First.has(static_cast<unsigned char>(ch)))
        OnlyFirst = static_cast<unsigned char>(ch);
    LeadingRun =
        Size > 2 && (Code[0] == kStar || Code[0] == kPlus) && isSingleCharacter(2, Code[1]);
  }

  const GString Text;
  const unsigned char *Code;
  unsigned Size;
  /// For '|': where the next alternative begins. For 'e': where matching
  /// goes on. For a set: its index in Sets.
  std::array<uint16_t, RegularExpression::MaxCodeLength + 1> Jump{};
  /// For '|': the end of its whole list of alternatives.
  std::array<uint16_t, RegularExpression::MaxCodeLength + 1> ListEnd{};
  std::vector<CharSet> Sets;
  /// The characters a match can begin with, unless it can begin anywhere.
  CharSet First;
  bool Nullable = false;
  /// How many characters can begin a match (256: any, or none at all), and
  /// the one when there is only one.
  int FirstCount = 0;
  unsigned char OnlyFirst = 0;
  /// The code begins with '^': only position 0 can match.
  bool Anchored = false;
  /// The code begins with a repetition of one character item: when a match
  /// starting in a run of such characters fails, every later start in the
  /// same run fails too (it tries a subset of the same continuations).
  bool LeadingRun = false;

  bool isSet(unsigned o) const { return Code[o] == kSet || Code[o] == kNegatedSet; }
  /// True when the `length` bytes of code at o are one item that consumes
  /// exactly one character.
  bool isSingleCharacter(unsigned o, unsigned length) const {
    return (Code[o] == kLiteral && length == 2) || (Code[o] == kAny && length == 1) ||
           (isSet(o) && length == 2u + Code[o + 1]);
  }
  bool accepts(unsigned o, unsigned char ch) const {
    switch (Code[o]) {
    case kLiteral:
      return Code[o + 1] == ch;
    case kAny:
      return true;
    default:
      return Sets[Jump[o]].has(ch);
    }
  }

private:
  unsigned parseItem(unsigned o) {
    switch (Code[o]) {
    case kLiteral:
      return o + 2;
    case kSet:
    case kNegatedSet: {
      CharSet set;
      for (unsigned i = 0; i < Code[o + 1]; ++i)
        set.add(Code[o + 2 + i]);
      if (Code[o] == kNegatedSet)
        set.invert();
      Jump[o] = static_cast<uint16_t>(Sets.size());
      Sets.push_back(set);
      return o + 2 + Code[o + 1];
    }
    case kStar:
    case kPlus:
    case kOptional:
      parseRegion(o + 2, o + 2 + Code[o + 1]);
      return o + 2 + Code[o + 1];
    case kAlternative:
      return parseList(o);
    default: // '.', '$', '^'
      return o + 1;
    }
  }

  /// The items of [o, end); a branch end there closes the whole pattern.
  void parseRegion(unsigned o, unsigned end) {
    while (o < end) {
      if (Code[o] == kBranchEnd) {
        Jump[o] = static_cast<uint16_t>(o + 1);
        ++o;
      } else {
        o = parseItem(o);
      }
    }
  }

  /// The items of one alternative; returns the offset of its branch end.
  unsigned parseBranch(unsigned o) {
    while (Code[o] != kBranchEnd)
      o = parseItem(o);
    return o;
  }

  unsigned parseList(unsigned o) {
    unsigned first = o;
    std::vector<unsigned> ends;
    while (Code[o] == kAlternative) {
      unsigned end = parseBranch(o + 1);
      Jump[o] = static_cast<uint16_t>(end + 1);
      ends.push_back(end);
      o = end + 1;
    }
    unsigned end = parseBranch(o);
    ends.push_back(end);
    unsigned after = end + 1;
    for (unsigned e : ends)
      Jump[e] = static_cast<uint16_t>(after);
    for (unsigned a = first; Code[a] == kAlternative; a = Jump[a])
      ListEnd[a] = static_cast<uint16_t>(after);
    return after;
  }

  /// Adds to `set` the characters a match of the code from o to `stop` (or
  /// to the end of the alternative it is in) can begin with. True when that
  /// code can match without consuming a character, so a match may begin
  /// with any character.
  bool firstOf(unsigned o, unsigned stop, CharSet &set) const {
    for (;;) {
      if (o >= stop)
        return true;
      switch (Code[o]) {
      case kLiteral:
        set.add(Code[o + 1]);
        return false;
      case kAny:
        set.Bits.fill(~uint64_t(0));
        return false;
      case kSet:
      case kNegatedSet:
        set.merge(Sets[Jump[o]]);
        return false;
      case kStartOfText:
        ++o;
        break;
      case kStar:
      case kOptional:
        firstOf(o + 2, o + 2 + Code[o + 1], set);
        o += 2u + Code[o + 1];
        break;
      case kPlus:
        if (!firstOf(o + 2, o + 2 + Code[o + 1], set))
          return false;
        o += 2u + Code[o + 1];
        break;
      case kAlternative: {
        bool nullable = false;
        unsigned branch = o;
        for (; Code[branch] == kAlternative; branch = Jump[branch])
          nullable |= firstOf(branch + 1, UINT_MAX, set);
        nullable |= firstOf(branch, UINT_MAX, set);
        if (!nullable)
          return false;
        o = ListEnd[o];
        break;
      }
      default: // '$' and a branch end
        return true;
      }
    }
  }
};

//===----------------------------------------------------------------------===//
// Matcher
//===----------------------------------------------------------------------===//

namespace {

using Program = vyx::RegexProgram;

/// The backtracking matcher over one text. Results are end positions of a
/// match, -1 for none. Each call moves forward in the code, so the
/// recursion is as deep as the code is long at most.
class Matcher {
public:
  Matcher(const Program &program, unsigned long budget) : P(program), Budget(budget) {}

  void setText(const unsigned char *text, std::ptrdiff_t size) {
    Text = text;
    End = size;
  }
  void addBudget(unsigned long steps) { Budget += steps; }

  /// The first match starting at or after `from`.
  bool find(std::ptrdiff_t from, std::ptrdiff_t &start, std::ptrdiff_t &end) {
    if (P.Anchored && from > 0)
      return false;
    std::ptrdiff_t last = P.Anchored ? std::min<std::ptrdiff_t>(End, 1) : End;
    const int firstCount = P.FirstCount;
    for (std::ptrdiff_t p = from; p < last; ++p) {
      if (firstCount == 0)
        return false;
      if (firstCount == 1) {
        const void *hit = std::memchr(Text + p, P.OnlyFirst, static_cast<std::size_t>(last - p));
        if (!hit)
          return false;
        p = static_cast<const unsigned char *>(hit) - Text;
      } else if (firstCount < 256) {
        while (p < last && !P.First.has(Text[p]))
          ++p;
        if (p == last)
          return false;
      }
      MatchStart = p;
      std::ptrdiff_t r = run(0, p, P.Size);
      if (GaveUp)
        return false;
      if (r >= 0) {
        start = p;
        end = r;
        return true;
      }
      if (P.LeadingRun) {
        std::ptrdiff_t q = p;
        while (q < last && P.accepts(2, Text[q]))
          ++q;
        // '*' at the end of the run tried the rest there already.
        if (P.Code[0] == kStar)
          p = q;
        else if (q > p)
          p = q - 1;
      }
    }
    return false;
  }

private:
  bool step(unsigned long n = 1) {
    Steps += n;
    if (Steps > Budget)
      GaveUp = true;
    return !GaveUp;
  }

  /// Matches the code from o at text position p; the match is complete when
  /// the code reaches scopeEnd (the end of the code, or of the repeated code
  /// being matched on its own).
  std::ptrdiff_t run(unsigned o, std::ptrdiff_t p, unsigned scopeEnd) {
    const unsigned char *code = P.Code;
    for (;;) {
      if (o == scopeEnd)
        return p;
      if (!step())
        return -1;
      switch (code[o]) {
      case kLiteral:
        if (p < End && Text[p] == code[o + 1]) {
          ++p;
          o += 2;
          continue;
        }
        return -1;
      case kAny:
        if (p < End) {
          ++p;
          ++o;
          continue;
        }
        return -1;
      case kEndOfText:
        if (p == End) {
          ++o;
          continue;
        }
        return -1;
      case kStartOfText:
        if (MatchStart == 0) {
          ++o;
          continue;
        }
        return -1;
      case kSet:
      case kNegatedSet:
        if (p < End && P.Sets[P.Jump[o]].has(Text[p])) {
          ++p;
          o += 2u + code[o + 1];
          continue;
        }
        return -1;
      case kBranchEnd:
        o = P.Jump[o];
        continue;
      case kOptional: {
        std::ptrdiff_t r = run(o + 2, p, scopeEnd);
        if (r >= 0 || GaveUp)
          return r;
        o += 2u + code[o + 1];
        continue;
      }
      case kAlternative: {
        // The first alternative with everything after the list; if it does
        // not reach the end of the text, the longer of it and the rest wins.
        std::ptrdiff_t first = run(o + 1, p, scopeEnd);
        if (GaveUp)
          return -1;
        if (first == End)
          return first;
        std::ptrdiff_t other = run(P.Jump[o], p, scopeEnd);
        if (GaveUp)
          return -1;
        return other > first ? other : first;
      }
      default: // '*' and '+'
        return repeat(o, p, scopeEnd);
      }
    }
  }

  /// '*' or '+': the repeated code is matched on its own as often as it
  /// matches and consumes something; then the rest is tried after the most
  /// repetitions first, down to none ('*') or one ('+').
  std::ptrdiff_t repeat(unsigned o, std::ptrdiff_t p, unsigned scopeEnd) {
    const unsigned char *code = P.Code;
    bool plus = code[o] == kPlus;
    unsigned length = code[o + 1];
    unsigned sub = o + 2;
    unsigned rest = sub + length;
    if (P.isSingleCharacter(sub, length)) {
      std::ptrdiff_t q = p;
      while (q < End && P.accepts(sub, Text[q]))
        ++q;
      if (!step(static_cast<unsigned long>(q - p)))
        return -1;
      std::ptrdiff_t least = plus ? p + 1 : p;
      // When the rest begins with a literal, only positions holding it can
      // continue.
      int literal = rest != scopeEnd && code[rest] == kLiteral ? code[rest + 1] : -1;
      for (std::ptrdiff_t k = q; k >= least; --k) {
        if (literal >= 0 && (k == End || Text[k] != literal))
          continue;
        std::ptrdiff_t r = run(rest, k, scopeEnd);
        if (r >= 0 || GaveUp)
          return r;
      }
      return -1;
    }
    std::size_t base = Positions.size();
    Positions.push_back(p);
    std::ptrdiff_t q = p;
    bool firstEmpty = false;
    for (;;) {
      std::ptrdiff_t r = run(sub, q, rest);
      if (GaveUp) {
        Positions.resize(base);
        return -1;
      }
      if (r < 0 && q == p && plus) {
        Positions.resize(base);
        return -1;
      }
      if (r == p && q == p)
        firstEmpty = true;
      // A repetition that consumed nothing ends the repeating.
      if (r < 0 || r == q)
        break;
      q = r;
      Positions.push_back(q);
      if (Positions.size() > RegularExpression::MaxSavedRepetitions) {
        GaveUp = true;
        Positions.resize(base);
        return -1;
      }
    }
    std::size_t lowest = base + (plus && !firstEmpty ? 1 : 0);
    std::ptrdiff_t result = -1;
    for (std::size_t i = Positions.size(); i-- > lowest;) {
      std::ptrdiff_t r = run(rest, Positions[i], scopeEnd);
      if (r >= 0 || GaveUp) {
        result = r;
        break;
      }
    }
    Positions.resize(base);
    return result;
  }

  const Program &P;
  const unsigned char *Text = nullptr;
  std::ptrdiff_t End = 0;
  std::ptrdiff_t MatchStart = 0;
  unsigned long Steps = 0;
  unsigned long Budget;
  bool GaveUp = false;
  /// End positions of the repetitions of the '*' and '+' being matched.
  std::vector<std::ptrdiff_t> Positions;
};

unsigned long BudgetFor(std::size_t bytes) {
  return static_cast<unsigned long>(bytes) * RegularExpression::MatchStepsPerByte;
}

} // namespace

//===----------------------------------------------------------------------===//
// RegularExpression
//===----------------------------------------------------------------------===//

RegularExpression::RegularExpression() = default;

RegularExpression::RegularExpression(const char *pattern) : Source(pattern) { MakePattern(); }

RegularExpression::RegularExpression(const GString &pattern) : Source(pattern) { MakePattern(); }

RegularExpression &RegularExpression::operator=(const char *pattern) {
  Source = pattern;
  MakePattern();
  return *this;
}

RegularExpression &RegularExpression::operator=(const GString &pattern) {
  Source = pattern;
  MakePattern();
  return *this;
}

const char *RegularExpression::MakePattern() {
  std::string code;
  Compiler compiler(Source.c_str(), Source.length());
  Compiled.reset();
  if (Source.isEmpty() || !compiler.compile(code)) {
    Code.empty();
    return nullptr;
  }
  // Code never begins with a NUL byte, so all of it is kept.
  Code = GString(code.data(), static_cast<unsigned>(code.size()));
  Compiled = std::make_shared<const vyx::RegexProgram>(Code);
  return Code.c_str();
}

bool RegularExpression::find(const char *text, std::size_t size, std::size_t from,
                             std::size_t &start, std::size_t &length) const {
  if (!Compiled || !text || from >= size || size > static_cast<std::size_t>(PTRDIFF_MAX))
    return false;
  Matcher matcher(*Compiled, MatchStepBase + BudgetFor(size - from));
  matcher.setText(reinterpret_cast<const unsigned char *>(text), static_cast<std::ptrdiff_t>(size));
  std::ptrdiff_t s, e;
  if (!matcher.find(static_cast<std::ptrdiff_t>(from), s, e))
    return false;
  start = static_cast<std::size_t>(s);
  length = static_cast<std::size_t>(e - s);
  return true;
}

bool RegularExpression::index(const char *text, int &start, int &length) const {
  start = 0;
  length = 0;
  if (!text)
    return false;
  // Positions are ints: a longer text is searched in its first INT_MAX bytes.
  std::size_t size = strnlen(text, static_cast<std::size_t>(INT_MAX));
  std::size_t s, n;
  if (!find(text, size, 0, s, n))
    return false;
  start = static_cast<int>(s);
  length = static_cast<int>(n);
  return true;
}

bool RegularExpression::operator==(const char *text) const {
  int start, length;
  return index(text, start, length);
}

bool RegularExpression::operator==(const GString &text) const {
  std::size_t start, length;
  return find(text.c_str(), text.length(), 0, start, length);
}

int RegularExpression::replace_substring(GString &s, const char *with, bool all) const {
  if (!Compiled || s.isEmpty())
    return -1;
  if (!with)
    with = "";
  const std::size_t withLength = std::strlen(with);
  // One budget for the whole call, grown by the text each replacement adds.
  Matcher matcher(*Compiled, MatchStepBase + BudgetFor(s.length()));
  int last = -1;
  std::size_t from = 0;
  for (;;) {
    std::size_t size = s.length();
    if (from >= size || size > static_cast<std::size_t>(INT_MAX))
      break;
    matcher.setText(reinterpret_cast<const unsigned char *>(s.c_str()),
                    static_cast<std::ptrdiff_t>(size));
    std::ptrdiff_t start, end;
    if (!matcher.find(static_cast<std::ptrdiff_t>(from), start, end))
      break;
    s.replace(static_cast<unsigned>(start), static_cast<unsigned>(end), with);
    last = static_cast<int>(start);
    if (!all)
      break;
    from = static_cast<std::size_t>(start) + withLength;
    // After an empty match the search resumes one character further, or it
    // would find the same empty match again forever.
    if (end == start)
      ++from;
    matcher.addBudget(BudgetFor(withLength));
  }
  return last;
}

bool RegularExpression::IsIt(const char *text) {
  return text && std::strpbrk(text, "?*+.[]^$\\()|") != nullptr;
}
