//===- regular_expression.h - Compiled search patterns ----------*- C++ -*-===//
//
// RegularExpression holds a pattern and its compiled byte code, finds the
// first match of the pattern in a text, tests texts against it and replaces
// matches. Used for name filters and searches.
//
// Pattern syntax: an ordinary character stands for itself (case-sensitive);
// "\b \f \n \r \t" are backspace, form feed, line feed, carriage return and
// tab, "\" with one to three octal digits is that character code, "\" with
// any other character is that character; "." is any character; "^" at the
// start of an alternative anchors the match at the start of the text; "$" is
// the end of the text; "[...]" and "[^...]" are a set and a negated set with
// "a-z" ranges (a "-" first or last is literal); "(...)" groups; "a|b" are
// alternatives, of which the one giving the longer match wins; "*", "+" and
// "?" after an element repeat it zero or more times, one or more times, or
// make it optional, trying the most repetitions first.
//
// Compiled code (bytes): 'c' x literal x; '.' any character; '$' end of
// text; '^' start of text; '[' n c1..cn and ']' n c1..cn set and negated set
// of n characters; '*' n code, '+' n code, '?' n code repetition of the
// n-byte code that follows (n <= 254); "|" branch 'e' "|" branch 'e' ...
// branch 'e' alternatives. A whole pattern with one alternative compiles to
// its code followed by 'e'; a group compiles to the list of its inner
// alternatives, or to the code of its only alternative. Compiled code longer
// than 1024 bytes, and groups nested more than 256 deep, are refused: such a
// pattern is invalid.
//
// Searching is safe on several threads at once (each call keeps its own
// state). Backtracking is bounded: one search gives up, and reports no match,
// after MatchStepBase + MatchStepsPerByte x (length searched) steps of the
// matcher, or when it would have to remember more than MaxSavedRepetitions
// ends of repeated groups at once, so no pattern can stall its caller or
// exhaust its memory.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_STRINGS_REGULAR_EXPRESSION_H
#define VYX_STRINGS_REGULAR_EXPRESSION_H

#include "strings/gstring.h"
#include "vyx_base_export.h"

#include <cstddef>
#include <memory>

class opstream;
class ipstream;

namespace vyx {
class RegexProgram;
}

/// A pattern and its compiled form.
class VYX_BASE_API RegularExpression {
public:
  /// The longest compiled code accepted.
  static constexpr unsigned MaxCodeLength = 1024;
  /// The longest code a repetition may repeat.
  static constexpr unsigned MaxRepeatedCode = 254;
  /// Groups nest at most this deep; deeper patterns are invalid.
  static constexpr unsigned MaxGroupDepth = 256;
  /// The step budget of one search: fixed part and part per byte searched.
  static constexpr unsigned long MatchStepBase = 1ul << 20;
  static constexpr unsigned long MatchStepsPerByte = 64;
  /// A search also gives up when it would have to remember the ends of more
  /// repetitions of groups than this at once (8 bytes each).
  static constexpr unsigned long MaxSavedRepetitions = 1ul << 24;

  /// The empty pattern, which matches nothing.
  RegularExpression();
  RegularExpression(const char *pattern);
  RegularExpression(const GString &pattern);
  RegularExpression(const RegularExpression &other) = default;
  RegularExpression &operator=(const RegularExpression &other) = default;
  RegularExpression &operator=(const char *pattern);
  RegularExpression &operator=(const GString &pattern);

  /// The source pattern.
  operator const char *() const { return Source.c_str(); }
  const GString &source() const { return Source; }
  /// The compiled code (may hold NUL bytes: use its length); empty when the
  /// pattern is empty or invalid.
  const GString &code() const { return Code; }
  bool isValid() const { return !Code.isEmpty(); }

  /// Compiles the source. Returns the code, or null (and empties it) for an
  /// empty or invalid pattern.
  const char *MakePattern();

  /// The first match in `text`: its start and length. False, with 0 and 0,
  /// when there is none (always for a null or empty text or an invalid
  /// pattern).
  bool index(const char *text, int &start, int &length) const;
  /// The first match that starts at or after `from` in the `size` bytes of
  /// `text` ("^" still anchors at text[0]). False when there is none.
  bool find(const char *text, std::size_t size, std::size_t from, std::size_t &start,
            std::size_t &length) const;

  /// True when the pattern matches somewhere in `text`.
  bool operator==(const char *text) const;
  bool operator==(const GString &text) const;
  bool operator!=(const char *text) const { return !(*this == text); }
  bool operator!=(const GString &text) const { return !(*this == text); }

  /// Replaces the first match in `s` (or, with `all`, every match) by `with`
  /// (null counts as ""). Searching goes on after the inserted text, one
  /// character further after an empty match. Returns the position of the
  /// last replacement, -1 when nothing was replaced.
  int replace_substring(GString &s, const char *with, bool all) const;

  /// True when `text` holds any of ? * + . [ ] ^ $ \ ( ) |, that is when it
  /// must be read as a pattern rather than as a plain name.
  static bool IsIt(const char *text);

private:
  GString Source;
  GString Code;
  /// The structure of Code the matcher works with, shared by copies.
  std::shared_ptr<const vyx::RegexProgram> Compiled;
};

/// Stream form: a byte 0, then the source as a string; the reader compiles
/// it.
VYX_BASE_API opstream &operator<<(opstream &os, const RegularExpression &re);
VYX_BASE_API ipstream &operator>>(ipstream &is, RegularExpression &re);

#endif // VYX_STRINGS_REGULAR_EXPRESSION_H
