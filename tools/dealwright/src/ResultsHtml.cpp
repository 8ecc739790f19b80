#include "ResultsHtml.h"

#include <fmt/format.h>

#include "ScorePage.h"
#include "Text.h"
#include "Version.h"

namespace dw {
namespace {

// Characters above U+00FF cannot go into the one-byte page the poster merges into, so they
// become references; '>' is written as the entity the reader expects, '|' would end a value.
std::string KeyValue(const std::string& utf8) {
  std::string out;
  for (char32_t c : ToU32(utf8)) {
    if (c == U'>') out += "&gt;";
    else if (c == U'|') out += '/';
    else if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) continue;
    else if (c > 0xFF) out += fmt::format("&#{};", uint32_t(c));
    else AppendUtf8(out, c);
  }
  return out;
}

const char* const kSuitEntity[4] = {"&#9824;", "&#9829;", "&#9830;", "&#9827;"};
const char* const kSuitClass[4] = {"dw-sp", "dw-he", "dw-di", "dw-cl"};

std::string SuitCards(const Hand& hand, int suit) {
  const std::string ranks = SuitText(hand, suit);
  if (ranks.empty()) return "&#8212;";
  std::string out;
  for (char r : ranks) {
    if (!out.empty()) out += ' ';
    out += r == 'T' ? std::string("10") : std::string(1, r);
  }
  return out;
}

std::string HandHtml(const Hand& hand, const char* cls) {
  std::string out = fmt::format("<div class=\"dw-hand {}\">", cls);
  for (int s = 0; s < 4; ++s)
    out += fmt::format("<span class=\"{}\">{}</span> {}{}", kSuitClass[s], kSuitEntity[s], SuitCards(hand, s),
                       s < 3 ? "<br>" : "");
  return out + "</div>\n";
}

void AppendDeal(std::string& out, const Deal& d, bool dda) {
  const bool nsVul = d.Vul == Vulnerability::NorthSouth || d.Vul == Vulnerability::Both;
  const bool ewVul = d.Vul == Vulnerability::EastWest || d.Vul == Vulnerability::Both;
  out += fmt::format("<div class=\"dw-deal\" id=\"board{}\">\n", d.Board);
  out += fmt::format("<div class=\"dw-info\"><b>Board {}</b><br>Dealer: {}<br>Vul: {}</div>\n", d.Board,
                     SeatName(d.Dealer), VulnerabilityName(d.Vul));
  out += HandHtml(d.Hands[0], "dw-north");
  out += HandHtml(d.Hands[3], "dw-west");
  out += fmt::format(
      "<div class=\"dw-compass\"><span class=\"dw-cn{0}\">N {2}</span><span class=\"dw-cw{1}\">W {5}</span>"
      "<span class=\"dw-ce{1}\">E {3}</span><span class=\"dw-cs{0}\">S {4}</span></div>\n",
      nsVul ? " dw-vul" : "", ewVul ? " dw-vul" : "", HighCardPoints(d.Hands[0]), HighCardPoints(d.Hands[1]),
      HighCardPoints(d.Hands[2]), HighCardPoints(d.Hands[3]));
  out += HandHtml(d.Hands[1], "dw-east");
  out += HandHtml(d.Hands[2], "dw-south");
  if (dda && d.DoubleDummy) {
    out += "<table class=\"dw-dd\"><tr><th></th><th>NT</th>";
    for (int s = 0; s < 4; ++s) out += fmt::format("<th class=\"{}\">{}</th>", kSuitClass[s], kSuitEntity[s]);
    out += "</tr>\n";
    for (Seat seat : {Seat::North, Seat::South, Seat::East, Seat::West}) {
      out += fmt::format("<tr><th>{}</th>", SeatLetter(seat));
      for (int strain = 0; strain < 5; ++strain) {
        const int tricks = (*d.DoubleDummy)[size_t(seat)][size_t(strain)];
        out += tricks >= 7 ? fmt::format("<td>{}</td>", tricks - 6) : std::string("<td>-</td>");
      }
      out += "</tr>\n";
    }
    out += "</table>\n";
  }
  out += "</div>\n";
}

void AppendTable(std::string& out, const RankingTable& t) {
  for (size_t i = 0; i < t.Captions.size(); ++i)
    out += i == 0 ? fmt::format("<h2>{}</h2>\n", HtmlEscape(t.Captions[i]))
                  : fmt::format("<p class=\"dw-caption\">{}</p>\n", HtmlEscape(t.Captions[i]));
  out += "<div class=\"dw-scroll\"><table class=\"dw-rank\">\n<thead><tr>";
  for (size_t c = 0; c < t.Columns.size(); ++c)
    out += fmt::format("<th{}>{}</th>", t.Numeric[c] ? " class=\"num\"" : "", HtmlEscape(t.Columns[c]));
  out += "</tr></thead>\n<tbody>\n";
  for (const auto& row : t.Rows) {
    out += "<tr>";
    for (size_t c = 0; c < row.size(); ++c)
      out += fmt::format("<td{}>{}</td>", t.Numeric[c] ? " class=\"num\"" : "", HtmlEscape(row[c]));
    out += "</tr>\n";
  }
  out += "</tbody></table></div>\n";
}

}  // namespace

std::string HeaderKeysLine(const Identification& id) {
  return fmt::format("<!-- EVENT&gt;{}|SESSION&gt;{}|SECTION&gt;{}|DATE&gt;{}|MP LIMITS&gt;{}| -->", KeyValue(id.Event),
                     KeyValue(id.Session), KeyValue(id.Section), KeyValue(id.DateText), KeyValue(id.Limits));
}

