#include "HandPdf.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <fmt/format.h>

#include "Failure.h"
#include "Text.h"
#include "Version.h"

namespace dw {
namespace {

// Every diagram is drawn in a box of these units and scaled to its cell.
constexpr double kBoxW = 300, kBoxH = 212;
constexpr double kHandFont = 10.5, kLineStep = 13.5;

struct Rgb {
  double R, G, B;
};
constexpr Rgb kInk{0.10, 0.12, 0.14}, kRed{0.78, 0.16, 0.16}, kGrey{0.45, 0.48, 0.52}, kLight{0.90, 0.91, 0.93},
    kFrame{0.75, 0.78, 0.82};

void SetColor(cairo_t* cr, Rgb c) { cairo_set_source_rgb(cr, c.R, c.G, c.B); }

void Font(cairo_t* cr, double size, bool bold = false) {
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
}

double TextWidth(cairo_t* cr, const std::string& s) {
  cairo_text_extents_t e;
  cairo_text_extents(cr, s.c_str(), &e);
  return e.x_advance;
}

void Text(cairo_t* cr, double x, double y, const std::string& s) {
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, s.c_str());
}

void TextCentered(cairo_t* cr, double cx, double y, const std::string& s) { Text(cr, cx - TextWidth(cr, s) / 2, y, s); }

// Each piece is filled on its own: overlapping pieces of opposite direction would cancel.
void Circle(cairo_t* cr, double x, double y, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x, y, r, 0, 2 * M_PI);
  cairo_fill(cr);
}

void Triangle(cairo_t* cr, double x1, double y1, double x2, double y2, double x3, double y3) {
  cairo_move_to(cr, x1, y1);
  cairo_line_to(cr, x2, y2);
  cairo_line_to(cr, x3, y3);
  cairo_close_path(cr);
  cairo_fill(cr);
}

// Suit symbols as shapes, so the output does not depend on the fonts of the machine.
void SuitSymbol(cairo_t* cr, int suit, double cx, double cy, double size) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, size, size);
  SetColor(cr, suit == 1 || suit == 2 ? kRed : kInk);
  switch (suit) {
    case 0:  // spade
      Circle(cr, -0.24, 0.08, 0.25);
      Circle(cr, 0.24, 0.08, 0.25);
      Triangle(cr, -0.485, 0.0, 0.485, 0.0, 0, -0.5);
      Triangle(cr, 0, 0.05, -0.17, 0.5, 0.17, 0.5);
      break;
    case 1:  // heart
      Circle(cr, -0.24, -0.2, 0.25);
      Circle(cr, 0.24, -0.2, 0.25);
      Triangle(cr, -0.485, -0.12, 0.485, -0.12, 0, 0.48);
      break;
    case 2:  // diamond
      cairo_move_to(cr, 0, -0.5);
      cairo_line_to(cr, 0.38, 0);
      cairo_line_to(cr, 0, 0.5);
      cairo_line_to(cr, -0.38, 0);
      cairo_close_path(cr);
      cairo_fill(cr);
      break;
    default:  // club
      Circle(cr, 0, -0.25, 0.21);
      Circle(cr, -0.24, 0.07, 0.21);
      Circle(cr, 0.24, 0.07, 0.21);
      Triangle(cr, 0, -0.05, -0.16, 0.5, 0.16, 0.5);
      break;
  }
  cairo_restore(cr);
}

std::string Ranks(const Hand& hand, int suit, bool spaced) {
  const std::string ranks = SuitText(hand, suit);
  if (ranks.empty()) return "\u2014";
  std::string out;
  for (char r : ranks) {
    if (spaced && !out.empty()) out += ' ';
    out += r == 'T' ? std::string("10") : std::string(1, r);
  }
  return out;
}

void DrawHand(cairo_t* cr, const Hand& hand, double x, double firstBaseline, double maxWidth) {
  for (int s = 0; s < 4; ++s) {
    const double y = firstBaseline + s * kLineStep;
    SuitSymbol(cr, s, x + 4.5, y - 3.9, 9.5);
    Font(cr, kHandFont);
    std::string text = Ranks(hand, s, true);
    const double room = maxWidth - 12;
    if (TextWidth(cr, text) > room) text = Ranks(hand, s, false);
    const double w = TextWidth(cr, text);
    if (w > room) Font(cr, kHandFont * room / w);
    SetColor(cr, kInk);
    Text(cr, x + 12, y, text);
  }
}

