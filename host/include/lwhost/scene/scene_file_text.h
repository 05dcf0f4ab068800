// Pieces of the scene text format shared by its reader and writer.
#pragma once

#include <string>

namespace lwhost::scenetext {

// Walks one line of plug-in section text, keeping the brace depth over lines; skips texts in
// quotes and comments. False with `error` for an unterminated text, a control character in a text
// or an unmatched '}'.
bool scanBraces(const std::string& line, int& depth, std::string& error);

// The first word of a line (after indentation), up to white space or '#'.
std::string firstWord(const std::string& line);

// Lines of `text` (each ending in '\n', the last one too) without the indentation common to
// the lines that are not blank; blank lines become empty.
std::string dedent(const std::string& text);

// A text as the format writes it: quoted, with escapes.
std::string quote(const std::string& text);

// Server names stay bare words when they are simple; anything else is quoted.
std::string word(const std::string& text);

std::string number(double value);
std::string number(float value);

}  // namespace lwhost::scenetext
