#include "platform/gui/ComCtrls.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>
#include <cmath>

#include "platform/gui/QtBridge.h"
#include "platform/rtl/FormatSettings.h"

namespace orv {

// ---- page control ----

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {}

TTabSheet::~TTabSheet() {
  if (pageControl_) SetParent(nullptr);
}

void TTabSheet::SetPageControl(TPageControl* APageControl) { SetParent(APageControl); }

int TTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  auto& pages = pageControl_->pages_;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int Value) {
  if (!pageControl_) return;
  auto& pages = pageControl_->pages_;
  Value = std::clamp(Value, 0, static_cast<int>(pages.size()) - 1);
  int from = PageIndex();
  pages.erase(pages.begin() + from);
  pages.insert(pages.begin() + Value, this);
  TCodeChange change(pageControl_->settingFromCode_);
  static_cast<QTabWidget*>(WidgetOf(pageControl_))->tabBar()->moveTab(from, Value);
}

void TTabSheet::SetTabVisible(bool Value) {
  tabVisible_ = Value;
  if (pageControl_) pageControl_->UpdateTab(this);
}

void TTabSheet::TextChanged() {
  if (pageControl_) pageControl_->UpdateTab(this);
}

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QTabWidget>()) {
  auto* tabs = static_cast<QTabWidget*>(Widget());
  QObject::connect(tabs, &QTabWidget::currentChanged, impl_->bridge, [this, tabs](int index) {
    if (settingFromCode_ || !impl_->bridge->Control()) {
      lastIndex_ = index;
      return;
    }
    CallSafely(this, [&] {
      bool allow = true;
      if (OnChanging) OnChanging(this, allow);
      if (!allow) {
        TCodeChange change(settingFromCode_);
        tabs->setCurrentIndex(lastIndex_);
        return;
      }
      lastIndex_ = index;
      if (OnChange) OnChange(this);
    });
  });
  SetTabStop(true);
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  // Removing the tabs while the base class goes would report page changes to a half-destroyed
  // control.
  QObject::disconnect(static_cast<QTabWidget*>(Widget()), nullptr, impl_->bridge, nullptr);
  for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
}

