#include "platform/gui/TreeView.h"

#include <QApplication>
#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>

#include "platform/gui/ImageList.h"
#include "platform/gui/QtBridge.h"

namespace orv {

namespace {

QTreeWidget* TreeOf(const TTreeView* view) { return static_cast<QTreeWidget*>(WidgetOf(view)); }

// Each Qt item carries its node, so that what the user chose leads back to it.
constexpr int kNodeRole = Qt::UserRole + 1;

TTreeNode* NodeOf(QTreeWidgetItem* item) {
  return item ? reinterpret_cast<TTreeNode*>(item->data(0, kNodeRole).value<quintptr>()) : nullptr;
}

EListError IndexError(int index) { return EListError("List index out of bounds (" + std::to_string(index) + ")"); }

}  // namespace

// ---- TTreeNode ----

TTreeNode::TTreeNode(TTreeNodes* Owner, TTreeNode* Parent)
    : owner_(Owner), parent_(Parent), item_(new QTreeWidgetItem) {
  item_->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(this)));
  item_->setFlags(item_->flags() | Qt::ItemIsEditable);
}

TTreeNode::~TTreeNode() {
  // The children's Qt items sit inside this one: they go first.
  children_.clear();
  delete item_;
}

TTreeView* TTreeNode::TreeView() const { return owner_->Owner(); }
String TTreeNode::Text() const { return OStr(item_->text(0)); }
void TTreeNode::SetText(const String& Value) { item_->setText(0, QStr(Value)); }

void TTreeNode::SetData(TObject* Value) {
  data_ = Value;
  integerData_ = 0;
}

void TTreeNode::SetData(Integer Value) {
  integerData_ = Value;
  data_ = nullptr;
}

void TTreeNode::SetImageIndex(int Value) {
  imageIndex_ = Value;
  item_->setIcon(0, ImageListAccess::Pixmap(TreeView()->Images(), Value));
}

TTreeNode* TTreeNode::Item(int Index) const {
  if (Index < 0 || Index >= Count()) throw IndexError(Index);
  return children_[Index].get();
}

int TTreeNode::Index() const {
  auto& siblings = owner_->Siblings(parent_);
  auto it = std::find_if(siblings.begin(), siblings.end(), [this](auto& n) { return n.get() == this; });
  return static_cast<int>(it - siblings.begin());
}

int TTreeNode::Level() const {
  int level = 0;
  for (TTreeNode* p = parent_; p; p = p->parent_) ++level;
  return level;
}

TTreeNode* TTreeNode::GetNextSibling() const {
  auto& siblings = owner_->Siblings(parent_);
  size_t i = static_cast<size_t>(Index()) + 1;
  return i < siblings.size() ? siblings[i].get() : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
  int i = Index();
  return i > 0 ? owner_->Siblings(parent_)[i - 1].get() : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
  if (TTreeNode* child = GetFirstChild()) return child;
  for (const TTreeNode* n = this; n; n = n->parent_)
    if (TTreeNode* next = n->GetNextSibling()) return next;
  return nullptr;
}

bool TTreeNode::Expanded() const { return item_->isExpanded(); }
void TTreeNode::SetExpanded(bool Value) { item_->setExpanded(Value); }

void TTreeNode::Expand(bool Recurse) {
  item_->setExpanded(true);
  if (Recurse)
    for (auto& child : children_) child->Expand(true);
}

void TTreeNode::Collapse(bool Recurse) {
  item_->setExpanded(false);
  if (Recurse)
    for (auto& child : children_) child->Collapse(true);
}

bool TTreeNode::Selected() const { return TreeView()->Selected() == this; }

void TTreeNode::SetSelected(bool Value) {
  if (Value)
    TreeView()->SetSelected(this);
  else if (Selected())
    TreeView()->SetSelected(nullptr);
}

void TTreeNode::MakeVisible() {
  for (TTreeNode* p = parent_; p; p = p->parent_) p->item_->setExpanded(true);
  TreeOf(TreeView())->scrollToItem(item_);
}

void TTreeNode::Delete() { owner_->Delete(this); }

void TTreeNode::DeleteChildren() {
  while (!children_.empty()) owner_->Delete(children_.back().get());
}

// ---- TTreeNodes ----

TTreeNodes::TTreeNodes(TTreeView* Owner) : owner_(Owner) {}

