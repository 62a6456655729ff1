#include "platform/gui/StdCtrls.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

#include "platform/gui/Action.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/CanvasQt.h"
#include "platform/gui/ItemStrings.h"
#include "platform/gui/MemoLines.h"
#include "platform/gui/QtBridge.h"

namespace orv {

namespace {

template <class W>
W* As(const TControl* c) {
  return static_cast<W*>(WidgetOf(c));
}

// Code points, which is how the class library counts characters of 8-bit text here.
int CodePoints(const QString& s, int utf16) { return static_cast<int>(s.left(utf16).toUcs4().size()); }
int Utf16Index(const QString& s, int codePoints) {
  int i = 0;
  for (int n = 0; i < s.size() && n < codePoints; ++n) i += s[i].isHighSurrogate() ? 2 : 1;
  return i;
}

// Qt inverts the controls of a scroll bar so that the wheel scrolls the right way, and with them
// the arrow keys of a horizontal bar; the right arrow moves a bar to the right, as on Windows.
class ScrollBarWidget : public QScrollBar {
 public:
  using QScrollBar::QScrollBar;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (orientation() != Qt::Horizontal || (e->key() != Qt::Key_Left && e->key() != Qt::Key_Right)) {
      QScrollBar::keyPressEvent(e);
      return;
    }
    bool forward = (e->key() == Qt::Key_Right) != isRightToLeft();
    triggerAction(forward ? SliderSingleStepAdd : SliderSingleStepSub);
    e->accept();
  }
};

}  // namespace

// ---- TLabel ----

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner, NewWidget<QLabel>()) {
  auto* label = As<QLabel>(this);
  label->setTextFormat(Qt::PlainText);
  ApplyAlignment();
  SetBounds(0, 0, 65, 13);
}

String TLabel::GetText() const { return caption_; }

void TLabel::SetTextValue(const String& Value) {
  caption_ = Value;
  As<QLabel>(this)->setText(StripAccelerators(QStr(Value)));
  AdjustSize();
}

void TLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustSize();
}

void TLabel::AdjustSize() {
  if (!autoSize_) return;
  auto* label = As<QLabel>(this);
  if (label->wordWrap()) {
    SetHeight(label->heightForWidth(Width()));
  } else {
    QSize hint = label->sizeHint();
    int left = Left();
    if (alignment_ == taRightJustify) left = Left() + Width() - hint.width();
    SetBounds(left, Top(), hint.width(), hint.height());
  }
}

void TLabel::ApplyAlignment() {
  Qt::Alignment h = alignment_ == taCenter ? Qt::AlignHCenter : alignment_ == taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
  Qt::Alignment v = layout_ == tlCenter ? Qt::AlignVCenter : layout_ == tlBottom ? Qt::AlignBottom : Qt::AlignTop;
  As<QLabel>(this)->setAlignment(h | v);
}

void TLabel::SetAlignment(TAlignment Value) {
  alignment_ = Value;
  ApplyAlignment();
}

void TLabel::SetLayout(TTextLayout Value) {
  layout_ = Value;
  ApplyAlignment();
}

void TLabel::SetAutoSize(bool Value) {
  autoSize_ = Value;
  AdjustSize();
}

bool TLabel::WordWrap() const { return As<QLabel>(this)->wordWrap(); }

void TLabel::SetWordWrap(bool Value) {
  As<QLabel>(this)->setWordWrap(Value);
  AdjustSize();
}

bool TLabel::Transparent() const { return !As<QLabel>(this)->autoFillBackground(); }
void TLabel::SetTransparent(bool Value) { As<QLabel>(this)->setAutoFillBackground(!Value); }