const std::string& ResultsCss() {
  static const std::string css = R"(.dw-results{font-family:system-ui,-apple-system,"Segoe UI",Roboto,Helvetica,Arial,sans-serif;
 line-height:1.4;color:#1b1f24;max-width:60em;margin:0 auto;padding:0 .5em;box-sizing:border-box}
.dw-results h1{font-size:1.45em;margin:.6em 0 .1em}
.dw-results .dw-sub{margin:0 0 .6em;font-size:1.05em;color:#444}
.dw-results h2{font-size:1.15em;margin:1.3em 0 .2em}
.dw-results .dw-caption{margin:.1em 0 .4em;color:#444}
.dw-scroll{overflow-x:auto;-webkit-overflow-scrolling:touch;margin:.4em 0 1em}
.dw-rank{border-collapse:collapse;width:100%;font-size:.95em}
.dw-rank th,.dw-rank td{padding:.35em .55em;border-bottom:1px solid #d9dee4;text-align:left;vertical-align:top}
.dw-rank th{background:#eef2f6;font-weight:600;white-space:nowrap}
.dw-rank tbody tr:nth-child(even) td{background:#f8fafb}
.dw-rank .num{text-align:right;white-space:nowrap;font-variant-numeric:tabular-nums}
.dw-results pre{overflow-x:auto;background:#f6f8fa;padding:.6em;font-size:.85em;line-height:1.3}
.dw-deals{display:grid;grid-template-columns:repeat(auto-fill,minmax(17em,1fr));gap:.8em;margin:.5em 0 1em}
.dw-deal{display:grid;grid-template-columns:1fr auto 1fr;grid-template-areas:"info north ." "west compass east" "dd south .";
 gap:.3em .5em;border:1px solid #d9dee4;border-radius:.4em;padding:.5em;font-size:.9em;align-items:center}
.dw-info{grid-area:info;align-self:start}
.dw-north{grid-area:north}.dw-west{grid-area:west}.dw-east{grid-area:east}.dw-south{grid-area:south}
.dw-hand{white-space:nowrap}
.dw-compass{grid-area:compass;display:grid;grid-template-columns:auto auto;grid-template-areas:"n n" "w e" "s s";
 text-align:center;font-size:.8em;border:1px solid #9aa5b1;border-radius:.3em;padding:.2em;gap:.1em .4em}
.dw-cn{grid-area:n}.dw-cw{grid-area:w}.dw-ce{grid-area:e}.dw-cs{grid-area:s}
.dw-compass .dw-vul{background:#c62828;color:#fff;border-radius:.2em;padding:0 .2em}
.dw-sp,.dw-cl{color:#1b1f24}.dw-he,.dw-di{color:#c62828}
.dw-dd{grid-area:dd;border-collapse:collapse;font-size:.75em;align-self:end}
.dw-dd th,.dw-dd td{padding:0 .25em;text-align:center;border:1px solid #d9dee4}
@media (max-width:600px){.dw-results{font-size:.92em;padding:0 .25em}.dw-rank th,.dw-rank td{padding:.3em .3em}}
@media print{.dw-scroll{overflow:visible}.dw-deal{break-inside:avoid}}
)";
  return css;
}

std::string MakeResultsHtml(const ScoreFileText* scores, const HandRecordSet* hands, const HtmlOptions& o) {
  ScorePage page;
  Identification id;
  if (scores) {
    page = BuildScorePage(*scores);
    id = scores->Id;
    if (o.Sort)
      for (PageBlock& b : page.Blocks)
        if (b.IsTable) SortByRank(b.Table);
  } else if (hands) {
    page.Heading = hands->Event.empty() ? std::string("Hand records") : hands->Event + " - Hand records";
    id.Event = hands->Event;
  }
  const std::string title = page.Heading.empty()      ? o.FallbackTitle
                            : page.SubHeading.empty() ? page.Heading
                                                      : page.Heading + " - " + page.SubHeading;

  std::string out;
  out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  out += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  out += fmt::format("<meta name=\"generator\" content=\"{} {}\">\n", kProductName, kVersion);
  out += fmt::format("<title>{}</title>\n</head>\n", HtmlEscape(title));
  // The poster keeps only what lies between these two lines and reads the keys back from it.
  out += "<body>\n";
  out += HeaderKeysLine(id) + "\n";
  if (o.Layout.Stylesheet == StylesheetMode::External)
    out += fmt::format("<link rel=\"stylesheet\" href=\"{}\">\n", HtmlEscape(o.CssHref));
  else if (o.Layout.Stylesheet == StylesheetMode::Inline)
    out += "<style>\n" + ResultsCss() + "</style>\n";
  out += "<div class=\"dw-results\">\n";
  out += fmt::format("<h1>{}</h1>\n", HtmlEscape(page.Heading.empty() ? title : page.Heading));
  if (!page.SubHeading.empty()) out += fmt::format("<p class=\"dw-sub\">{}</p>\n", HtmlEscape(page.SubHeading));
  for (const PageBlock& b : page.Blocks) {
    if (b.IsTable) {
      AppendTable(out, b.Table);
    } else {
      out += "<pre>";
      for (const std::string& line : b.Text) out += HtmlEscape(line) + "\n";
      out += "</pre>\n";
    }
  }
  if (hands && (o.Layout.HandRecords || !scores)) {
    out += "<h2 id=\"hand-records\">Hand records</h2>\n<div class=\"dw-deals\">\n";
    for (const Deal& d : hands->Deals) AppendDeal(out, d, o.DoubleDummy);
    out += "</div>\n";
  }
  out += "</div>\n</body>\n</html>\n";
  return out;
}

}  // namespace dw
