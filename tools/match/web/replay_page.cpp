// The replay page: replay.html with its style sheet, its script and the game's data written in,
// so that the page needs nothing else.
#include "match/web/page_files.h"
#include "match/web/replay.h"

namespace match {

std::string ReplayPage(const std::string& data_json) {
    std::string page = InlineStyle(std::string(PageFile("replay.html")), "replay.css");
    page = InlineScript(std::move(page), "replay.js");
    return FillPlaceholder(std::move(page), "{{data}}", data_json);
}

}  // namespace match
