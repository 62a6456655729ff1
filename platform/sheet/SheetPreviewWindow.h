#pragma once
// The print preview of a worksheet: its pages as images, one at a time, with paging, zoom and
// printing on the printer the user picks. Inside platform/sheet and its tests; callers go
// through ShowSheetPreview.
#include <QDialog>

#include "platform/sheet/SheetPages.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace orv {

class SheetPreviewWindow : public QDialog {
 public:
  explicit SheetPreviewWindow(const SheetWorksheet& sheet, QWidget* parent = nullptr);

  int Page() const { return page_; }
  int Zoom() const { return zoom_; }
  // The page as the window shows it.
  const QImage& PageImage() const { return image_; }
  // The printer Print sends the pages to; empty when the print server has none.
  String Printer() const;

 private:
  void ShowPage(int page);
  void SetZoom(int percent);
  void Print();

  SheetPageLayout layout_;
  String title_;
  int page_ = 0;
  int zoom_ = 100;
  QImage image_;
  QLabel* picture_;
  QLabel* pageLabel_;
  QPushButton* previous_;
  QPushButton* next_;
  QPushButton* zoomIn_;
  QPushButton* zoomOut_;
  QComboBox* printer_;
  QPushButton* print_;
  String printError_;  // why there is no printer to choose
};

}  // namespace orv