TTabSheet* TPageControl::Pages(int Index) const {
  if (Index < 0 || Index >= PageCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return pages_[Index];
}

void TPageControl::ControlInserted(TControl* AControl) {
  auto* sheet = dynamic_cast<TTabSheet*>(AControl);
  if (!sheet) return;
  sheet->pageControl_ = this;
  pages_.push_back(sheet);
  {
    TCodeChange change(settingFromCode_);
    static_cast<QTabWidget*>(Widget())->addTab(WidgetOf(sheet), QStr(sheet->Caption()));
  }
  UpdateTab(sheet);
}

void TPageControl::ControlRemoved(TControl* AControl) {
  auto* sheet = dynamic_cast<TTabSheet*>(AControl);
  auto it = std::find(pages_.begin(), pages_.end(), sheet);
  if (it == pages_.end()) return;
  TCodeChange change(settingFromCode_);
  auto* tabs = static_cast<QTabWidget*>(Widget());
  tabs->removeTab(static_cast<int>(it - pages_.begin()));
  pages_.erase(it);
  sheet->pageControl_ = nullptr;
}

void TPageControl::UpdateTab(TTabSheet* Sheet) {
  auto* tabs = static_cast<QTabWidget*>(Widget());
  int i = Sheet->PageIndex();
  if (i < 0) return;
  tabs->setTabText(i, QStr(Sheet->Caption()));
  tabs->setTabVisible(i, Sheet->TabVisible());
}

TTabSheet* TPageControl::ActivePage() const {
  int i = ActivePageIndex();
  return i >= 0 ? pages_[i] : nullptr;
}

void TPageControl::SetActivePage(TTabSheet* Value) { SetActivePageIndex(Value ? Value->PageIndex() : -1); }

int TPageControl::ActivePageIndex() const {
  int i = static_cast<QTabWidget*>(Widget())->currentIndex();
  return i < PageCount() ? i : -1;
}

void TPageControl::SetActivePageIndex(int Value) {
  if (Value < 0 || Value >= PageCount()) return;
  TCodeChange change(settingFromCode_);
  static_cast<QTabWidget*>(Widget())->setCurrentIndex(Value);
}

// ---- date and time picker ----

namespace {

const QDate kBaseDate(1899, 12, 30);

QDateTime ToQDateTime(TDateTime value) {
  double days = std::floor(value);
  qint64 ms = std::llround((value - days) * 86400000.0);
  return QDateTime(kBaseDate.addDays(static_cast<qint64>(days)), QTime(0, 0).addMSecs(static_cast<int>(ms)));
}

TDateTime FromQDateTime(const QDateTime& value) {
  return static_cast<double>(kBaseDate.daysTo(value.date())) + value.time().msecsSinceStartOfDay() / 86400000.0;
}

// The class library's date pictures ("d/m/yyyy", "d mmmm yyyy", "hh:nn") in Qt's notation.
QString QtDatePicture(const String& picture) {
  QString in = QStr(picture), out;
  for (qsizetype i = 0; i < in.size(); ++i) {
    QChar c = in[i];
    if (c == 'm' || c == 'M') out += 'M';
    else if (c == 'n' || c == 'N') out += 'm';
    else if (c == 'D') out += 'd';
    else if (c == 'Y') out += 'y';
    else if (c == '/' || c == ':' || c == '.' || c == '-' || c == ' ' || c.isLetter()) out += c;
    else out += QStringLiteral("'") + c + QStringLiteral("'");
  }
  return out;
}

// The picker's own pictures use "M" for the month and "m" for minutes, like Qt; "t" is AM/PM.
// Minutes have at most two digits, so "mmm" and "mmmm" can only mean the month's name, which is
// what a picture such as "d mmmm yyyy" is written for.
QString QtPickerPicture(const String& picture) {
  QString out = QStr(picture);
  for (qsizetype i = 0; i < out.size();) {
    qsizetype run = 0;
    while (i + run < out.size() && out[i + run] == 'm') ++run;
    if (run >= 3) out.replace(i, run, QString(run, 'M'));
    i += std::max<qsizetype>(run, 1);
  }
  out.replace(QStringLiteral("tt"), QStringLiteral("AP"));
  out.replace('t', QStringLiteral("A"));
  return out;
}

QLocale ProgramLocale() {
  QLocale thai(QLocale::Thai, QLocale::Thailand);
  return FormatSettings().LongMonthNames[0] == OStr(thai.monthName(1)) ? thai : QLocale(QLocale::English);
}

}  // namespace

struct PickerParts {
  QDateTimeEdit* edit;
  QCheckBox* check;
};

static PickerParts Parts(const TDateTimePicker* p) {
  QWidget* w = WidgetOf(p);
  return {w->findChild<QDateTimeEdit*>(), w->findChild<QCheckBox*>()};
}

static QWidget* NewPickerWidget() {
  auto* box = NewWidget<QWidget>();
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  auto* check = new QCheckBox;
  check->setChecked(true);
  check->hide();
  auto* edit = new QDateTimeEdit;
  edit->setMinimumDate(QDate(100, 1, 1));
  // Up and Down turn the part of the date under the cursor round, December to January and the
  // 31st to the 1st, as the class library's picker does; they never do nothing.
  edit->setWrapping(true);
  layout->addWidget(check);
  layout->addWidget(edit, 1);
  box->setFocusProxy(edit);
  return box;
}

TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TWinControl(AOwner, NewPickerWidget()) {
  PickerParts parts = Parts(this);
  AddEventSource(parts.edit);
  if (QLineEdit* line = parts.edit->findChild<QLineEdit*>()) AddEventSource(line);
  parts.edit->setLocale(ProgramLocale());
  {
    TCodeChange change(settingFromCode_);
    parts.edit->setDateTime(QDateTime(QDate::currentDate(), QTime::currentTime()));
  }
  QObject::connect(parts.edit, &QDateTimeEdit::dateTimeChanged, impl_->bridge, [this](const QDateTime&) {
    if (!settingFromCode_ && impl_->bridge->Control()) CallSafely(this, [this] { Change(); });
  });
  QObject::connect(parts.check, &QCheckBox::clicked, impl_->bridge, [this](bool on) {
    Parts(this).edit->setEnabled(on);
    if (impl_->bridge->Control()) CallSafely(this, [this] { Change(); });
  });
  ApplyFormat();
  SetTabStop(true);
  SetBounds(0, 0, 186, 21);
}

void TDateTimePicker::Change() {
  if (OnChange) OnChange(this);
}

void TDateTimePicker::ApplyFormat() {
  QDateTimeEdit* edit = Parts(this).edit;
  QString picture;
  if (!format_.empty())
    picture = QtPickerPicture(format_);
  else if (kind_ == dtkTime)
    picture = QtDatePicture(FormatSettings().LongTimeFormat);
  else
    picture = QtDatePicture(dateFormat_ == dfLong ? FormatSettings().LongDateFormat : FormatSettings().ShortDateFormat);
  TCodeChange change(settingFromCode_);
  edit->setDisplayFormat(picture);
  edit->setCalendarPopup(kind_ == dtkDate);
}

TDateTime TDateTimePicker::DateTime() const { return FromQDateTime(Parts(this).edit->dateTime()); }

void TDateTimePicker::SetDateTime(TDateTime Value) {
  TCodeChange change(settingFromCode_);
  Parts(this).edit->setDateTime(ToQDateTime(Value));
}

TDateTime TDateTimePicker::Date() const { return std::floor(DateTime()); }
void TDateTimePicker::SetDate(TDateTime Value) { SetDateTime(std::floor(Value) + Time()); }
TDateTime TDateTimePicker::Time() const { return DateTime() - std::floor(DateTime()); }
void TDateTimePicker::SetTime(TDateTime Value) { SetDateTime(Date() + (Value - std::floor(Value))); }

void TDateTimePicker::SetKind(TDateTimeKind Value) {
  kind_ = Value;
  ApplyFormat();
}

void TDateTimePicker::SetDateFormat(TDTDateFormat Value) {
  dateFormat_ = Value;
  ApplyFormat();
}

void TDateTimePicker::SetFormat(const String& Value) {
  format_ = Value;
  ApplyFormat();
}

void TDateTimePicker::SetShowCheckbox(bool Value) {
  showCheckbox_ = Value;
  Parts(this).check->setVisible(Value);
}

bool TDateTimePicker::Checked() const { return Parts(this).check->isChecked(); }

void TDateTimePicker::SetChecked(bool Value) {
  PickerParts parts = Parts(this);
  parts.check->setChecked(Value);
  parts.edit->setEnabled(Value || !showCheckbox_);
}

TDateTime TDateTimePicker::MinDate() const { return FromQDateTime(Parts(this).edit->minimumDateTime()); }
void TDateTimePicker::SetMinDate(TDateTime Value) { Parts(this).edit->setMinimumDateTime(ToQDateTime(Value)); }
TDateTime TDateTimePicker::MaxDate() const { return FromQDateTime(Parts(this).edit->maximumDateTime()); }
void TDateTimePicker::SetMaxDate(TDateTime Value) { Parts(this).edit->setMaximumDateTime(ToQDateTime(Value)); }

// ---- status bar ----

void TStatusPanel::SetText(const String& Value) {
  text_ = Value;
  bar_->UpdatePanels();
}

void TStatusPanel::SetWidth(int Value) {
  width_ = Value;
  bar_->UpdatePanels();
}

void TStatusPanel::SetAlignment(TAlignment Value) {
  alignment_ = Value;
  bar_->UpdatePanels();
}

TStatusPanel* TStatusPanels::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return panels_[Index].get();
}

