#pragma once
// Rewriting an ignore pattern (a glob) into the text of an ECMAScript
// regular expression, for the rule-file compiler.

#include <string>

namespace quorvel::filesystem {

// Replaces `pattern` by its expression text: each "**/" becomes "(.*\/|)"
// (no or any leading folders) and the stretches between them are rewritten
// by `translate_piece`. Occurrences are found from the left without overlap,
// so "***/x" is the piece "*" before one "**/". An empty pattern stays empty.
// This is text substitution, not parsing: the result may be an invalid
// expression, which only compiling it reveals.
void translate_pattern(std::wstring& pattern);

// Replaces `piece` (a stretch without "**/") by its expression text: each
// "*" becomes "[^\/]*" (a run within one path component); between the stars
// "." becomes "\.", "/" becomes "\/", "+" becomes "\+", "?" becomes "." and
// "!" becomes "^", in that order, so the "." made from "?" stays a wildcard.
// Every other character, a backslash included, passes through unchanged and
// keeps its meaning in the expression.
void translate_piece(std::wstring& piece);

}  // namespace quorvel::filesystem
