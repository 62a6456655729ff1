#pragma once
// The common controls: page controls with tab sheets, date pickers and status bars; tree
// views, tool bars and up-downs have headers of their own, included here.
#include <memory>
#include <vector>

#include "platform/gui/Controls.h"
#include "platform/gui/ImageList.h"
#include "platform/gui/ToolBar.h"
#include "platform/gui/TreeView.h"
#include "platform/gui/UpDown.h"

namespace orv {

class TPageControl;

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// One page of a page control; its caption is the tab's text.
class TTabSheet : public TWinControl {
  ORV_CLASS(TTabSheet, TWinControl)

 public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  TPageControl* PageControl() const { return pageControl_; }
  // Puts the sheet on APageControl as its last page (the sheet's parent becomes that control).
  void SetPageControl(TPageControl* APageControl);
  // The position among the pages.
  int PageIndex() const;
  void SetPageIndex(int Value);
  // A hidden tab keeps its page but cannot be chosen.
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool Value);

 protected:
  void TextChanged() override;

 private:
  friend class TPageControl;
  TPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
};

// Pages behind tabs. Choosing a tab fires OnChanging (which may refuse) and OnChange;
// setting ActivePage or ActivePageIndex from code fires neither.
class TPageControl : public TWinControl {
  ORV_CLASS(TPageControl, TWinControl)

 public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int Index) const;
  TTabSheet* ActivePage() const;
  void SetActivePage(TTabSheet* Value);
  int ActivePageIndex() const;
  void SetActivePageIndex(int Value);

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

 protected:
  void ControlInserted(TControl* AControl) override;
  void ControlRemoved(TControl* AControl) override;
  bool ClicksOnMouseUp() const override { return false; }

 private:
  friend class TTabSheet;
  void UpdateTab(TTabSheet* Sheet);
  std::vector<TTabSheet*> pages_;
  bool settingFromCode_ = false;
  int lastIndex_ = -1;
};

ORV_ENUM(TDateTimeKind, dtkDate, dtkTime);
ORV_ENUM(TDTDateFormat, dfShort, dfLong);

// Picks a date (or a time) from a calendar that drops down. The date shows in the program's
// date format (Thai month names) unless Format says otherwise. Setting Date, Time or DateTime
// from code fires nothing; the user's changes fire OnChange.
class TDateTimePicker : public TWinControl {
  ORV_CLASS(TDateTimePicker, TWinControl)

 public:
  explicit TDateTimePicker(TComponent* AOwner);
  TDateTime DateTime() const;
  void SetDateTime(TDateTime Value);
  // The date part; setting it keeps the time of day.
  TDateTime Date() const;
  void SetDate(TDateTime Value);
  TDateTime Time() const;
  void SetTime(TDateTime Value);
  TDateTimeKind Kind() const { return kind_; }
  void SetKind(TDateTimeKind Value);
  TDTDateFormat DateFormat() const { return dateFormat_; }
  void SetDateFormat(TDTDateFormat Value);
  // A picture of the class library's date format kind ("d mmmm yyyy"); empty for DateFormat.
  const String& Format() const { return format_; }
  void SetFormat(const String& Value);
  // A check box in front of the date; unticked, the control has no date for the user.
  bool ShowCheckbox() const { return showCheckbox_; }
  void SetShowCheckbox(bool Value);
  bool Checked() const;
  void SetChecked(bool Value);
  TDateTime MinDate() const;
  void SetMinDate(TDateTime Value);
  TDateTime MaxDate() const;
  void SetMaxDate(TDateTime Value);

  TNotifyEvent OnChange;

 protected:
  bool ClicksOnMouseUp() const override { return false; }

 private:
  void ApplyFormat();
  void Change();
  TDateTimeKind kind_ = dtkDate;
  TDTDateFormat dateFormat_ = dfShort;
  String format_;
  bool showCheckbox_ = false;
  bool settingFromCode_ = false;
};

ORV_ENUM(TStatusPanelStyle, psText, psOwnerDraw);

class TStatusBar;

// One part of a status bar.
class TStatusPanel {
 public:
  TStatusPanel(TStatusBar* Bar, int Index) : bar_(Bar), index_(Index) {}
  const String& Text() const { return text_; }
  void SetText(const String& Value);
  int Width() const { return width_; }
  void SetWidth(int Value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  int Index() const { return index_; }

 private:
  TStatusBar* bar_;
  int index_;
  String text_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
};

// The panels of a status bar.
class TStatusPanels {
 public:
  explicit TStatusPanels(TStatusBar* Bar) : bar_(Bar) {}
  int Count() const { return static_cast<int>(panels_.size()); }
  TStatusPanel* Items(int Index) const;
  TStatusPanel* Add();
  void Clear();

 private:
  TStatusBar* bar_;
  std::vector<std::unique_ptr<TStatusPanel>> panels_;
};

// A bar along the bottom of a form showing panels of text, or one simple text.
class TStatusBar : public TWinControl {
  ORV_CLASS(TStatusBar, TWinControl)

 public:
  explicit TStatusBar(TComponent* AOwner);
  ~TStatusBar() override;
  TStatusPanels* Panels() const { return panels_.get(); }
  // Shows SimpleText across the whole bar instead of the panels.
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool Value);
  const String& SimpleText() const { return simpleText_; }
  void SetSimpleText(const String& Value);

 private:
  friend class TStatusPanel;
  friend class TStatusPanels;
  void UpdatePanels();
  std::unique_ptr<TStatusPanels> panels_;
  bool simplePanel_ = false;
  String simpleText_;
};

}  // namespace orv