TStatusPanel* TStatusPanels::Add() {
  panels_.push_back(std::make_unique<TStatusPanel>(bar_, Count()));
  bar_->UpdatePanels();
  return panels_.back().get();
}

void TStatusPanels::Clear() {
  panels_.clear();
  bar_->UpdatePanels();
}

TStatusBar::TStatusBar(TComponent* AOwner) : TWinControl(AOwner), panels_(std::make_unique<TStatusPanels>(this)) {
  SetBounds(0, 0, 185, 19);
  SetAlign(alBottom);
  Widget()->setFocusPolicy(Qt::NoFocus);
  impl_->tabStop = false;
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::SetSimplePanel(bool Value) {
  simplePanel_ = Value;
  UpdatePanels();
}

void TStatusBar::SetSimpleText(const String& Value) {
  simpleText_ = Value;
  UpdatePanels();
}

// One sunken label per panel; the last one reaches the right edge.
void TStatusBar::UpdatePanels() {
  QWidget* bar = Widget();
  for (QLabel* label : bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) delete label;
  auto addLabel = [bar](const String& text, int x, int w, TAlignment a) {
    auto* label = new QLabel(QStr(text), bar);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignVCenter | (a == taCenter ? Qt::AlignHCenter : a == taRightJustify ? Qt::AlignRight : Qt::AlignLeft));
    label->setGeometry(x, 2, std::max(0, w), bar->height() - 2);
    label->show();
  };
  if (simplePanel_) {
    addLabel(simpleText_, 0, bar->width(), taLeftJustify);
    return;
  }
  int x = 0;
  for (int i = 0; i < panels_->Count(); ++i) {
    TStatusPanel* p = panels_->Items(i);
    int w = i == panels_->Count() - 1 ? bar->width() - x : p->Width();
    addLabel(p->Text(), x, w, p->Alignment());
    x += p->Width() + 2;
  }
}

