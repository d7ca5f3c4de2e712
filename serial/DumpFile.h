// Writing a dump's text to its file in one piece.
#pragma once

#include <string>

// Writes `text` to `fileName`. When `append` is set and the file exists the
// text is added at its end in a single write; otherwise the text goes to a
// temporary file beside it that then replaces the file, so a reader never
// sees a half-written dump and a failed dump leaves the old file as it was.
// Returns 0, or the negated errno of the failing call.
int WriteDumpFile(const std::string& fileName, const std::string& text, bool append);