void TLabel::SetFocusControl(TWinControl* Value) {
  if (focusControl_) focusControl_->RemoveFreeNotification(this);
  focusControl_ = Value;
  if (Value) Value->FreeNotification(this);
  As<QLabel>(this)->setBuddy(Value ? WidgetOf(Value) : nullptr);
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

// ---- TEdit ----

TEdit::TEdit(TComponent* AOwner) : TEdit(AOwner, NewWidget<QLineEdit>()) {}

TEdit::TEdit(TComponent* AOwner, QWidget* AWidget) : TWinControl(AOwner, AWidget) {
  Connect();
  InitEditBox(121, 21);
}

void TEdit::Connect() {
  auto* edit = As<QLineEdit>(this);
  QObject::connect(edit, &QLineEdit::textChanged, impl_->bridge, [this](const QString& text) {
    if (changingCase_ || !impl_->bridge->Control()) return;
    if (charCase_ != ecNormal) {
      QString cased = charCase_ == ecUpperCase ? text.toUpper() : text.toLower();
      if (cased != text) {
        auto* e = As<QLineEdit>(this);
        int pos = e->cursorPosition();
        changingCase_ = true;
        e->setText(cased);
        e->setCursorPosition(pos);
        changingCase_ = false;
      }
    }
    CallSafely(this, [this] { Change(); });
  });
}

String TEdit::GetText() const { return OStr(As<QLineEdit>(this)->text()); }
void TEdit::SetTextValue(const String& Value) {
  As<QLineEdit>(this)->setText(QStr(Value));
  As<QLineEdit>(this)->setModified(false);
}

void TEdit::Change() {
  if (OnChange) OnChange(this);
}

void TEdit::DoEnter() {
  if (autoSelect_) QTimer::singleShot(0, As<QLineEdit>(this), [e = As<QLineEdit>(this)] { e->selectAll(); });
  TWinControl::DoEnter();
}

int TEdit::MaxLength() const {
  int m = As<QLineEdit>(this)->maxLength();
  return m >= 32767 ? 0 : m;
}

void TEdit::SetMaxLength(int Value) { As<QLineEdit>(this)->setMaxLength(Value > 0 ? Value : 32767); }
bool TEdit::ReadOnly() const { return As<QLineEdit>(this)->isReadOnly(); }
void TEdit::SetReadOnly(bool Value) { As<QLineEdit>(this)->setReadOnly(Value); }

void TEdit::SetPasswordChar(char32_t Value) {
  passwordChar_ = Value;
  As<QLineEdit>(this)->setEchoMode(Value ? QLineEdit::Password : QLineEdit::Normal);
}

void TEdit::SetCharCase(TEditCharCase Value) {
  charCase_ = Value;
  if (Value != ecNormal) SetText(Text());
}

bool TEdit::Modified() const { return As<QLineEdit>(this)->isModified(); }
void TEdit::SetModified(bool Value) { As<QLineEdit>(this)->setModified(Value); }

int TEdit::SelStart() const {
  auto* e = As<QLineEdit>(this);
  int start = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
  return CodePoints(e->text(), start);
}

void TEdit::SetSelStart(int Value) {
  auto* e = As<QLineEdit>(this);
  e->setCursorPosition(Utf16Index(e->text(), Value));
}

int TEdit::SelLength() const {
  auto* e = As<QLineEdit>(this);
  return static_cast<int>(e->selectedText().toUcs4().size());
}

void TEdit::SetSelLength(int Value) {
  auto* e = As<QLineEdit>(this);
  int start = SelStart();
  int from = Utf16Index(e->text(), start);
  int to = Utf16Index(e->text(), start + Value);
  e->setSelection(from, to - from);
}

String TEdit::SelText() const { return OStr(As<QLineEdit>(this)->selectedText()); }
void TEdit::SetSelText(const String& Value) { As<QLineEdit>(this)->insert(QStr(Value)); }
void TEdit::SelectAll() { As<QLineEdit>(this)->selectAll(); }
void TEdit::Clear() { SetText(""); }

// ---- TMemo ----

namespace {
TMemoLines& LinesOf(const std::unique_ptr<TStrings>& lines) { return static_cast<TMemoLines&>(*lines); }
}  // namespace

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner, NewWidget<TMemoEdit>()) {
  auto* edit = As<TMemoEdit>(this);
  const auto changed = [this] {
    if (impl_->bridge->Control() && OnChange) CallSafely(this, [this] { OnChange(this); });
  };
  lines_ = std::make_unique<TMemoLines>(edit, changed, [this](Int64 bytes) { ChargeText(bytes); });
  edit->setTabChangesFocus(true);
  SetScrollBars(ssNone);
  // The user's edits; the lines report their own changes as they make them.
  QObject::connect(edit, &QPlainTextEdit::textChanged, impl_->bridge, [this, changed] {
    if (!LinesOf(lines_).Flushing()) changed();
  });
  InitEditBox(185, 89);
}

TMemo::~TMemo() = default;

TStrings* TMemo::Lines() const { return lines_.get(); }
void TMemo::SetLines(TStrings* Value) { lines_->Assign(Value); }

// The memo's text ends its lines with CR LF, as the class library's does.
String TMemo::GetText() const { return LinesOf(lines_).MemoText(); }

void TMemo::SetTextValue(const String& Value) { lines_->SetText(Value); }

void TMemo::KeyPress(char32_t& Key) {
  TWinControl::KeyPress(Key);
  if (Key == '\r' && !wantReturns_) Key = 0;
  if (maxLength_ > 0 && Key >= 32 && static_cast<int>(As<QPlainTextEdit>(this)->toPlainText().toUcs4().size()) >= maxLength_)
    Key = 0;
}

bool TMemo::ReadOnly() const { return As<QPlainTextEdit>(this)->isReadOnly(); }
void TMemo::SetReadOnly(bool Value) { As<QPlainTextEdit>(this)->setReadOnly(Value); }
bool TMemo::WordWrap() const { return As<QPlainTextEdit>(this)->lineWrapMode() != QPlainTextEdit::NoWrap; }