TTreeNodes::~TTreeNodes() = default;

std::vector<std::unique_ptr<TTreeNode>>& TTreeNodes::Siblings(TTreeNode* parent) {
  return parent ? parent->children_ : roots_;
}

const std::vector<TTreeNode*>& TTreeNodes::Flat() const {
  if (!flatValid_) {
    flat_.clear();
    for (TTreeNode* n = GetFirstNode(); n; n = n->GetNext()) flat_.push_back(n);
    flatValid_ = true;
  }
  return flat_;
}

int TTreeNodes::Count() const { return static_cast<int>(Flat().size()); }

TTreeNode* TTreeNodes::Item(int Index) const {
  const auto& flat = Flat();
  if (Index < 0 || Index >= static_cast<int>(flat.size())) throw IndexError(Index);
  return flat[Index];
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const String& S) {
  return AddChild(Sibling ? Sibling->Parent() : nullptr, S);
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const String& S, TObject* Ptr) {
  TTreeNode* node = Add(Sibling, S);
  node->SetData(Ptr);
  return node;
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const String& S) {
  auto node = std::make_unique<TTreeNode>(this, Parent);
  TTreeNode* result = node.get();
  node->SetText(S);
  if (Parent)
    Parent->item_->addChild(node->item_);
  else
    TreeOf(owner_)->addTopLevelItem(node->item_);
  Siblings(Parent).push_back(std::move(node));
  Changed();
  return result;
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const String& S, TObject* Ptr) {
  TTreeNode* node = AddChild(Parent, S);
  node->SetData(Ptr);
  return node;
}

void TTreeNodes::Delete(TTreeNode* Node) {
  if (!Node) return;
  TTreeView* view = owner_;
  TTreeNode* before = view->selected_;
  // The selection is looked at once the node is gone: Qt moves it while the items go.
  view->quiet_ = true;
  if (before) {
    for (TTreeNode* n = before; n; n = n->parent_)
      if (n == Node) view->selected_ = nullptr;
  }
  auto& siblings = Siblings(Node->parent_);
  auto it = std::find_if(siblings.begin(), siblings.end(), [Node](auto& n) { return n.get() == Node; });
  if (it != siblings.end()) siblings.erase(it);
  Changed();
  view->quiet_ = false;
  view->SelectionChanged();
}

void TTreeNodes::Clear() {
  TTreeView* view = owner_;
  view->quiet_ = true;
  view->selected_ = nullptr;
  // Last to first, so that no item moves up under the view's current position.
  while (!roots_.empty()) roots_.pop_back();
  Changed();
  view->quiet_ = false;
  view->SelectionChanged();
}

void TTreeNodes::BeginUpdate() {
  if (updating_++ == 0) TreeOf(owner_)->setUpdatesEnabled(false);
}

void TTreeNodes::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0) TreeOf(owner_)->setUpdatesEnabled(true);
}

// ---- TTreeView ----

static QTreeWidget* NewTreeWidget() {
  auto* tree = NewWidget<QTreeWidget>();
  tree->setColumnCount(1);
  tree->header()->hide();
  tree->setSelectionMode(QAbstractItemView::SingleSelection);
  tree->setFrameShape(QFrame::StyledPanel);
  return tree;
}

TTreeView::TTreeView(TComponent* AOwner) : TWinControl(AOwner, NewTreeWidget()), items_(std::make_unique<TTreeNodes>(this)) {
  QTreeWidget* tree = TreeOf(this);
  QObject::connect(tree, &QTreeWidget::itemSelectionChanged, impl_->bridge, [this] {
    if (impl_->bridge->Control() && !quiet_) SelectionChanged();
  });
  SetReadOnly(false);
  ApplyHideSelection();
  SetTabStop(true);
  impl_->color = clWindow;
  impl_->parentColor = false;
  SetColor(clWindow);
  SetBounds(0, 0, 121, 97);
}

TTreeView::~TTreeView() {
  // The nodes go while the view is whole and silent.
  quiet_ = true;
  DetachControlTree(this);
  // When Qt has shut down first, the view freed its items itself.
  if (!WidgetOf(this))
    for (TTreeNode* n = items_->GetFirstNode(); n; n = n->GetNext()) n->item_ = nullptr;
  items_.reset();
  if (images_) ImageListAccess::Unlisten(images_, this);
}

