#pragma once
// TMetafile: a recorded list of canvas drawing calls, replayable at any scale, enumerable and
// searchable for its text; TMetafileCanvas records onto one.
#include <optional>
#include <vector>

#include "platform/gui/Canvas.h"
#include "platform/gui/CanvasRecord.h"
#include "platform/gui/Graphic.h"

namespace orv {

// Where a text search hit: the record's index and the device area its text covers.
struct TMetafileTextHit {
  int Record = -1;
  TRect Bounds;
};

// A picture kept as drawing records: one record per drawing call, one text record per text
// call with its font and bounds (so a line mixing Thai and Latin stays one record).
class TMetafile : public TGraphic {
  ORV_CLASS(TMetafile, TGraphic)

 public:
  TMetafile();
  ~TMetafile() override;

  void Assign(TPersistent* source) override;
  // Replays scaled so that the metafile's Width x Height fills r.
  void Draw(TCanvas& canvas, const TRect& r) override;
  // Our own record form (an "ORVANE METAFILE" header that carries " EMF" at offset 40);
  // EInvalidGraphic for anything else, including Windows metafiles.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  bool Empty() const override { return records_.empty(); }
  // The picture's size in pixels of its reference device; when not set, the recording canvas
  // sets it to the extent of what was drawn.
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  std::unique_ptr<TGraphic> Clone() const override;

  // Resolution of the device the text was measured on (96 for the screen).
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int ppi) { pixelsPerInch_ = ppi; }

  // Replays onto canvas with device point = picture point * scale + offset, a picture point
  // being a recorded one over Detail; only the first count records when count is not negative
  // (what lies under a later record).
  void Play(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY, int count = -1) const;
  const std::vector<TCanvasRecord>& Records() const { return records_; }
  // Record units to a pixel of Width and Height (more than 1 for a played Windows metafile).
  int Detail() const { return detail_; }
  // The kinds of record a WMF or EMF held that the last load could not draw, one line each.
  std::vector<String> Skipped;
  int RecordCount() const { return static_cast<int>(records_.size()); }
  void Clear();
  // The first text record after record afterRecord whose text contains text (compared
  // upper-cased unless caseSensitive).
  std::optional<TMetafileTextHit> FindText(const WideString& text, bool caseSensitive,
                                           int afterRecord = -1) const;

 private:
  friend class TMetafileCanvas;
  void Add(TCanvasRecord record);
  std::vector<TCanvasRecord> records_;
  int width_ = 0;
  int height_ = 0;
  int pixelsPerInch_ = 96;
  int detail_ = 1;
};

// A canvas that records every drawing call into a metafile instead of painting; text is
// measured at the reference resolution. The metafile takes its size when the canvas is freed.
class TMetafileCanvas : public TCanvas {
  ORV_CLASS(TMetafileCanvas, TCanvas)

 public:
  TMetafileCanvas(TMetafile& metafile, int referencePixelsPerInch = 96);
  ~TMetafileCanvas() override;

 protected:
  void Render(const TCanvasRecord& record) override;

 private:
  TMetafile& metafile_;
  TRect extent_;
};

}  // namespace orv
