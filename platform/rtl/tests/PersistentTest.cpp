#include <gtest/gtest.h>

#include "platform/rtl/Persistent.h"

namespace orv {

// Knows nothing of other classes: it can only be assigned by classes that know it.
class TProbeBrush : public TPersistent {
  ORV_CLASS(TProbeBrush, TPersistent)

 public:
  Integer Color() const { return color_; }
  void SetColor(Integer v) { color_ = v; }

 private:
  Integer color_ = 0;
};

// Copies itself from pens and into brushes (through AssignTo, the brush being unaware of pens).
class TProbePen : public TPersistent {
  ORV_CLASS(TProbePen, TPersistent)

 public:
  Integer Color() const { return color_; }
  void SetColor(Integer v) { color_ = v; }
  Integer Width() const { return width_; }
  void SetWidth(Integer v) { width_ = v; }

  void Assign(TPersistent* source) override {
    if (auto* pen = dynamic_cast<TProbePen*>(source)) {
      color_ = pen->color_;
      width_ = pen->width_;
      return;
    }
    TPersistent::Assign(source);
  }

 protected:
  void AssignTo(TPersistent* dest) override {
    if (auto* brush = dynamic_cast<TProbeBrush*>(dest)) {
      brush->SetColor(color_);
      return;
    }
    TPersistent::AssignTo(dest);
  }

 private:
  Integer color_ = 0;
  Integer width_ = 1;
};

class TProbeWidePen : public TProbePen {
  ORV_CLASS(TProbeWidePen, TProbePen)
};

ORV_IMPLEMENT_CLASS(TProbeBrush, c) {}
ORV_IMPLEMENT_CLASS(TProbePen, c) {}
ORV_IMPLEMENT_CLASS(TProbeWidePen, c) {}

namespace {

String AssignMessage(TPersistent& dest, TPersistent* source) {
  try {
    dest.Assign(source);
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return "assigned";
}

TEST(Persistent, AssignCopiesFromKnownClassesAndThroughTheSourcesAssignTo) {
  TProbePen pen;
  pen.SetColor(0xFF0000);
  pen.SetWidth(3);

  TProbePen copy;
  copy.Assign(&pen);
  EXPECT_EQ(copy.Color(), 0xFF0000);
  EXPECT_EQ(copy.Width(), 3);

  // The brush has no Assign of its own: the pen's AssignTo does the copying.
  TProbeBrush brush;
  brush.Assign(&pen);
  EXPECT_EQ(brush.Color(), 0xFF0000);

  // A derived class inherits both directions.
  TProbeWidePen wide;
  wide.SetColor(0x00FF00);
  brush.Assign(&wide);
  EXPECT_EQ(brush.Color(), 0x00FF00);
  copy.Assign(&wide);
  EXPECT_EQ(copy.Color(), 0x00FF00);
  wide.Assign(&pen);
  EXPECT_EQ(wide.Width(), 3);
}

TEST(Persistent, AssignBetweenClassesThatDoNotKnowEachOtherIsRefused) {
  TProbePen pen;
  pen.SetColor(7);
  TProbeBrush brush;
  brush.SetColor(9);
  // The pen knows how to fill a brush, not how to be filled from one.
  EXPECT_EQ(AssignMessage(pen, &brush), "Cannot assign a TProbeBrush to a TProbePen");
  EXPECT_EQ(pen.Color(), 7);
  TProbeWidePen wide;
  EXPECT_EQ(AssignMessage(wide, &brush), "Cannot assign a TProbeBrush to a TProbeWidePen");
  TProbeBrush other;
  EXPECT_EQ(AssignMessage(other, &brush), "Cannot assign a TProbeBrush to a TProbeBrush");
  EXPECT_EQ(AssignMessage(brush, nullptr), "Cannot assign a nil to a TProbeBrush");
  EXPECT_EQ(brush.Color(), 9);
  EXPECT_EQ(brush.GetNamePath(), "TProbeBrush");
}

}  // namespace
}  // namespace orv
