// The page files of this folder (replay.html, replay.css, replay.js, report.html, report.css), built
// into the program byte for byte by cmake/embed_files.cmake, so that a written page needs nothing
// beside it and the files can be edited, opened and linted as what they are.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace match {

// The text of the page file `name` ("replay.js"); a name that is not built in is a programming
// error and throws std::logic_error.
std::string_view PageFile(std::string_view name);

// The names of every built-in page file.
std::vector<std::string_view> PageFileNames();

// `page` with `placeholder` (which must occur exactly once) replaced by `text`: how the C++ fills
// in a page file's data and writes its style sheet and script inline.
std::string FillPlaceholder(std::string page, std::string_view placeholder, std::string_view text);

// `page` with its <link rel="stylesheet" href="NAME"> or <script src="NAME"></script> replaced
// by the built-in file NAME inside a <style> or <script> element.
std::string InlineStyle(std::string page, std::string_view name);
std::string InlineScript(std::string page, std::string_view name);

}  // namespace match