void TMemo::SetWordWrap(bool Value) {
  As<QPlainTextEdit>(this)->setLineWrapMode(Value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetScrollBars(TScrollStyle Value) {
  scrollBars_ = Value;
  auto* edit = As<QPlainTextEdit>(this);
  bool h = Value == ssHorizontal || Value == ssBoth;
  bool v = Value == ssVertical || Value == ssBoth;
  edit->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  edit->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TMemo::SetAlignment(TAlignment Value) {
  alignment_ = Value;
  auto* edit = As<QPlainTextEdit>(this);
  QTextOption option = edit->document()->defaultTextOption();
  option.setAlignment(Value == taCenter ? Qt::AlignHCenter : Value == taRightJustify ? Qt::AlignRight : Qt::AlignLeft);
  edit->document()->setDefaultTextOption(option);
}

// The cursor is the editor's: it needs the lines' changes first.
int TMemo::SelStart() const {
  auto* e = As<TMemoEdit>(this);
  e->Flush();
  return CodePoints(e->toPlainText(), e->textCursor().selectionStart());
}

void TMemo::SetSelStart(int Value) {
  auto* e = As<TMemoEdit>(this);
  e->Flush();
  QTextCursor c = e->textCursor();
  c.setPosition(Utf16Index(e->toPlainText(), Value));
  e->setTextCursor(c);
}

void TMemo::SelectAll() {
  As<TMemoEdit>(this)->Flush();
  As<QPlainTextEdit>(this)->selectAll();
}

void TMemo::Clear() { lines_->Clear(); }

// ---- combo box ----

static bool IsOwnerDraw(TComboBoxStyle style) { return style == csOwnerDrawFixed || style == csOwnerDrawVariable; }

struct ComboAccess {
  static bool OwnerDrawsFrame(const TCustomComboBox* c) { return c->ownerDrawFrame_; }
  static bool OwnerDrawsItems(const TCustomComboBox* c) { return IsOwnerDraw(c->style_); }
  static int ItemHeight(const TCustomComboBox* c) { return c->itemHeight_; }
  static TRect EditRect(const TCustomComboBox* c) { return c->EditRect(); }
  static void PlaceList(TCustomComboBox* c, TRect& r) { c->PlaceList(r); }
  static void CloseUp(TCustomComboBox* c) { c->CloseUp(); }
  static void PaintFrame(TCustomComboBox* c, QPainter* painter) {
    TCanvas& canvas = *c->canvas_;
    AttachCanvas(canvas, painter);
    canvas.Font().Assign(c->Font());
    CallSafely(c, [&] { c->PaintFrame(canvas); });
    DetachCanvas(canvas);
  }
  static void DrawItem(TCustomComboBox* c, QPainter* painter, int index, const QRect& r, TOwnerDrawState state) {
    TCanvas& canvas = *c->canvas_;
    AttachCanvas(canvas, painter);
    canvas.Font().Assign(c->Font());
    bool selected = state.Contains(odSelected);
    canvas.Brush().SetColor(selected ? clHighlight : clWindow);
    canvas.Font().SetColor(selected ? clHighlightText : clWindowText);
    CallSafely(c, [&] { c->DrawItem(index, Rect(r.left(), r.top(), r.right() + 1, r.bottom() + 1), state); });
    DetachCanvas(canvas);
  }
};

namespace {

// The combo box widget, which lets a descendant of the control paint its frame, place its editor
// and its list, and hear of the list closing; and lets the program paint the closed field's item
// of an owner-drawn box.
class ComboWidget : public QComboBox {
 public:
  void Attach(TCustomComboBox* control) { control_ = control; }
  // Null once the control is gone: from then on the widget is Qt's own.
  TCustomComboBox* Control() const { return control_; }
  void PlaceEditor() {
    if (!control_ || !ComboAccess::OwnerDrawsFrame(control_) || !lineEdit()) return;
    TRect r = ComboAccess::EditRect(control_);
    lineEdit()->setGeometry(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    bool ownFrame = control_ && ComboAccess::OwnerDrawsFrame(control_);
    bool ownItem = control_ && ComboAccess::OwnerDrawsItems(control_);
    if (!ownFrame && !ownItem) {
      QComboBox::paintEvent(event);
      return;
    }
    QStylePainter painter(this);
    QRect field;
    if (ownFrame) {
      ComboAccess::PaintFrame(control_, &painter);
      TRect r = ComboAccess::EditRect(control_);
      field = QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    } else {
      QStyleOptionComboBox option;
      initStyleOption(&option);
      option.currentText.clear();
      option.currentIcon = QIcon();
      painter.drawComplexControl(QStyle::CC_ComboBox, option);
      field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    }
    if (!ownItem || currentIndex() < 0 || !control_) return;
    TOwnerDrawState state{odComboBoxEdit};
    if (hasFocus()) state.Include(odSelected);
    if (!isEnabled()) state.Include(odDisabled);
    ComboAccess::DrawItem(control_, &painter, currentIndex(), field, state);
  }
  void resizeEvent(QResizeEvent* event) override {
    QComboBox::resizeEvent(event);
    PlaceEditor();
  }
  void changeEvent(QEvent* event) override {
    QComboBox::changeEvent(event);
    PlaceEditor();
  }
  void showEvent(QShowEvent* event) override {
    QComboBox::showEvent(event);
    PlaceEditor();
  }
  void showPopup() override {
    QComboBox::showPopup();
    if (!control_) return;
    QWidget* list = view()->window();
    QRect g = list->geometry();
    TRect r = Rect(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
    CallSafely(control_, [&] { ComboAccess::PlaceList(control_, r); });
    list->setGeometry(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  }
  void hidePopup() override {
    QComboBox::hidePopup();
    if (control_) CallSafely(control_, [this] { ComboAccess::CloseUp(control_); });
  }

 private:
  TCustomComboBox* control_ = nullptr;
};

// Lines of the list at the control's ItemHeight, painted by the program when the box is
// owner-drawn and by the style otherwise.
class ComboItemDelegate : public QStyledItemDelegate {
 public:
  explicit ComboItemDelegate(ComboWidget* combo) : QStyledItemDelegate(combo), combo_(combo) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    TCustomComboBox* control = combo_->Control();
    if (!control || !ComboAccess::OwnerDrawsItems(control)) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    TOwnerDrawState state;
    if (option.state & QStyle::State_Selected) state.Include(odSelected);
    if (option.state & QStyle::State_HasFocus) state.Include(odFocused);
    ComboAccess::DrawItem(control, painter, index.row(), option.rect, state);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    TCustomComboBox* control = combo_->Control();
    if (int h = control ? ComboAccess::ItemHeight(control) : 0; h > 0) size.setHeight(h);
    return size;
  }

 private:
  ComboWidget* combo_;
};

}  // namespace

static TItemStrings* MirrorInto(QComboBox* combo, bool* fromCode) {
  auto* items = new TItemStrings;
  items->Inserted = [combo, fromCode](int i, const String& s) {
    *fromCode = true;
    // Qt chooses the first item put into an empty box; a list filled by the program starts
    // with nothing chosen, and the text the box had stays.
    bool noneChosen = combo->currentIndex() < 0;
    QString text = combo->currentText();
    combo->insertItem(i, QStr(s));
    if (noneChosen && combo->currentIndex() >= 0) {
      combo->setCurrentIndex(-1);
      if (combo->isEditable()) combo->setEditText(text);
    }
    *fromCode = false;
  };
  items->Deleted = [combo, fromCode](int i) {
    *fromCode = true;
    combo->removeItem(i);
    *fromCode = false;
  };
  items->Cleared = [combo, fromCode] {
    *fromCode = true;
    QString text = combo->isEditable() ? combo->currentText() : QString();
    combo->clear();
    if (combo->isEditable()) combo->setEditText(text);
    *fromCode = false;
  };
  items->Changed = [combo](int i, const String& s) { combo->setItemText(i, QStr(s)); };
  return items;
}

TCustomComboBox::TCustomComboBox(TComponent* AOwner) : TCustomComboBox(AOwner, NewWidget<ComboWidget>()) {
  auto* combo = static_cast<ComboWidget*>(Widget());
  combo->Attach(this);
  combo->setItemDelegate(new ComboItemDelegate(combo));
}

TCustomComboBox::TCustomComboBox(TComponent* AOwner, QWidget* AWidget) : TWinControl(AOwner, AWidget) {
  auto* combo = As<QComboBox>(this);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);
  combo->setMaxVisibleItems(8);
  items_.reset(MirrorInto(combo, &settingFromCode_));
  canvas_ = std::make_unique<TCanvas>();
  combo->setCurrentIndex(-1);
  Connect();
  InitEditBox(145, 21);
}

TCustomComboBox::~TCustomComboBox() {
  if (auto* combo = dynamic_cast<ComboWidget*>(Widget())) combo->Attach(nullptr);
}

void TCustomComboBox::SetItemHeight(int Value) {
  itemHeight_ = std::max(0, Value);
  As<QComboBox>(this)->view()->doItemsLayout();
}

void TCustomComboBox::SetOwnerDrawFrame(bool Value) {
  ownerDrawFrame_ = Value;
  if (auto* combo = dynamic_cast<ComboWidget*>(Widget())) combo->PlaceEditor();
  Invalidate();
}

bool TCustomComboBox::EditReadOnly() const {
  QLineEdit* e = As<QComboBox>(this)->lineEdit();
  return e && e->isReadOnly();
}

void TCustomComboBox::SetEditReadOnly(bool Value) {
  if (QLineEdit* e = As<QComboBox>(this)->lineEdit()) e->setReadOnly(Value);
}

void TCustomComboBox::Connect() {
  auto* combo = As<QComboBox>(this);
  QObject::connect(combo, QOverload<int>::of(&QComboBox::activated), impl_->bridge, [this](int) {
    if (!impl_->bridge->Control()) return;
    CallSafely(this, [this] {
      Click();
      Select();
    });
  });
  if (QLineEdit* edit = combo->lineEdit()) {
    QObject::connect(edit, &QLineEdit::textEdited, impl_->bridge, [this](const QString&) {
      if (impl_->bridge->Control()) CallSafely(this, [this] { Change(); });
    });
  }
}

TStrings* TCustomComboBox::Items() const { return items_.get(); }
void TCustomComboBox::SetItems(TStrings* Value) { items_->Assign(Value); }
int TCustomComboBox::ItemIndex() const { return As<QComboBox>(this)->currentIndex(); }

void TCustomComboBox::SetItemIndex(int Value) {
  TCodeChange change(settingFromCode_);
  auto* combo = As<QComboBox>(this);
  combo->setCurrentIndex(Value >= 0 && Value < combo->count() ? Value : -1);
  if (Value < 0 && combo->isEditable()) combo->setEditText(QString());
}

String TCustomComboBox::GetText() const { return OStr(As<QComboBox>(this)->currentText()); }

void TCustomComboBox::SetTextValue(const String& Value) {
  auto* combo = As<QComboBox>(this);
  TCodeChange change(settingFromCode_);
  int index = combo->findText(QStr(Value), Qt::MatchExactly);
  if (combo->isEditable()) {
    combo->setCurrentIndex(index);
    combo->setEditText(QStr(Value));
  } else if (index >= 0) {
    combo->setCurrentIndex(index);
  }
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
  if (OnSelect)
    OnSelect(this);
  else
    Change();
}

void TCustomComboBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  canvas_->FillRect(Rect);
  if (Index >= 0 && Index < items_->Count()) canvas_->TextOut(Rect.Left + 2, Rect.Top, items_->Strings(Index));
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
  if (style_ == Value) return;
  style_ = Value;
  auto* combo = As<QComboBox>(this);
  String text = Text();
  combo->setEditable(Value != csDropDownList && !IsOwnerDraw(Value));
  if (combo->isEditable()) {
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, impl_->bridge, [this](const QString&) {
      if (impl_->bridge->Control()) CallSafely(this, [this] { Change(); });
    });
  }
  SetTextValue(text);
  // A new editor of a box that draws its own frame belongs where the box says.
  if (auto* own = dynamic_cast<ComboWidget*>(combo)) own->PlaceEditor();
}

int TCustomComboBox::DropDownCount() const { return As<QComboBox>(this)->maxVisibleItems(); }
void TCustomComboBox::SetDropDownCount(int Value) { As<QComboBox>(this)->setMaxVisibleItems(Value); }

void TCustomComboBox::SetSorted(bool Value) {
  sorted_ = Value;
  static_cast<TItemStrings*>(items_.get())->SetSorted(Value);
}

int TCustomComboBox::MaxLength() const {
  QLineEdit* e = As<QComboBox>(this)->lineEdit();
  return e && e->maxLength() < 32767 ? e->maxLength() : 0;
}

void TCustomComboBox::SetMaxLength(int Value) {
  if (QLineEdit* e = As<QComboBox>(this)->lineEdit()) e->setMaxLength(Value > 0 ? Value : 32767);
}

bool TCustomComboBox::DroppedDown() const { return As<QComboBox>(this)->view()->isVisible(); }

void TCustomComboBox::SetDroppedDown(bool Value) {
  if (Value == DroppedDown()) return;
  if (Value) {
    if (OnDropDown) OnDropDown(this);
    As<QComboBox>(this)->showPopup();
  } else {
    As<QComboBox>(this)->hidePopup();
    if (OnCloseUp) OnCloseUp(this);
  }
}

void TCustomComboBox::Clear() {
  items_->Clear();
  SetTextValue("");
}

void TCustomComboBox::SelectAll() {
  if (QLineEdit* e = As<QComboBox>(this)->lineEdit()) e->selectAll();
}

TComboBox::TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}

// ---- list box ----

TCustomListBox::TCustomListBox(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QListWidget>()) {
  auto* list = As<QListWidget>(this);
  auto* items = new TItemStrings;
  items->Inserted = [this, list](int i, const String& s) {
    TCodeChange change(settingFromCode_);
    list->insertItem(i, QStr(s));
  };
  items->Deleted = [this, list](int i) {
    TCodeChange change(settingFromCode_);
    delete list->takeItem(i);
  };
  items->Cleared = [this, list] {
    TCodeChange change(settingFromCode_);
    list->clear();
  };
  items->Changed = [list](int i, const String& s) { list->item(i)->setText(QStr(s)); };
  items_.reset(items);
  // A change made with the mouse clicks once, when the button is released.
  QObject::connect(list, &QListWidget::itemSelectionChanged, impl_->bridge, [this] {
    if (!settingFromCode_ && !impl_->leftPressed && impl_->bridge->Control())
      CallSafely(this, [this] { Click(); });
  });
  InitEditBox(121, 97);
}

TCustomListBox::~TCustomListBox() = default;

bool TCustomListBox::ClicksOnMouseUp() const { return items_->Count() > 0; }

TStrings* TCustomListBox::Items() const { return items_.get(); }
void TCustomListBox::SetItems(TStrings* Value) { items_->Assign(Value); }
int TCustomListBox::ItemIndex() const { return As<QListWidget>(this)->currentRow(); }

void TCustomListBox::SetItemIndex(int Value) {
  TCodeChange change(settingFromCode_);
  auto* list = As<QListWidget>(this);
  list->setCurrentRow(Value >= 0 && Value < list->count() ? Value : -1);
  if (Value < 0) list->clearSelection();
}

bool TCustomListBox::MultiSelect() const {
  return As<QListWidget>(this)->selectionMode() == QAbstractItemView::ExtendedSelection;
}

void TCustomListBox::SetMultiSelect(bool Value) {
  As<QListWidget>(this)->setSelectionMode(Value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

bool TCustomListBox::Selected(int Index) const {
  QListWidgetItem* item = As<QListWidget>(this)->item(Index);
  if (!item) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return item->isSelected();
}

void TCustomListBox::SetSelected(int Index, bool Value) {
  QListWidgetItem* item = As<QListWidget>(this)->item(Index);
  if (!item) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  TCodeChange change(settingFromCode_);
  item->setSelected(Value);
}

int TCustomListBox::SelCount() const {
  return MultiSelect() ? static_cast<int>(As<QListWidget>(this)->selectedItems().size()) : -1;
}

void TCustomListBox::SetSorted(bool Value) {
  sorted_ = Value;
  static_cast<TItemStrings*>(items_.get())->SetSorted(Value);
}

void TCustomListBox::Clear() { items_->Clear(); }

TListBox::TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}

// ---- check box and radio button ----

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QCheckBox>()) {
  QObject::connect(As<QCheckBox>(this), &QCheckBox::clicked, impl_->bridge, [this] {
    if (impl_->bridge->Control()) CallSafely(this, [this] { Click(); });
  });
  SetTabStop(true);
  SetBounds(0, 0, 97, 17);
}

String TCheckBox::GetText() const { return OStr(As<QCheckBox>(this)->text()); }
void TCheckBox::SetTextValue(const String& Value) { As<QCheckBox>(this)->setText(QStr(Value)); }
bool TCheckBox::Checked() const { return As<QCheckBox>(this)->checkState() == Qt::Checked; }
void TCheckBox::SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }

TCheckBoxState TCheckBox::State() const {
  switch (As<QCheckBox>(this)->checkState()) {
    case Qt::Checked: return cbChecked;
    case Qt::PartiallyChecked: return cbGrayed;
    default: return cbUnchecked;
  }
}

void TCheckBox::SetState(TCheckBoxState Value) {
  if (Value == State()) return;
  As<QCheckBox>(this)->setCheckState(Value == cbChecked ? Qt::Checked : Value == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
  Click();
}

bool TCheckBox::AllowGrayed() const { return As<QCheckBox>(this)->isTristate(); }
void TCheckBox::SetAllowGrayed(bool Value) { As<QCheckBox>(this)->setTristate(Value); }

namespace {

// Radio buttons are exclusive among the buttons of one parent, as the class library has them.
// Qt's own automatic exclusivity looks at every radio button below the parent, so the status
// radios of a panel inside a group box would count as checked buttons of the group box's modes
// and a click on the checked mode would untick it. A group of the direct children keeps the
// choices apart, and an exclusive group never lets a click untick its checked button.
class SiblingRadioButton : public QRadioButton {
 protected:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::ParentChange) JoinParentGroup();
    return QRadioButton::event(e);
  }

 private:
  void JoinParentGroup() {
    if (QButtonGroup* old = group()) old->removeButton(this);
    QWidget* parent = parentWidget();
    if (!parent) return;
    static const QString name = QStringLiteral("orv-radio-siblings");
    auto* siblings = parent->findChild<QButtonGroup*>(name, Qt::FindDirectChildrenOnly);
    if (!siblings) {
      siblings = new QButtonGroup(parent);
      siblings->setObjectName(name);
    }
    siblings->addButton(this);
  }
};

}  // namespace

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner, NewWidget<SiblingRadioButton>()) {
  // A click on the button that is already checked changes nothing and fires nothing.
  QObject::connect(As<QRadioButton>(this), &QRadioButton::toggled, impl_->bridge, [this](bool on) {
    if (on && impl_->bridge->Control() && !impl_->aligning) CallSafely(this, [this] { Click(); });
  });
  SetBounds(0, 0, 113, 17);
}