void TTreeView::SelectionChanged() {
  QList<QTreeWidgetItem*> chosen = TreeOf(this)->selectedItems();
  TTreeNode* now = chosen.isEmpty() ? nullptr : NodeOf(chosen.first());
  if (now == selected_) return;
  selected_ = now;
  CallSafely(this, [this, now] {
    if (OnChange) OnChange(this, now);
  });
}

void TTreeView::SetSelected(TTreeNode* Value) {
  QTreeWidget* tree = TreeOf(this);
  if (Value) {
    Value->MakeVisible();
    tree->setCurrentItem(Value->item_);
  } else {
    tree->clearSelection();
  }
  // Qt reports nothing when the item was current already but not selected.
  SelectionChanged();
}

TTreeNode* TTreeView::TopItem() const { return NodeOf(TreeOf(this)->itemAt(0, 0)); }

void TTreeView::SetTopItem(TTreeNode* Value) {
  if (Value) TreeOf(this)->scrollToItem(Value->item_, QAbstractItemView::PositionAtTop);
}

void TTreeView::FullExpand() {
  for (TTreeNode* n = items_->GetFirstNode(); n; n = n->GetNextSibling()) n->Expand(true);
}

void TTreeView::FullCollapse() {
  for (TTreeNode* n = items_->GetFirstNode(); n; n = n->GetNextSibling()) n->Collapse(true);
}

TTreeNode* TTreeView::GetNodeAt(int X, int Y) const {
  QTreeWidget* tree = TreeOf(this);
  QPoint p = tree->viewport()->mapFrom(tree, QPoint(X, Y));
  return NodeOf(tree->itemAt(p));
}

void TTreeView::SetReadOnly(bool Value) {
  readOnly_ = Value;
  TreeOf(this)->setEditTriggers(Value ? QAbstractItemView::NoEditTriggers
                                      : QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
}

void TTreeView::SetHideSelection(bool Value) {
  hideSelection_ = Value;
  ApplyHideSelection();
}

void TTreeView::ApplyHideSelection() {
  QTreeWidget* tree = TreeOf(this);
  QPalette pal = tree->palette();
  QPalette active = QApplication::palette(tree);
  pal.setColor(QPalette::Inactive, QPalette::Highlight,
               hideSelection_ ? pal.color(QPalette::Active, QPalette::Base) : active.color(QPalette::Active, QPalette::Highlight));
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
               hideSelection_ ? pal.color(QPalette::Active, QPalette::Text) : active.color(QPalette::Active, QPalette::HighlightedText));
  tree->setPalette(pal);
}

bool TTreeView::ShowRoot() const { return TreeOf(this)->rootIsDecorated(); }
void TTreeView::SetShowRoot(bool Value) { TreeOf(this)->setRootIsDecorated(Value); }

TBorderStyle TTreeView::BorderStyle() const { return TreeOf(this)->frameShape() == QFrame::NoFrame ? bsNone : bsSingle; }

void TTreeView::SetBorderStyle(TBorderStyle Value) {
  TreeOf(this)->setFrameShape(Value == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
}

void TTreeView::SetImages(TImageList* Value) {
  if (!ImageListAccess::Switch(this, images_, Value, [this] { UpdateImages(); })) return;
  if (Value) TreeOf(this)->setIconSize(QSize(Value->Width(), Value->Height()));
  UpdateImages();
}

void TTreeView::UpdateImages() {
  for (TTreeNode* n = items_->GetFirstNode(); n; n = n->GetNext()) n->SetImageIndex(n->ImageIndex());
}

void TTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == images_) {
    images_ = nullptr;
    if (items_) UpdateImages();
  }
}

ORV_IMPLEMENT_CLASS(TTreeView, c) {
  c.Prop("BorderStyle", &TTreeView::BorderStyle, &TTreeView::SetBorderStyle).Default(bsSingle);
  c.Prop("HideSelection", &TTreeView::HideSelection, &TTreeView::SetHideSelection).Default(true);
  c.Prop("Images", &TTreeView::Images, &TTreeView::SetImages);
  c.Prop("ReadOnly", &TTreeView::ReadOnly, &TTreeView::SetReadOnly).Default(false);
  c.Prop("ShowRoot", &TTreeView::ShowRoot, &TTreeView::SetShowRoot).Default(true);
  c.Event("OnChange", &TTreeView::OnChange);
}

}  // namespace orv