void DrawCompass(cairo_t* cr, const Deal& d, bool hcp) {
  const double x = 122, y = 66, size = 60, strip = 11;
  const bool ns = d.Vul == Vulnerability::NorthSouth || d.Vul == Vulnerability::Both;
  const bool ew = d.Vul == Vulnerability::EastWest || d.Vul == Vulnerability::Both;
  struct Side {
    double X, Y, W, H;
    bool Vul;
    const char* Letter;
    Seat S;
  } sides[] = {{x, y, size, strip, ns, "N", Seat::North},
               {x, y + size - strip, size, strip, ns, "S", Seat::South},
               {x, y, strip, size, ew, "W", Seat::West},
               {x + size - strip, y, strip, size, ew, "E", Seat::East}};
  SetColor(cr, {1, 1, 1});
  cairo_rectangle(cr, x, y, size, size);
  cairo_fill(cr);
  for (const Side& s : sides) {
    SetColor(cr, s.Vul ? kRed : kLight);
    cairo_rectangle(cr, s.X, s.Y, s.W, s.H);
    cairo_fill(cr);
  }
  for (const Side& s : sides) {
    Font(cr, 8, s.S == d.Dealer);
    SetColor(cr, s.Vul ? Rgb{1, 1, 1} : kInk);
    TextCentered(cr, s.X + s.W / 2, s.Y + s.H / 2 + 2.9, s.Letter);
  }
  SetColor(cr, kGrey);
  cairo_set_line_width(cr, 0.6);
  cairo_rectangle(cr, x, y, size, size);
  cairo_stroke(cr);
  if (hcp) {
    Font(cr, 8);
    SetColor(cr, kGrey);
    const double cx = x + size / 2, cy = y + size / 2;
    TextCentered(cr, cx, y + strip + 9, std::to_string(HighCardPoints(d.Hands[0])));
    TextCentered(cr, cx, y + size - strip - 3, std::to_string(HighCardPoints(d.Hands[2])));
    TextCentered(cr, x + strip + 6, cy + 3, std::to_string(HighCardPoints(d.Hands[3])));
    TextCentered(cr, x + size - strip - 6, cy + 3, std::to_string(HighCardPoints(d.Hands[1])));
  }
}

void DrawDoubleDummy(cairo_t* cr, const std::array<std::array<int, 5>, 4>& dd) {
  const double x = 8, y = 140, labelW = 14, colW = 17, rowH = 12;
  Font(cr, 7.5, true);
  SetColor(cr, kInk);
  TextCentered(cr, x + labelW + colW / 2, y + 9, "NT");
  for (int s = 0; s < 4; ++s) SuitSymbol(cr, s, x + labelW + colW * (s + 1.5), y + 6, 7.5);
  const Seat order[] = {Seat::North, Seat::South, Seat::East, Seat::West};
  for (int r = 0; r < 4; ++r) {
    const double ry = y + rowH * (r + 1);
    Font(cr, 7.5, true);
    SetColor(cr, kInk);
    TextCentered(cr, x + labelW / 2, ry + 9, std::string(1, SeatLetter(order[r])));
    Font(cr, 7.5);
    for (int s = 0; s < 5; ++s) {
      const int tricks = dd[size_t(order[r])][size_t(s)];
      TextCentered(cr, x + labelW + colW * (s + 0.5), ry + 9, tricks >= 7 ? std::to_string(tricks - 6) : "-");
    }
  }
  SetColor(cr, kFrame);
  cairo_set_line_width(cr, 0.4);
  for (int r = 0; r <= 5; ++r) {
    cairo_move_to(cr, x, y + rowH * r);
    cairo_line_to(cr, x + labelW + colW * 5, y + rowH * r);
  }
  for (int c = 0; c <= 6; ++c) {
    const double cx = c == 0 ? x : x + labelW + colW * (c - 1);
    cairo_move_to(cr, cx, y);
    cairo_line_to(cr, cx, y + rowH * 5);
  }
  cairo_stroke(cr);
}

void DrawDeal(cairo_t* cr, const Deal& d, const PdfOptions& o) {
  SetColor(cr, kFrame);
  cairo_set_line_width(cr, 0.8);
  cairo_rectangle(cr, 0.5, 0.5, kBoxW - 1, kBoxH - 1);
  cairo_stroke(cr);
  SetColor(cr, kInk);
  Font(cr, 14, true);
  Text(cr, 8, 20, fmt::format("Board {}", d.Board));
  Font(cr, 9.5);
  Text(cr, 8, 34, fmt::format("Dealer: {}", SeatName(d.Dealer)));
  Text(cr, 8, 46, fmt::format("Vul: {}", VulnerabilityName(d.Vul)));
  DrawHand(cr, d.Hands[0], 122, 18, kBoxW - 122 - 6);
  DrawHand(cr, d.Hands[3], 8, 80, 122 - 8 - 4);
  DrawHand(cr, d.Hands[1], 190, 80, kBoxW - 190 - 4);
  DrawHand(cr, d.Hands[2], 122, 146, kBoxW - 122 - 6);
  DrawCompass(cr, d, o.Layout.HighCardPoints);
  if (o.DoubleDummy && d.DoubleDummy) DrawDoubleDummy(cr, *d.DoubleDummy);
}