String TRadioButton::GetText() const { return OStr(As<QRadioButton>(this)->text()); }
void TRadioButton::SetTextValue(const String& Value) { As<QRadioButton>(this)->setText(QStr(Value)); }
bool TRadioButton::Checked() const { return As<QRadioButton>(this)->isChecked(); }

void TRadioButton::SetChecked(bool Value) {
  auto* radio = As<QRadioButton>(this);
  if (radio->isChecked() == Value) return;
  if (Value) {
    radio->setChecked(true);
  } else {
    // Qt keeps one button of an exclusive group checked; the class library allows none.
    QButtonGroup* siblings = radio->group();
    if (siblings) siblings->setExclusive(false);
    radio->setChecked(false);
    if (siblings) siblings->setExclusive(true);
  }
}

// ---- button ----

TButton::TButton(TComponent* AOwner) : TButton(AOwner, NewWidget<QPushButton>()) {}

TButton::TButton(TComponent* AOwner, QWidget* AWidget) : TWinControl(AOwner, AWidget) {
  Connect();
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

void TButton::Connect() {
  auto* button = static_cast<QAbstractButton*>(Widget());
  QObject::connect(button, &QAbstractButton::clicked, impl_->bridge, [this] {
    if (impl_->bridge->Control()) CallSafely(this, [this] { Click(); });
  });
}

String TButton::GetText() const { return OStr(static_cast<QAbstractButton*>(Widget())->text()); }
void TButton::SetTextValue(const String& Value) { static_cast<QAbstractButton*>(Widget())->setText(QStr(Value)); }

void TButton::SetDefault(bool Value) {
  default_ = Value;
  if (auto* pb = dynamic_cast<QPushButton*>(Widget())) pb->setDefault(Value);
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) {
    if (modalResult_ != mrNone) form->SetModalResult(modalResult_);
  }
  TWinControl::Click();
}

