// Shows a long member list and a certificate in the preview window on the display, and saves a
// picture of each window as preview-list.png and preview-certificate.png in the folder named by the
// first argument.
#include <chrono>
#include <thread>

#include "platform/gui/Application.h"
#include "platform/gui/FormImage.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Streams.h"
#include "png/PNGObject.h"
#include "report/engine/PreviewForm.h"
#include "report/engine/PreviewPages.h"
#include "report/engine/tests/StoreObjects.h"

using namespace orv;
using namespace orv::test;

namespace {

TStoreMemo* Text(TkvxComponent* parent, const String& name, const String& text, int left, int top, int width) {
  auto* memo = new TStoreMemo(parent);
  memo->SetName(name);
  memo->SetBounds(left, top, width, 20);
  memo->SetText(text);
  return memo;
}

void FillList(TkvxPreviewPages& pages, TkvxReportPage* page) {
  auto* title = new TStoreBand(page);
  title->SetName("Title");
  title->SetBounds(0, 0, 700, 40);
  Text(title, "Heading", "ทะเบียนสัตบุรุษ วัดพระหฤทัย", 10, 5, 400);
  auto* data = new TStoreBand(page);
  data->SetName("Data");
  data->SetBounds(0, 40, 700, 20);
  TStoreMemo* no = Text(data, "No", "", 0, 0, 50);
  TStoreMemo* name = Text(data, "Name", "", 60, 0, 300);
  TStoreMemo* village = Text(data, "Village", "", 380, 0, 300);
  pages.Clear();
  pages.Initialize();
  pages.AddSourcePage(page);
  pages.BeginPass();
  const char* villages[] = {"บ้านแพ้ว", "ท่าจีน", "สามพราน", "นครชัยศรี"};
  for (int r = 0; r < 2000; ++r) {
    if (r % 45 == 0) {
      pages.AddPage(page);
      pages.AddObject(title);
    }
    data->SetTop(40 + 20 * (r % 45));
    no->SetText(std::to_string(r + 1));
    name->SetText("สมชาย ใจดี " + std::to_string(r + 1));
    village->SetText(villages[r % 4]);
    pages.AddObject(data);
  }
  pages.Finish();
}

void FillCertificate(TkvxPreviewPages& pages, TkvxReportPage* page) {
  auto* body = new TStoreBand(page);
  body->SetName("Body");
  body->SetBounds(0, 0, 700, 600);
  Text(body, "Title", "ใบรับรองศีลล้างบาป", 250, 40, 300);
  Text(body, "Line1", "ขอรับรองว่า ด.ญ. มารีอา สมใจ ใจดี", 120, 140, 500);
  Text(body, "Line2", "ได้รับศีลล้างบาป ณ วัดพระหฤทัย เมื่อวันที่ 5 มีนาคม 2567", 120, 180, 560);
  Text(body, "Line3", "บิดา ยอแซฟ สมชาย ใจดี  มารดา อักแนส สมศรี ใจดี", 120, 220, 560);
  Text(body, "Line4", "ผู้ประกอบพิธี คุณพ่อเปาโล", 120, 300, 400);
  Text(body, "Sign", "(ลงนาม) ............................ เจ้าอาวาส", 300, 420, 400);
  pages.Clear();
  pages.Initialize();
  pages.AddSourcePage(page);
  pages.BeginPass();
  pages.AddPage(page);
  pages.AddObject(body);
  pages.Finish();
}

bool SavePicture(TCustomForm& form, const String& file) {
  std::unique_ptr<TBitmap> image = GetFormImage(form);
  if (!image || image->Empty()) return false;
  TPNGObject png;
  png.Assign(image.get());
  TFileStream out(file, fmCreate);
  png.SaveToStream(out);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  String folder = argv[1];
  Application->Initialize();
  RegisterStoreObjectClasses();
  int result = 0;
  for (bool certificate : {false, true}) {
    TkvxReport report(nullptr);
    auto* page = new TkvxReportPage(&report);
    page->SetName("Page1");
    TkvxPreviewPages pages(&report);
    report.PreviewPages = &pages;
    // The window as the register shows it, at a size of its own rather than maximised.
    report.PreviewOptions()->Maximized = false;
    report.ReportOptions()->Name = certificate ? "ใบรับรอง" : "ทะเบียนสัตบุรุษ";
    TkvxPreviewForm form(nullptr);
    form.SetBounds(0, 0, 1000, 760);
    form.Show();
    TkvxPreview* preview = form.Preview();
    report.SetPreview(preview);
    if (certificate)
      FillCertificate(pages, page);
    else
      FillList(pages, page);
    form.Init();
    if (certificate) {
      preview->SetZoomMode(zmWholePage);
    } else {
      preview->SetThumbnailVisible(true);
      preview->SetZoom(0.75);
      preview->FindText("สมชาย ใจดี 12", false, true);
    }
    // Time for the window manager to map the window and for the pages to paint.
    for (int i = 0; i < 25; ++i) {
      Application->ProcessMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    String name = certificate ? "/preview-certificate.png" : "/preview-list.png";
    if (!SavePicture(form, folder + name)) result = 1;
    report.SetPreview(nullptr);
    report.PreviewPages = nullptr;
  }
  return result;
}
