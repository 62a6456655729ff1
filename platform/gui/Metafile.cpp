#include "platform/gui/Metafile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <QString>

#include "platform/gui/CanvasPaint.h"
#include "platform/gui/MetafileFormat.h"
#include "platform/gui/MetafilePlayer.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TMetafile, c) {}

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

void TMetafile::Assign(TPersistent* source) {
  if (auto* m = dynamic_cast<TMetafile*>(source)) {
    if (m == this) return;
    records_ = m->records_;
    width_ = m->width_;
    height_ = m->height_;
    pixelsPerInch_ = m->pixelsPerInch_;
    detail_ = m->detail_;
    Changed();
    return;
  }
  if (!source) {
    Clear();
    return;
  }
  TGraphic::Assign(source);
}

void TMetafile::Draw(TCanvas& canvas, const TRect& r) {
  double sx = width_ > 0 ? static_cast<double>(r.Width()) / width_ : 1.0;
  double sy = height_ > 0 ? static_cast<double>(r.Height()) / height_ : 1.0;
  Play(canvas, sx, sy, r.Left, r.Top);
}

void TMetafile::Play(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY, int count) const {
  // The metafile's clip changes stay inside the replay: one saved state brackets it, a reset
  // inside returns to that state, and unbalanced restores stop there.
  TCanvasRecord save;
  save.Kind = crSaveClip;
  TCanvasRecord restore;
  restore.Kind = crRestoreClip;
  TCanvasAccess::Render(canvas, save);
  int depth = 0;
  const size_t end = count < 0 ? records_.size() : std::min(records_.size(), static_cast<size_t>(count));
  for (size_t i = 0; i < end; ++i) {
    const TCanvasRecord& r = records_[i];
    switch (r.Kind) {
      case crSaveClip:
        ++depth;
        TCanvasAccess::Render(canvas, r);
        break;
      case crRestoreClip:
        if (depth > 0) {
          --depth;
          TCanvasAccess::Render(canvas, r);
        }
        break;
      case crResetClip:
        TCanvasAccess::Render(canvas, restore);
        TCanvasAccess::Render(canvas, save);
        break;
      default:
        TCanvasAccess::Render(canvas, ScaleRecord(r, scaleX / detail_, scaleY / detail_, offsetX, offsetY));
        break;
    }
  }
  for (; depth >= 0; --depth) TCanvasAccess::Render(canvas, restore);
}

void TMetafile::LoadFromStream(TStream& stream) {
  // Our own files carry their name behind the first two numbers; anything else that looks
  // like a placeable WMF or an EMF is played from its records.
  const Int64 start = stream.Position();
  Byte head[100] = {};
  const Int64 got = stream.Read(head, sizeof head);
  stream.SetPosition(start);
  static constexpr char kOwn[] = "ORVANE METAFILE";
  const bool own = got >= 24 && std::memcmp(head + 8, kOwn, sizeof kOwn) == 0;
  TMetafileContent content;
  if (!own && IsWindowsMetafile(head, static_cast<size_t>(std::max<Int64>(got, 0)))) {
    Skipped.clear();
    content = PlayWindowsMetafile(stream, Skipped);
    for (const String& kind : Skipped) std::fprintf(stderr, "Metafile: %s skipped\n", kind.c_str());
  } else {
    content = ReadMetafile(stream);
  }
  records_ = std::move(content.Records);
  width_ = content.Width;
  height_ = content.Height;
  pixelsPerInch_ = content.PixelsPerInch;
  detail_ = content.Detail;
  Changed();
}

void TMetafile::SaveToStream(TStream& stream) {
  TMetafileContent content;
  content.Width = width_;
  content.Height = height_;
  content.PixelsPerInch = pixelsPerInch_;
  content.Detail = detail_;
  content.Records = records_;
  WriteMetafile(stream, content);
}

void TMetafile::SetWidth(int width) {
  if (width == width_) return;
  width_ = std::max(0, width);
  Changed();
}

void TMetafile::SetHeight(int height) {
  if (height == height_) return;
  height_ = std::max(0, height);
  Changed();
}

std::unique_ptr<TGraphic> TMetafile::Clone() const {
  auto m = std::make_unique<TMetafile>();
  m->Assign(const_cast<TMetafile*>(this));
  return m;
}

void TMetafile::Clear() {
  records_.clear();
  width_ = height_ = 0;
  detail_ = 1;
  Changed();
}

std::optional<TMetafileTextHit> TMetafile::FindText(const WideString& text, bool caseSensitive,
                                                    int afterRecord) const {
  QString needle = ToQString(text);
  if (!caseSensitive) needle = needle.toUpper();
  for (int i = std::max(0, afterRecord + 1); i < RecordCount(); ++i) {
    const TCanvasRecord& r = records_[static_cast<size_t>(i)];
    if (r.Kind != crText && r.Kind != crTextRect) continue;
    QString hay = ToQString(r.Text);
    if (!caseSensitive) hay = hay.toUpper();
    if (hay.contains(needle))
      return TMetafileTextHit{i, TRect{r.Bounds.Left / detail_, r.Bounds.Top / detail_, r.Bounds.Right / detail_,
                                       r.Bounds.Bottom / detail_}};
  }
  return std::nullopt;
}

void TMetafile::Add(TCanvasRecord record) { records_.push_back(std::move(record)); }

ORV_IMPLEMENT_CLASS(TMetafileCanvas, c) {}

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile, int referencePixelsPerInch) : metafile_(metafile) {
  if (referencePixelsPerInch <= 0) referencePixelsPerInch = 96;
  TCanvasAccess::AttachRecorder(*this, referencePixelsPerInch);
  metafile_.SetPixelsPerInch(referencePixelsPerInch);
}

TMetafileCanvas::~TMetafileCanvas() {
  if (metafile_.Width() == 0 && metafile_.Height() == 0) {
    metafile_.width_ = std::max(0, extent_.Right);
    metafile_.height_ = std::max(0, extent_.Bottom);
  }
  TCanvasAccess::Detach(*this);
  metafile_.Changed();
}

void TMetafileCanvas::Render(const TCanvasRecord& record) {
  if (record.Kind < crIntersectClip) {
    const TRect& b = record.Bounds;
    if (extent_.Right <= extent_.Left && extent_.Bottom <= extent_.Top) extent_ = b;
    else extent_ = {std::min(extent_.Left, b.Left), std::min(extent_.Top, b.Top),
                    std::max(extent_.Right, b.Right), std::max(extent_.Bottom, b.Bottom)};
  }
  metafile_.Add(record);
}

}  // namespace orv