ORV_IMPLEMENT_CLASS(TTabSheet, c) {
  c.Prop("PageIndex", &TTabSheet::PageIndex, &TTabSheet::SetPageIndex);
  c.Prop("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible).Default(true);
}

ORV_IMPLEMENT_CLASS(TPageControl, c) {
  c.Prop("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage);
  c.Prop("ActivePageIndex", &TPageControl::ActivePageIndex, &TPageControl::SetActivePageIndex);
  c.Prop("PageCount", &TPageControl::PageCount);
  c.Event("OnChange", &TPageControl::OnChange);
  c.Event("OnChanging", &TPageControl::OnChanging);
}

ORV_IMPLEMENT_CLASS(TDateTimePicker, c) {
  c.Prop("Checked", &TDateTimePicker::Checked, &TDateTimePicker::SetChecked).Default(true);
  c.Prop("Date", &TDateTimePicker::Date, &TDateTimePicker::SetDate);
  c.Prop("DateFormat", &TDateTimePicker::DateFormat, &TDateTimePicker::SetDateFormat).Default(dfShort);
  c.Prop("DateTime", &TDateTimePicker::DateTime, &TDateTimePicker::SetDateTime);
  c.Prop("Format", [](TDateTimePicker& p) { return p.Format(); }, &TDateTimePicker::SetFormat);
  c.Prop("Kind", &TDateTimePicker::Kind, &TDateTimePicker::SetKind).Default(dtkDate);
  c.Prop("MaxDate", &TDateTimePicker::MaxDate, &TDateTimePicker::SetMaxDate);
  c.Prop("MinDate", &TDateTimePicker::MinDate, &TDateTimePicker::SetMinDate);
  c.Prop("ShowCheckbox", &TDateTimePicker::ShowCheckbox, &TDateTimePicker::SetShowCheckbox).Default(false);
  c.Prop("Time", &TDateTimePicker::Time, &TDateTimePicker::SetTime);
  c.Event("OnChange", &TDateTimePicker::OnChange);
}

ORV_IMPLEMENT_CLASS(TStatusBar, c) {
  c.Prop("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel).Default(false);
  c.Prop("SimpleText", [](TStatusBar& s) { return s.SimpleText(); }, &TStatusBar::SetSimpleText);
}

}  // namespace orv