// ---- group box ----

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QGroupBox>()) {
  SetBounds(0, 0, 185, 105);
}

TRect TCustomGroupBox::CaptionRect() const {
  auto* box = As<QGroupBox>(this);
  if (box->title().isEmpty()) return TRect{};
  // The style's fonts and metrics are settled only once the widget is polished.
  box->ensurePolished();
  QStyleOptionGroupBox option;
  option.initFrom(box);
  option.text = box->title();
  option.lineWidth = 1;
  option.textAlignment = box->alignment();
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  QRect r = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
  return TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

String TCustomGroupBox::GetText() const { return OStr(As<QGroupBox>(this)->title()); }
void TCustomGroupBox::SetTextValue(const String& Value) { As<QGroupBox>(this)->setTitle(QStr(Value)); }

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}

// ---- scroll bar ----

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner, NewWidget<ScrollBarWidget>(Qt::Horizontal)) {
  auto* bar = As<QScrollBar>(this);
  bar->setRange(0, 100);
  bar->setPageStep(1);
  QObject::connect(bar, &QScrollBar::valueChanged, impl_->bridge, [this](int) {
    if (impl_->bridge->Control() && OnChange) CallSafely(this, [this] { OnChange(this); });
  });
  QObject::connect(bar, &QScrollBar::actionTriggered, impl_->bridge, [this, bar](int action) {
    if (!impl_->bridge->Control() || !OnScroll) return;
    TScrollCode code = scPosition;
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub: code = scLineUp; break;
      case QAbstractSlider::SliderSingleStepAdd: code = scLineDown; break;
      case QAbstractSlider::SliderPageStepSub: code = scPageUp; break;
      case QAbstractSlider::SliderPageStepAdd: code = scPageDown; break;
      case QAbstractSlider::SliderToMinimum: code = scTop; break;
      case QAbstractSlider::SliderToMaximum: code = scBottom; break;
      case QAbstractSlider::SliderMove: code = scTrack; break;
      default: break;
    }
    int pos = bar->sliderPosition();
    CallSafely(this, [&] { OnScroll(this, code, pos); });
    bar->setSliderPosition(pos);
  });
  SetBounds(0, 0, 121, 17);
}