// "2025.11.05" reads "November 5, 2025"; any other text stays as it is.
std::string ShowDate(const std::string& pbnDate) {
  static const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                  "July",    "August",   "September", "October", "November", "December"};
  int y, m, d;
  char tail;
  if (std::sscanf(pbnDate.c_str(), "%4d.%2d.%2d%c", &y, &m, &d, &tail) == 3 && m >= 1 && m <= 12 && d >= 1 && d <= 31)
    return fmt::format("{} {}, {}", kMonths[m - 1], d, y);
  return pbnDate;
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::string MakeHandRecordPdf(const HandRecordSet& set, const PdfOptions& o) {
  double pageW = 612, pageH = 792;
  if (o.Layout.Paper == PaperSize::A4) pageW = 595.276, pageH = 841.89;
  if (o.Layout.Paper == PaperSize::Legal) pageH = 1008;
  std::string bytes;
  std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> surface(
      cairo_pdf_surface_create_for_stream(&AppendBytes, &bytes, pageW, pageH), &cairo_surface_destroy);
  const std::string title = !o.Layout.Title.empty() ? o.Layout.Title
                            : !set.Event.empty()    ? set.Event
                            : o.FallbackTitle.empty() ? std::string("Hand records")
                                                    : o.FallbackTitle;
  cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, title.c_str());
  const std::string creator = fmt::format("{} {}", kProductName, kVersion);
  cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, creator.c_str());
  std::unique_ptr<cairo_t, void (*)(cairo_t*)> ctx(cairo_create(surface.get()), &cairo_destroy);
  cairo_t* cr = ctx.get();

  const int perPage = std::clamp(o.Layout.BoardsPerPage, 1, 12);
  const int cols = perPage == 1 ? 1 : 2;
  const int rows = (perPage + cols - 1) / cols;
  const double margin = 36, gap = 10, top = 66, bottom = pageH - 40;
  const double cellW = (pageW - 2 * margin - gap * (cols - 1)) / cols;
  const double cellH = (bottom - top - gap * (rows - 1)) / rows;
  const double scale = std::min(cellW / kBoxW, cellH / kBoxH);
  const int pages = int((set.Deals.size() + size_t(perPage) - 1) / size_t(perPage));
  const std::string date = ShowDate(set.Date);

  for (int p = 0; p < pages; ++p) {
    SetColor(cr, kInk);
    Font(cr, 15, true);
    Text(cr, margin, margin + 14, title);
    Font(cr, 10);
    if (!date.empty()) Text(cr, pageW - margin - TextWidth(cr, date), margin + 14, date);
    cairo_set_line_width(cr, 0.8);
    cairo_move_to(cr, margin, margin + 22);
    cairo_line_to(cr, pageW - margin, margin + 22);
    cairo_stroke(cr);
    for (int k = 0; k < perPage; ++k) {
      const size_t i = size_t(p * perPage + k);
      if (i >= set.Deals.size()) break;
      const int r = k / cols, c = k % cols;
      const double cx = margin + c * (cellW + gap) + (cellW - kBoxW * scale) / 2;
      const double cy = top + r * (cellH + gap) + (cellH - kBoxH * scale) / 2;
      cairo_save(cr);
      cairo_translate(cr, cx, cy);
      cairo_scale(cr, scale, scale);
      DrawDeal(cr, set.Deals[i], o);
      cairo_restore(cr);
    }
    Font(cr, 8);
    SetColor(cr, kGrey);
    TextCentered(cr, pageW / 2, pageH - 22, fmt::format("Page {} of {}", p + 1, pages));
    cairo_show_page(cr);
  }
  ctx.reset();
  cairo_surface_finish(surface.get());
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    throw Failure(ExitCode::Internal,
                  fmt::format("Cannot draw the hand records: {}.", cairo_status_to_string(cairo_surface_status(surface.get()))));
  return bytes;
}

void ReleaseDrawingLibraries() {
  cairo_debug_reset_static_data();
  FcFini();
}

}  // namespace dw
