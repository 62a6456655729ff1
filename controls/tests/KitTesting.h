#pragma once
// Shared set-up of the control kit's tests: a shown form to put controls on, and pictures of
// what a control paints compared with expected pictures kept in the data folder.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "platform/gui/tests/ControlTesting.h"

namespace orv::testing {

// Antialiased edges and text may come out a little differently from one build of the
// rasteriser to another; a channel further than this from the expected picture is a fault.
constexpr int kPixelTolerance = 24;

inline void ExpectPicture(TBitmap& picture, const std::string& name) {
  ExpectPicture(picture, ORVANE_TEST_DATA, name, kPixelTolerance);
}

class KitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetColor(clWhite);
    form_->SetBounds(0, 0, 640, 400);
    form_->Font()->SetName("Tahoma");
    form_->Font()->SetSize(10);
  }
  // The form goes while the test's own members, which its controls' handlers may use, still stand.
  void TearDown() override { form_.reset(); }
  void ShowForm() {
    form_->Show();
    ASSERT_TRUE(WaitFor([&] { return form_->Active(); }));
  }
  std::unique_ptr<TBitmap> Picture(TControl* control, int height = -1) {
    return PictureOf(form_.get(), control, height);
  }
  std::unique_ptr<TForm> form_;
};

// Keeps pictures alive for joining them.
class TPictureSheet {
 public:
  void Add(std::unique_ptr<TBitmap> picture) { parts_.push_back(std::move(picture)); }
  std::unique_ptr<TBitmap> Join(bool across = false) const {
    std::vector<TBitmap*> parts;
    for (const auto& p : parts_) parts.push_back(p.get());
    return JoinPictures(parts, across);
  }

 private:
  std::vector<std::unique_ptr<TBitmap>> parts_;
};

}  // namespace orv::testing