TScrollBarKind TScrollBar::Kind() const { return As<QScrollBar>(this)->orientation() == Qt::Horizontal ? sbHorizontal : sbVertical; }

void TScrollBar::SetKind(TScrollBarKind Value) {
  if (Value == Kind()) return;
  As<QScrollBar>(this)->setOrientation(Value == sbHorizontal ? Qt::Horizontal : Qt::Vertical);
  SetBounds(Left(), Top(), Height(), Width());
}

int TScrollBar::Min() const { return As<QScrollBar>(this)->minimum(); }
void TScrollBar::SetMin(int Value) { As<QScrollBar>(this)->setMinimum(Value); }
// The class library's Max is the last position plus the page; Qt's maximum is the last position.
int TScrollBar::Max() const { return As<QScrollBar>(this)->maximum() + PageSize() - (PageSize() > 0 ? 1 : 0); }
void TScrollBar::SetMax(int Value) { As<QScrollBar>(this)->setMaximum(Value - (PageSize() > 0 ? PageSize() - 1 : 0)); }
int TScrollBar::Position() const { return As<QScrollBar>(this)->value(); }
void TScrollBar::SetPosition(int Value) { As<QScrollBar>(this)->setValue(Value); }
int TScrollBar::PageSize() const { return pageSize_; }

void TScrollBar::SetPageSize(int Value) {
  int max = Max();
  pageSize_ = Value;
  As<QScrollBar>(this)->setPageStep(std::max(Value, LargeChange()));
  SetMax(max);
}

int TScrollBar::SmallChange() const { return As<QScrollBar>(this)->singleStep(); }
void TScrollBar::SetSmallChange(int Value) { As<QScrollBar>(this)->setSingleStep(Value); }
int TScrollBar::LargeChange() const { return largeChange_; }

void TScrollBar::SetLargeChange(int Value) {
  largeChange_ = Value;
  As<QScrollBar>(this)->setPageStep(std::max(Value, pageSize_));
}

