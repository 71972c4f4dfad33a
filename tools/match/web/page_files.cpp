// Fills the page files in: placeholders replaced by data, linked style sheets and scripts written
// inline, so that a page the match writes is one file.
#include "match/web/page_files.h"

#include <stdexcept>

namespace match {

std::string FillPlaceholder(std::string page, std::string_view placeholder, std::string_view text) {
    const std::size_t at = page.find(placeholder);
    if (at == std::string::npos || page.find(placeholder, at + 1) != std::string::npos)
        throw std::logic_error("a page file needs exactly one " + std::string(placeholder));
    return page.replace(at, placeholder.size(), text);
}

std::string InlineStyle(std::string page, std::string_view name) {
    const std::string link = "<link rel=\"stylesheet\" href=\"" + std::string(name) + "\">";
    return FillPlaceholder(std::move(page), link, "<style>\n" + std::string(PageFile(name)) + "</style>");
}

std::string InlineScript(std::string page, std::string_view name) {
    const std::string link = "<script src=\"" + std::string(name) + "\"></script>";
    return FillPlaceholder(std::move(page), link, "<script>\n" + std::string(PageFile(name)) + "</script>");
}

}  // namespace match
