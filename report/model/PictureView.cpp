#include "report/model/PictureView.h"

#include <cmath>
#include <cstring>

#include "platform/gui/Icon.h"
#include "platform/gui/ImageList.h"
#include "platform/gui/JPEGImage.h"
#include "platform/gui/Metafile.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "png/PNGObject.h"
#include "report/model/DataSets.h"
#include "report/model/ImageUtils.h"
#include "report/model/Interfaces.h"
#include "report/model/Report.h"
#include "report/model/ReportUtils.h"
#include "report/model/Resources.h"

namespace orv {

#define ORV_FIELD(T, field) [](T& o) { return o.field; }, [](T& o, decltype(T::field) v) { o.field = v; }

ORV_IMPLEMENT_CLASS(TkvxPictureView, c) {
  using T = TkvxPictureView;
  c.Prop("Cursor", &T::Cursor, &T::SetCursor).Default(crDefault);
  c.Prop("AutoSize", &T::AutoSize, &T::SetAutoSize).Default(false);
  c.Prop("Center", ORV_FIELD(T, Center)).Default(false);
  c.Prop("DataField", &T::DataField, &T::SetDataField);
  c.Prop("DataSet", &T::DataSet, &T::SetDataSet);
  c.Prop("DataSetName", &T::DataSetName, &T::SetDataSetName);
  c.Prop("Frame", &T::Frame, &T::SetFrame);
  c.Prop("FileLink", ORV_FIELD(T, FileLink));
  c.Prop("ImageIndex", ORV_FIELD(T, ImageIndex)).Stored([](T& v) { return v.IsImageIndexStored; });
  c.Prop("KeepAspectRatio", ORV_FIELD(T, KeepAspectRatio)).Default(true);
  c.Prop("Picture", &T::Picture, &T::SetPicture).Stored([](T& v) { return v.IsPictureStored; });
  c.Prop("Stretched", ORV_FIELD(T, Stretched)).Default(true);
  c.Prop("TagStr", &T::TagStr, &T::SetTagStr);
  c.Prop("URL", &T::URL, &T::SetURL);
  c.Prop("HightQuality", ORV_FIELD(T, HightQuality)).Default(false);
}

TkvxPictureView::TkvxPictureView(TComponent* owner)
    : TkvxView(owner), picture_(std::make_unique<TPicture>()) {
  SetColor(clWhite);
  Traits &= ~otFullDiff;
  picture_->OnChange = [this](TObject*) { PictureChangedHandler(); };
}

TkvxPictureView::~TkvxPictureView() { picture_->OnChange = nullptr; }

void TkvxPictureView::PictureChangedHandler() {
  SetAutoSize(autoSize_);
  PictureChanged = true;
}

void TkvxPictureView::SetAutoSize(bool value) {
  autoSize_ = value;
  TGraphic* g = picture_->Graphic();
  if (value && g && !g->Empty()) {
    SetWidth(g->Width());
    SetHeight(g->Height());
  }
}

String TkvxPictureView::Diff(TkvxComponent* templ) {
  if (PictureChanged) {
    TkvxReport* report = GetReport();
    if (report && report->PreviewPages) report->PreviewPages->AddPicture(this);
    PictureChanged = false;
  }
  return " " + TkvxView::Diff(templ) + " ImageIndex=\"" + IntToStr(ImageIndex) + "\"";
}

void TkvxPictureView::GetData() {
  TkvxView::GetData();
  if (!FileLink.empty()) {
    String file = ExpandBrackets(FileLink);
    if (!FileExists(file)) {
      picture_->SetGraphic(nullptr);
    } else {
      // A damaged or foreign file prints as an empty picture, as a missing one does; the run
      // goes on and says which file and which object.
      try {
        picture_->LoadFromFile(file);
      } catch (const Exception& e) {
        picture_->SetGraphic(nullptr);
        if (TkvxReport* report = GetReport())
          report->Warn(Name() + ": the picture file \"" + file + "\" cannot be read (" + e.Message() +
                       "); it is printed empty");
      }
    }
    PictureChangedHandler();
  } else if (HasDataBinding() && DataSet()->IsBlobField(DataField())) {
    TMemoryStream stream;
    DataSet()->AssignBlobTo(DataField(), &stream);
    // A field that holds something and shows nothing is named with its row, so that the
    // damaged record can be found.
    String fault;
    try {
      if (LoadPictureFromStream(stream, true) != 0) fault = "no known picture format";
      else if (picture_->Graphic() && picture_->Graphic()->Empty()) fault = "the picture is empty";
    } catch (const Exception& e) {
      fault = e.Message();
    }
    if (!fault.empty() && stream.Size() > 0) {
      picture_->SetGraphic(nullptr);
      PictureChangedHandler();
      if (TkvxReport* report = GetReport())
        report->Warn(Name() + ": the picture in field \"" + DataField() + "\" of " + DataSet()->UserName() +
                     " cannot be read in record " + IntToStr(DataSet()->RecNo() + 1) + " (" + fault +
                     "); it is printed empty");
    }
  }
}

Integer TkvxPictureView::LoadPictureFromStream(TStream& stream, bool fromStart) {
  Int64 start = fromStart ? 0 : stream.Position();
  stream.SetPosition(start);
  Int64 size = stream.Size();
  if (size - start <= 0) {
    picture_->SetGraphic(nullptr);
    return E_INVALIDARG;
  }
  // The header some databases put in front of blobs: 01 00, 00 01 and the length of the rest.
  if (size - start >= 8) {
    std::uint16_t w1 = 0, w2 = 0;
    std::uint32_t length = 0;
    stream.ReadBuffer(&w1, 2);
    stream.ReadBuffer(&w2, 2);
    stream.ReadBuffer(&length, 4);
    if (!(w1 == 1 && w2 == 0x100 && static_cast<Int64>(length) == size - 8)) stream.SetPosition(start);
  }
  Int64 p = stream.Position();
  Int64 left = size - p;
  Byte head[100] = {};
  Int64 got = stream.Read(head, std::min<Int64>(left, sizeof head));
  stream.SetPosition(p);
  std::unique_ptr<TGraphic> graphic = TPicture::CreateGraphicForData(head, got);
  if (!graphic) {
    picture_->SetGraphic(nullptr);
    return E_INVALIDARG;
  }
  graphic->LoadFromStream(stream);
  picture_->SetGraphic(std::move(graphic));
  PictureChangedHandler();
  return 0;
}

void TkvxPictureView::Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) {
  BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
  DrawBackground();
  TGraphic* g = picture_->Graphic();
  if (g && !g->Empty() && g->Width() > 0 && g->Height() > 0) {
    TRect r = Rect(X, Y, X1, Y1);
    bool quality = IsPrinting || HightQuality;
    if (Stretched) {
      if (KeepAspectRatio) {
        double kx = static_cast<double>(DX) / g->Width();
        double ky = static_cast<double>(DY) / g->Height();
        if (ky <= kx) r.Right = X + static_cast<int>(std::lround(g->Width() * ky));
        else r.Bottom = Y + static_cast<int>(std::lround(g->Height() * kx));
        if (Center) {
          int mx = (DX - r.Width()) / 2, my = (DY - r.Height()) / 2;
          r = Rect(r.Left + mx, r.Top + my, r.Right + mx, r.Bottom + my);
        }
      }
      kvxDrawGraphic(*canvas, r, *g, quality);
    } else {
      canvas->SaveClip();
      canvas->IntersectClipRect(Rect(X, Y, X1, Y1));
      int w = static_cast<int>(std::lround(g->Width() * scaleX));
      int h = static_cast<int>(std::lround(g->Height() * scaleY));
      if (Center) r = Rect(X + (DX - w) / 2, Y + (DY - h) / 2, 0, 0);
      r.Right = r.Left + w;
      r.Bottom = r.Top + h;
      kvxDrawGraphic(*canvas, r, *g, quality);
      canvas->RestoreClip();
    }
  } else if (IsDesigning) {
    kvxGetResources()->GetObjectButtonImages()->Draw(canvas, X + 1, Y + 2, 3);
  }
  DrawFrame();
}

}  // namespace orv