ORV_IMPLEMENT_CLASS(TLabel, c) {
  c.Prop("Alignment", &TLabel::Alignment, &TLabel::SetAlignment).Default(taLeftJustify);
  c.Prop("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize).Default(true);
  c.Prop("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl);
  c.Prop("Layout", &TLabel::Layout, &TLabel::SetLayout).Default(tlTop);
  c.Prop("Transparent", &TLabel::Transparent, &TLabel::SetTransparent);
  c.Prop("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap).Default(false);
}

ORV_IMPLEMENT_CLASS(TEdit, c) {
  c.Prop("AutoSelect", &TEdit::AutoSelect, &TEdit::SetAutoSelect).Default(true);
  c.Prop("CharCase", &TEdit::CharCase, &TEdit::SetCharCase).Default(ecNormal);
  c.Prop("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength).Default(0);
  // One UTF-16 unit, as the property table holds wide characters: every Thai letter fits.
  c.Prop(
       "PasswordChar", [](TEdit& e) { return static_cast<char16_t>(e.PasswordChar() <= 0xFFFF ? e.PasswordChar() : 0); },
       [](TEdit& e, char16_t ch) { e.SetPasswordChar(ch); })
      .Default(u'\0');
  c.Prop("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly).Default(false);
  c.Prop("Text", &TEdit::Text, &TEdit::SetText);
  c.Event("OnChange", &TEdit::OnChange);
}

ORV_IMPLEMENT_CLASS(TMemo, c) {
  c.Prop("Alignment", &TMemo::Alignment, &TMemo::SetAlignment).Default(taLeftJustify);
  c.Prop("Lines", &TMemo::Lines, &TMemo::SetLines);
  c.Prop("MaxLength", &TMemo::MaxLength, &TMemo::SetMaxLength).Default(0);
  c.Prop("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly).Default(false);
  c.Prop("ScrollBars", &TMemo::ScrollBars, &TMemo::SetScrollBars).Default(ssNone);
  c.Prop("WantReturns", &TMemo::WantReturns, &TMemo::SetWantReturns).Default(true);
  c.Prop("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap).Default(true);
  c.Event("OnChange", &TMemo::OnChange);
}

ORV_IMPLEMENT_CLASS(TCustomComboBox, c) {
  c.Prop("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount).Default(8);
  c.Prop("ItemHeight", &TCustomComboBox::ItemHeight, &TCustomComboBox::SetItemHeight).Default(0);
  c.Prop("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex);
  c.Prop("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems);
  c.Prop("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength).Default(0);
  c.Prop("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted).Default(false);
  c.Prop("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle).Default(csDropDown);
  c.Prop("Text", &TCustomComboBox::Text, &TCustomComboBox::SetText);
  c.Event("OnChange", &TCustomComboBox::OnChange);
  c.Event("OnCloseUp", &TCustomComboBox::OnCloseUp);
  c.Event("OnDrawItem", &TCustomComboBox::OnDrawItem);
  c.Event("OnDropDown", &TCustomComboBox::OnDropDown);
  c.Event("OnSelect", &TCustomComboBox::OnSelect);
}

ORV_IMPLEMENT_CLASS(TComboBox, c) {}

ORV_IMPLEMENT_CLASS(TCustomListBox, c) {
  c.Prop("Items", &TCustomListBox::Items, &TCustomListBox::SetItems);
  c.Prop("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect).Default(false);
  c.Prop("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted).Default(false);
}

ORV_IMPLEMENT_CLASS(TListBox, c) { c.Prop("Style", &TListBox::Style, &TListBox::SetStyle).Default(lbStandard); }

ORV_IMPLEMENT_CLASS(TCheckBox, c) {
  c.Prop("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed).Default(false);
  c.Prop("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked).Default(false);
  c.Prop("State", &TCheckBox::State, &TCheckBox::SetState).Default(cbUnchecked);
}

ORV_IMPLEMENT_CLASS(TRadioButton, c) {
  c.Prop("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked).Default(false);
}

ORV_IMPLEMENT_CLASS(TButton, c) {
  c.Prop("Action", &TButton::Action, &TButton::SetAction);
  c.Prop("Constraints", &TButton::Constraints, &TButton::SetConstraints);
  c.Prop("Cancel", &TButton::Cancel, &TButton::SetCancel).Default(false);
  c.Prop("Default", &TButton::Default, &TButton::SetDefault).Default(false);
  c.Prop("ModalResult", &TButton::ModalResult, &TButton::SetModalResult).Default(0);
}

ORV_IMPLEMENT_CLASS(TCustomGroupBox, c) {}
ORV_IMPLEMENT_CLASS(TGroupBox, c) {}

ORV_IMPLEMENT_CLASS(TScrollBar, c) {
  c.Prop("Kind", &TScrollBar::Kind, &TScrollBar::SetKind).Default(sbHorizontal);
  c.Prop("LargeChange", &TScrollBar::LargeChange, &TScrollBar::SetLargeChange).Default(1);
  c.Prop("Max", &TScrollBar::Max, &TScrollBar::SetMax).Default(100);
  c.Prop("Min", &TScrollBar::Min, &TScrollBar::SetMin).Default(0);
  c.Prop("PageSize", &TScrollBar::PageSize, &TScrollBar::SetPageSize).Default(0);
  c.Prop("Position", &TScrollBar::Position, &TScrollBar::SetPosition).Default(0);
  c.Prop("SmallChange", &TScrollBar::SmallChange, &TScrollBar::SetSmallChange).Default(1);
  c.Event("OnChange", &TScrollBar::OnChange);
  c.Event("OnScroll", &TScrollBar::OnScroll);
}

}  // namespace orv
