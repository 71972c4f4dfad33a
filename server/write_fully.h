// Writing a whole text to a file descriptor, through short writes and interrupted calls: the
// one loop the log file, the results file and the state folder's files share.
#pragma once

#include <cstddef>
#include <string_view>

namespace gs {

// Writes all of text to fd. False when the file takes no more, with errno set (a write that
// takes nothing counts as ENOSPC); written tells how many bytes went in either way, so that a
// caller can cut a partly written line off again.
bool WriteFully(int fd, std::string_view text, std::size_t& written);

}  // namespace gs
