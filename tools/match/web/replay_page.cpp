// The replay page: replay.html with its style sheet, its script and the game's data written in,
// so that the page needs nothing else.
#include <string>

#include "match/json/writer.h"
#include "match/web/chart.h"
#include "match/web/line_chart.h"
#include "match/web/page_files.h"
#include "match/web/palette.h"
#include "match/web/replay.h"

namespace match {
namespace {

// What the page's script draws its money chart with: the palette and ticks of the SVG chart.
std::string ChartStyle() {
    return "{\"grid\":" + JsonQuoteForScript(kChartGridColour) + ",\"ink\":" + JsonQuoteForScript(kChartInkColour) +
           ",\"value_ticks\":" + std::to_string(kChartValueTicks) +
           ",\"flat_money_span\":" + std::to_string(kFlatMoneySpan) + "}";
}

}  // namespace

std::string ReplayPage(const std::string& data_json) {
    std::string page = InlineStyle(std::string(PageFile("replay.html")), "replay.css");
    page = InlineScript(std::move(page), "replay.js");
    page = FillPlaceholder(std::move(page), "{{chart_style}}", ChartStyle());
    return FillPlaceholder(std::move(page), "{{data}}", data_json);
}

}  // namespace match
