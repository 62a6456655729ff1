#include "report/pdf/PdfPage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfFont.h"
#include "report/pdf/PdfText.h"

namespace orv {

TkvxPDFPage::TkvxPDFPage(TkvxPDFFile& parent) : Parent(parent), content_(parent.SpareContent()) {}

const String& TkvxPDFPage::GetColor(TColor color) {
  static const String black = "0 0 0", white = "1 1 1";
  if (color == clBlack) return black;
  if (color == clWhite) return white;
  if (color == lastColor_ && !lastColorStr_.empty()) return lastColorStr_;
  // clNone is not a system colour: it paints white.
  TColor rgb = color == clNone ? clWhite : ColorToRGB(color);
  std::string text;
  kvxAppendFixed(text, GetRValue(rgb) / 255.0);
  text += ' ';
  kvxAppendFixed(text, GetGValue(rgb) / 255.0);
  text += ' ';
  kvxAppendFixed(text, GetBValue(rgb) / 255.0);
  lastColor_ = color;
  lastColorStr_ = text;
  return lastColorStr_;
}

void TkvxPDFPage::AppendPoint(double x, double y) { AppendNumbers(PdfX(x), PdfY(y)); }

void TkvxPDFPage::EndText() {
  if (!inText_) return;
  content_ += "ET\r\n";
  inText_ = false;
  runEnd_ = std::string::npos;
}

void TkvxPDFPage::SaveState() {
  ReachAnywhere();
  PushState();
}

void TkvxPDFPage::PushState() {
  EndText();
  TTextState saved = states_.back();
  saved.FontHere = saved.FillHere = saved.TextHere = false;
  saved.SavedAt = content_.size();
  states_.push_back(saved);
  content_ += "q\r\n";
}

void TkvxPDFPage::FillChanged() {
  states_.back().Fill = clNone;
  states_.back().FillHere = true;
}

void TkvxPDFPage::UseTextState(int fontIndex, int size, TColor fill) {
  const bool font = states_.back().Font != fontIndex || states_.back().Size != size;
  const bool color = states_.back().Fill != fill;
  // Written before the "q" of the outermost level from which on no level has set the value
  // itself or shown text: what those levels draw then takes it from there. Levels 0 and 1 of a
  // list are the page and a cell, whose font and colour are then said once for the page.
  auto put = [&](bool TTextState::*here, const std::string& op) {
    size_t level = states_.size();
    while (level > 1 && !states_[level - 1].TextHere && !(states_[level - 1].*here)) --level;
    if (level == states_.size()) {
      content_ += op;
    } else {
      content_.insert(states_[level].SavedAt, op);
      for (size_t k = level; k < states_.size(); ++k) states_[k].SavedAt += op.size();
      runEnd_ = std::string::npos;
    }
    // The level it is written in sets it; those inside inherit it.
    if (level > 1) states_[level - 1].*here = true;
    return level - 1;
  };
  if (font) {
    std::string op = "/F" + std::to_string(fontIndex) + ' ' + std::to_string(size) + " Tf\r\n";
    for (size_t k = put(&TTextState::FontHere, op); k < states_.size(); ++k) {
      states_[k].Font = fontIndex;
      states_[k].Size = size;
    }
  }
  if (color) {
    std::string op = GetColor(fill) + " rg\r\n";
    for (size_t k = put(&TTextState::FillHere, op); k < states_.size(); ++k) states_[k].Fill = fill;
  }
}

void TkvxPDFPage::SaveStateScaled(double scaleX, double scaleY, double left, double top) {
  SaveState();
  // The page's two decimals would move the far side of a sheet by a millimetre.
  char matrix[128];
  std::snprintf(matrix, sizeof matrix, "%.5f 0 0 %.5f %.2f %.2f cm\r\n", scaleX, scaleY, left,
                Height - top - scaleY * Height);
  content_ += matrix;
}

void TkvxPDFPage::RestoreState() {
  EndText();
  content_ += "Q\r\n";
  // A restore without its save goes back to what the page came with, which it does not know.
  if (states_.size() > 1) states_.pop_back();
  else states_.front() = TTextState();
}

void TkvxPDFPage::ClipRect(double left, double top, double width, double height) {
  ReachAnywhere();
  EndText();
  AppendNumbers(PdfX(left), PdfY(top + height), width * 0.75, height * 0.75);
  content_ += " re\r\nW\r\nn\r\n";
}

void TkvxPDFPage::BeginClip(double left, double top, double width, double height) {
  ReachAnywhere();
  // The numbers as they are written, so that what is found inside lies inside what readers clip.
  auto written = [](double v) { return std::nearbyint(v * 100.0) / 100.0; };
  clipLeft_ = written(PdfX(left));
  clipBottom_ = written(PdfY(top + height));
  clipWidth_ = written(width * 0.75);
  clipHeight_ = written(height * 0.75);
  clips_.push_back(false);
  // Its text is placed from the page's corner, not from the text before it: a memo then shows
  // on the same pixels whatever was drawn before it.
  EndText();
}

void TkvxPDFPage::EndClip() {
  if (clips_.empty()) return;
  const bool written = clips_.back();
  clips_.pop_back();
  if (written) RestoreState();
  EndText();
}

void TkvxPDFPage::Reach(double left, double bottom, double right, double top) {
  if (clips_.empty() || clips_.back()) return;
  if (left > right) std::swap(left, right);
  if (bottom > top) std::swap(bottom, top);
  // A point inside a clip's edge: a glyph or a line that far in is drawn on the same pixels
  // with the clip and without it, down to 72 dots per inch.
  constexpr double kMargin = 1;
  if (left >= clipLeft_ + kMargin && right <= clipLeft_ + clipWidth_ - kMargin && bottom >= clipBottom_ + kMargin &&
      top <= clipBottom_ + clipHeight_ - kMargin)
    return;
  ReachAnywhere();
}

void TkvxPDFPage::ReachAnywhere() {
  if (clips_.empty() || clips_.back()) return;
  clips_.back() = true;
  PushState();
  AppendNumbers(clipLeft_, clipBottom_, clipWidth_, clipHeight_);
  content_ += " re\r\nW\r\nn\r\n";
}

void TkvxPDFPage::ClipFigures(const std::vector<std::vector<std::pair<double, double>>>& figures) {
  ReachAnywhere();
  EndText();
  for (const auto& figure : figures) {
    for (size_t k = 0; k < figure.size(); ++k) {
      AppendPoint(figure[k].first, figure[k].second);
      content_ += k == 0 ? " m\r\n" : " l\r\n";
    }
    if (!figure.empty()) content_ += "h\r\n";
  }
  content_ += "W*\r\nn\r\n";
}

void TkvxPDFPage::FillRect(double left, double top, double width, double height, TColor color) {
  Reach(PdfX(left), PdfY(top + height), PdfX(left + width), PdfY(top));
  EndText();
  content_ += GetColor(color) + " rg\r\n";
  FillChanged();
  AppendNumbers(PdfX(left), PdfY(top + height), width * 0.75, height * 0.75);
  content_ += " re\r\nf\r\n";
}

void TkvxPDFPage::Line(double x1, double y1, double x2, double y2, TColor color, double width) {
  const double half = width * 0.75 / 2;
  Reach(std::min(PdfX(x1), PdfX(x2)) - half, std::min(PdfY(y1), PdfY(y2)) - half, std::max(PdfX(x1), PdfX(x2)) + half,
        std::max(PdfY(y1), PdfY(y2)) + half);
  EndText();
  content_ += GetColor(color) + " RG\r\n";
  AppendNumbers(width * 0.75);
  content_ += " w\r\n";
  AppendPoint(x1, y1);
  content_ += " m\r\n";
  AppendPoint(x2, y2);
  content_ += " l\r\nS\r\n";
}

void TkvxPDFPage::Frame(double left, double top, double width, double height, int lines,
                        TColor color, double lineWidth) {
  ReachAnywhere();
  EndText();
  if ((lines & flAll) == 0 || color == clNone) return;
  content_ += GetColor(color) + " RG\r\n";
  AppendNumbers(lineWidth * 0.75);
  content_ += " w\r\n";
  const double right = left + width, bottom = top + height;
  if ((lines & flAll) == flAll) {
    AppendPoint(left, top);
    content_ += " m\r\n";
    for (auto [x, y] : {std::pair{right, top}, {right, bottom}, {left, bottom}, {left, top}}) {
      AppendPoint(x, y);
      content_ += " l\r\n";
    }
    content_ += "s\r\n";
    return;
  }
  auto side = [&](int bit, double xa, double ya, double xb, double yb) {
    if (!(lines & bit)) return;
    AppendPoint(xa, ya);
    content_ += " m\r\n";
    AppendPoint(xb, yb);
    content_ += " l\r\nS\r\n";
  };
  side(flTop, left, top, right, top);
  side(flRight, right, top, right, bottom);
  side(flBottom, left, bottom, right, bottom);
  side(flLeft, left, top, left, bottom);
}

void TkvxPDFPage::Rectangle(double left, double top, double width, double height,
                            TColor frameColor, double frameWidth, TColor fillColor) {
  ReachAnywhere();
  EndText();
  content_ += GetColor(frameColor) + " RG\r\n";
  AppendNumbers(frameWidth * 0.75);
  content_ += " w\r\n" + GetColor(fillColor) + " rg\r\n";
  FillChanged();
  AppendNumbers(PdfX(left), PdfY(top + height), width * 0.75, height * 0.75);
  content_ += fillColor != clNone ? " re\r\nB\r\n" : " re\r\nS\r\n";
}

void TkvxPDFPage::Arrow(double x1, double y1, double x2, double y2, double length, double width,
                        bool solid, TColor color) {
  ReachAnywhere();
  EndText();
  // In points from here on, y upwards.
  const double px1 = PdfX(x1), py1 = PdfY(y1), px2 = PdfX(x2), py2 = PdfY(y2);
  const double al = length * 0.75, aw = width * 0.75;
  const double dx = px2 - px1, dy = py2 - py1, len = std::hypot(dx, dy);
  // A line without length has no direction to point the head in.
  if (len == 0) return;
  // The base lies on the line at distance al back from the tip, whichever way the line runs and
  // however short it is, so the head always points along the line.
  const double xb = px2 - dx / len * al, yb = py2 - dy / len * al;
  const double nx = -dy / len * aw, ny = dx / len * aw;
  const double w1x = xb - nx, w1y = yb - ny, w2x = xb + nx, w2y = yb + ny;
  // The head's join and colour are set before its path begins: between a path's first point and
  // its painting a PDF allows only the path's own operators.
  if (solid) {
    content_ += "1 j\r\n" + GetColor(color) + " rg\r\n";
    FillChanged();
  } else {
    content_ += GetColor(color) + " RG\r\n";
  }
  AppendNumbers(w1x, w1y);
  content_ += " m\r\n";
  AppendNumbers(px2, py2);
  content_ += " l\r\n";
  AppendNumbers(w2x, w2y);
  content_ += solid ? " l\r\nb\r\n" : " l\r\nS\r\n";
}

void TkvxPDFPage::SetPen(TColor color, double width, const std::vector<double>& dashes, bool roundCaps) {
  content_ += GetColor(color) + " RG\r\n";
  AppendNumbers(width * 0.75);
  content_ += " w\r\n[";
  for (size_t k = 0; k < dashes.size(); ++k) {
    if (k) content_ += ' ';
    kvxAppendFixed(content_, dashes[k] * 0.75);
  }
  content_ += roundCaps ? "] 0 d\r\n1 J\r\n" : "] 0 d\r\n0 J\r\n";
}

void TkvxPDFPage::PaintPath(TColor penColor, TColor fillColor) {
  if (fillColor != clNone) {
    content_ += GetColor(fillColor) + " rg\r\n";
    FillChanged();
  }
  if (penColor != clNone && fillColor != clNone) content_ += "b\r\n";
  else if (penColor != clNone) content_ += "S\r\n";
  else content_ += "f\r\n";
}

void TkvxPDFPage::Path(const std::vector<std::pair<double, double>>& points, bool closed, TColor penColor,
                       double penWidth, const std::vector<double>& dashes, bool roundCaps, TColor fillColor) {
  if (points.size() < 2 || (penColor == clNone && fillColor == clNone)) return;
  if (points.size() == 2 && !closed && fillColor == clNone) {
    // A frame's side: the line and its caps, square or round, lie within half the pen of it.
    const double half = penWidth * 0.75 / 2;
    const double x1 = PdfX(points[0].first), y1 = PdfY(points[0].second), x2 = PdfX(points[1].first),
                 y2 = PdfY(points[1].second);
    Reach(std::min(x1, x2) - half, std::min(y1, y2) - half, std::max(x1, x2) + half, std::max(y1, y2) + half);
  } else {
    ReachAnywhere();
  }
  EndText();
  content_ += "q\r\n";
  if (penColor != clNone) SetPen(penColor, penWidth, dashes, roundCaps);
  for (size_t k = 0; k < points.size(); ++k) {
    AppendPoint(points[k].first, points[k].second);
    content_ += k == 0 ? " m\r\n" : " l\r\n";
  }
  if (!closed && fillColor == clNone) {
    content_ += "S\r\nQ\r\n";
    return;
  }
  if (closed) content_ += "h\r\n";
  PaintPath(penColor, fillColor);
  content_ += "Q\r\n";
}

void TkvxPDFPage::Ellipse(double left, double top, double width, double height, TColor penColor, double penWidth,
                          const std::vector<double>& dashes, TColor fillColor) {
  ReachAnywhere();
  EndText();
  if (penColor == clNone && fillColor == clNone) return;
  content_ += "q\r\n";
  if (penColor != clNone) SetPen(penColor, penWidth, dashes, false);
  // Four cubic arcs; k places the control points of a quarter circle.
  constexpr double k = 0.5522847498;
  const double cx = left + width / 2, cy = top + height / 2, rx = width / 2, ry = height / 2;
  AppendPoint(cx + rx, cy);
  content_ += " m\r\n";
  const double arcs[4][6] = {{cx + rx, cy - k * ry, cx + k * rx, cy - ry, cx, cy - ry},
                             {cx - k * rx, cy - ry, cx - rx, cy - k * ry, cx - rx, cy},
                             {cx - rx, cy + k * ry, cx - k * rx, cy + ry, cx, cy + ry},
                             {cx + k * rx, cy + ry, cx + rx, cy + k * ry, cx + rx, cy}};
  for (const auto& a : arcs) {
    AppendNumbers(PdfX(a[0]), PdfY(a[1]), PdfX(a[2]), PdfY(a[3]), PdfX(a[4]), PdfY(a[5]));
    content_ += " c\r\n";
  }
  content_ += "h\r\n";
  PaintPath(penColor, fillColor);
  content_ += "Q\r\n";
}

void TkvxPDFPage::Close() {
  if (closed_) return;
  EndText();
  closed_ = true;
  if (Parent.Compressed && !content_.empty()) {
    Deflated = true;
    std::string content = std::move(content_);
    content_ = std::string();
    Parent.Deflater().Add(*this, std::move(content));
    return;
  }
  StreamSize = static_cast<Int64>(content_.size());
  if (!Parent.ContentStream) return;
  // The deflater writes to the same file.
  Parent.WaitForBodies();
  TStream& stream = *Parent.ContentStream;
  stream.Seek(0, soEnd);
  StreamOffset = stream.Position();
  stream.WriteBuffer(content_.data(), StreamSize);
  content_.clear();
  content_.shrink_to_fit();
}

void TkvxPDFPage::ReadContent(std::string& out) {
  Close();
  Parent.WaitForBodies();
  if (!Parent.ContentStream) {
    out = content_;
    return;
  }
  out.resize(static_cast<size_t>(StreamSize));
  TStream& shared = *Parent.ContentStream;
  shared.SetPosition(StreamOffset);
  shared.ReadBuffer(out.data(), StreamSize);
}

TkvxPDFPage& TkvxPDFPage::Addition() {
  if (!addition_) {
    addition_ = std::make_unique<TkvxPDFPage>(Parent);
    addition_->Width = Width;
    addition_->Height = Height;
    addition_->MarginLeft = MarginLeft;
    addition_->MarginTop = MarginTop;
    addition_->PreparedIndex = PreparedIndex;
    addition_->Index = Index;
  }
  return *addition_;
}

void TkvxPDFPage::WriteObjects(TStream& out, const std::string& body, bool deflated, const std::string* added,
                               bool addedDeflated) {
  TkvxPDFElement::SaveToStream(out);
  const int n = Parent.FirstPageObj + 2 * (Index - 1);
  Parent.BeginObject(out, n);
  WriteLn(out, "<<");
  WriteLn(out, "/Type /Page");
  WriteLn(out, "/Parent " + std::to_string(Parent.PagesObj) + " 0 R");
  WriteLn(out, "/MediaBox [0 0 " + kvxFloatToStrFixed(Width) + " " + kvxFloatToStrFixed(Height) + " ]");
  WriteLn(out, "/Resources <<");
  WriteLn(out, "/Font <<");
  for (size_t i = 0; i < Parent.Fonts.size(); ++i)
    WriteLn(out, "/F" + std::to_string(i) + " " + std::to_string(Parent.Fonts[i]->ObjNumber) + " 0 R");
  WriteLn(out, ">>");
  WriteLn(out, "/XObject <<");
  std::vector<int> images = images_;
  if (added && addition_)
    for (int image : addition_->images_)
      if (std::find(images.begin(), images.end(), image) == images.end()) images.push_back(image);
  for (int image : images)
    WriteLn(out, "/Im" + std::to_string(image) + " " + std::to_string(Parent.FirstImageObj + image) + " 0 R");
  WriteLn(out, ">>");
  WriteLn(out, "/ProcSet [/PDF /Text /ImageC ]");
  WriteLn(out, ">>");
  if (added && addition_)
    WriteLn(out, "/Contents [" + std::to_string(n + 1) + " 0 R " + std::to_string(AdditionObj) + " 0 R]");
  else
    WriteLn(out, "/Contents " + std::to_string(n + 1) + " 0 R");
  WriteLn(out, ">>");
  WriteLn(out, "endobj");
  Parent.WriteStreamBody(out, n + 1, body, deflated, "");
  if (added && addition_) Parent.WriteStreamBody(out, AdditionObj, *added, addedDeflated, "");
}

}  // namespace orv
