#pragma once
// TkvxPrintSpool: a printer job's sheets written by the program's own document writer, each sheet
// showing prepared pages with the same content an export gives them, instead of being drawn on
// the printer's canvas.
#include <functional>
#include <memory>

#include "platform/rtl/Types.h"

namespace orv {

class TkvxComponent;

// One printer job's sheets, saved as one PDF file.
class TkvxPrintSpool {
 public:
  virtual ~TkvxPrintSpool() = default;

  // A new sheet, its size in millimetres as it lies.
  virtual void AddSheet(Extended width, Extended height) = 0;
  // The views that follow, placed as an export places them on their page's paper, go on the last
  // sheet scaled by scaleX and scaleY and moved to left and top (millimetres from its corner).
  virtual void StartPage(Extended scaleX, Extended scaleY, Extended left, Extended top) = 0;
  virtual void ExportObject(TkvxComponent* obj) = 0;
  virtual void FinishPage() = 0;
  // Writes the sheets to fileName; false with the reason.
  virtual bool Save(const String& fileName, String& error) = 0;
};

using TkvxPrintSpoolMaker = std::function<std::unique_ptr<TkvxPrintSpool>()>;

// Set by a program that has a document writer: its printers' jobs of prepared pages go through
// it. Without one, pages are drawn on the printer's canvas.
void kvxSetPrintSpoolMaker(TkvxPrintSpoolMaker maker);
const TkvxPrintSpoolMaker& kvxPrintSpoolMaker();

}  // namespace orv
