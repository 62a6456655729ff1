#pragma once
// Tree views: TTreeView with its nodes, TTreeNodes and TTreeNode.
#include <memory>
#include <vector>

#include "platform/gui/Controls.h"

class QTreeWidgetItem;

namespace orv {

class TImageList;
class TTreeNodes;
class TTreeView;

// One entry of a tree view: a text, a picture and a value of the program's (an object or an
// integer), with the nodes under it. Nodes are made and freed by the view's Items.
class TTreeNode {
 public:
  TTreeNode(TTreeNodes* Owner, TTreeNode* Parent);
  ~TTreeNode();
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;

  TTreeNodes* Owner() const { return owner_; }
  TTreeView* TreeView() const;
  String Text() const;
  void SetText(const String& Value);
  // Data holds either an object (not owned) or an integer; setting one clears the other.
  TObject* Data() const { return data_; }
  void SetData(TObject* Value);
  Integer IntegerData() const { return integerData_; }
  void SetData(Integer Value);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int Value);

  TTreeNode* Parent() const { return parent_; }
  int Count() const { return static_cast<int>(children_.size()); }
  bool HasChildren() const { return !children_.empty(); }
  TTreeNode* Item(int Index) const;
  // The position among its siblings, and the depth (0 for a top node).
  int Index() const;
  int Level() const;
  TTreeNode* GetFirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
  TTreeNode* GetNextSibling() const;
  TTreeNode* GetPrevSibling() const;
  // The next node in the order the view lists them when all is expanded.
  TTreeNode* GetNext() const;

  bool Expanded() const;
  void SetExpanded(bool Value);
  void Expand(bool Recurse);
  void Collapse(bool Recurse);
  bool Selected() const;
  void SetSelected(bool Value);
  // Scrolls the view until the node shows (its parents are expanded for it).
  void MakeVisible();
  // Frees the node and the nodes under it.
  void Delete();
  void DeleteChildren();

 private:
  friend class TTreeNodes;
  friend class TTreeView;
  TTreeNodes* owner_;
  TTreeNode* parent_;
  QTreeWidgetItem* item_;  // owned: freed with the node
  std::vector<std::unique_ptr<TTreeNode>> children_;
  TObject* data_ = nullptr;
  Integer integerData_ = 0;
  int imageIndex_ = -1;
};

// The nodes of a tree view. Count and Item count every node, in the order the view lists them
// when all is expanded.
class TTreeNodes {
 public:
  explicit TTreeNodes(TTreeView* Owner);
  ~TTreeNodes();
  TTreeNodes(const TTreeNodes&) = delete;
  TTreeNodes& operator=(const TTreeNodes&) = delete;

  TTreeView* Owner() const { return owner_; }
  int Count() const;
  TTreeNode* Item(int Index) const;
  TTreeNode* GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }
  // A node after the last sibling of Sibling (a top node when Sibling is nullptr).
  TTreeNode* Add(TTreeNode* Sibling, const String& S);
  TTreeNode* AddObject(TTreeNode* Sibling, const String& S, TObject* Ptr);
  // A node after the last child of Parent (a top node when Parent is nullptr).
  TTreeNode* AddChild(TTreeNode* Parent, const String& S);
  TTreeNode* AddChildObject(TTreeNode* Parent, const String& S, TObject* Ptr);
  void Delete(TTreeNode* Node);
  void Clear();
  // Between the two the view is not redrawn; they nest.
  void BeginUpdate();
  void EndUpdate();

 private:
  friend class TTreeNode;
  friend class TTreeView;
  std::vector<std::unique_ptr<TTreeNode>>& Siblings(TTreeNode* parent);
  const std::vector<TTreeNode*>& Flat() const;
  void Changed() { flatValid_ = false; }
  TTreeView* owner_;
  std::vector<std::unique_ptr<TTreeNode>> roots_;
  int updating_ = 0;
  mutable std::vector<TTreeNode*> flat_;
  mutable bool flatValid_ = false;
};

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;

// Shows nodes in a tree that the user expands and collapses. Choosing a node, by the user or
// by setting Selected, fires OnChange once.
class TTreeView : public TWinControl {
  ORV_CLASS(TTreeView, TWinControl)

 public:
  explicit TTreeView(TComponent* AOwner);
  ~TTreeView() override;

  TTreeNodes* Items() const { return items_.get(); }
  TTreeNode* Selected() const { return selected_; }
  void SetSelected(TTreeNode* Value);
  // The first node in view.
  TTreeNode* TopItem() const;
  void SetTopItem(TTreeNode* Value);
  void FullExpand();
  void FullCollapse();
  // The node at client point (X, Y); nullptr for none.
  TTreeNode* GetNodeAt(int X, int Y) const;

  // Without ReadOnly the user edits a node's text in place (F2, or a click on the chosen node).
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value);
  // The chosen node shows only while the view has the focus.
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool Value);
  // Top nodes get expand buttons of their own.
  bool ShowRoot() const;
  void SetShowRoot(bool Value);
  TBorderStyle BorderStyle() const;
  void SetBorderStyle(TBorderStyle Value);
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* Value);

  TTVChangedEvent OnChange;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TTreeNode;
  friend class TTreeNodes;
  void SelectionChanged();
  void ApplyHideSelection();
  void UpdateImages();
  std::unique_ptr<TTreeNodes> items_;
  TTreeNode* selected_ = nullptr;
  TImageList* images_ = nullptr;
  bool readOnly_ = false;
  bool hideSelection_ = true;
  bool quiet_ = false;  // nodes are being freed: selection changes wait
};

}  // namespace orv
