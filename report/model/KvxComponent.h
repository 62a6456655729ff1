#pragma once
// TkvxComponent: the base of every object of a report document: one tree of parents and
// ordered children, names unique within the report, geometry in 96-dpi pixels, a font that
// children inherit, XML reading and writing of a sub-tree, and the "diff" attribute text with
// which prepared pages record a printed copy against its template.
#include <cstddef>
#include <memory>
#include <vector>

#include "platform/gui/Graphics.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Streams.h"

namespace orv {

class TkvxReport;
class TkvxPage;
class TkvxDataSet;

ORV_ENUM(TkvxRestriction, rfDontModify, rfDontSize, rfDontMove, rfDontDelete, rfDontEdit);
using TkvxRestrictions = TSet<TkvxRestriction>;
ORV_SET_INFO(TkvxRestrictions);

// How a view places itself inside its parent when the parent aligns its children.
ORV_ENUM(TkvxAlign, baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient);

// Traits as bit values: the object goes into prepared pages; they record it by its full diff.
using TkvxObjectTraits = Integer;
inline constexpr TkvxObjectTraits otInPreparedPages = 2;
inline constexpr TkvxObjectTraits otFullDiff = 4;

class TkvxComponent : public TComponent {
  ORV_CLASS(TkvxComponent, TComponent)

 public:
  // With a report object as owner the report owns the new object and owner becomes its parent.
  explicit TkvxComponent(TComponent* owner);
  ~TkvxComponent() override;

  // Pages read back make and free tens of thousands of objects of a few sizes, a page after
  // the other: the thread that frees them keeps their blocks for the next page's objects.
  static void* operator new(std::size_t size);
  static void operator delete(void* p, std::size_t size) noexcept;

  // A new object of cls made by an editing tool: IsDesigning is set before its constructor
  // runs, and the constructor can read flags (shape kind, line kind) through DesignFlags.
  static TkvxComponent* DesignCreate(TClass cls, TComponent* owner, Word flags);

  TkvxComponent* Parent() const { return parent_; }
  TComponent* GetParentComponent() const override { return parent_; }
  virtual void SetParent(TkvxComponent* value);
  const std::vector<TkvxComponent*>& Objects() const { return objects_; }
  // Room for count more objects placed in this one, made in one go as a page read back places
  // a band's objects.
  void ReserveObjects(size_t count) { objects_.reserve(objects_.size() + count); }
  // Every descendant, each before its children; the list is refilled by every call.
  const std::vector<TkvxComponent*>& AllObjects();

  Extended Left() const { return left_; }
  Extended Top() const { return top_; }
  Extended Width() const { return width_; }
  Extended Height() const { return height_; }
  virtual void SetLeft(Extended value);
  virtual void SetTop(Extended value);
  virtual void SetWidth(Extended value);
  virtual void SetHeight(Extended value);
  void SetBounds(Extended left, Extended top, Extended width, Extended height);
  Extended AbsLeft() const;
  Extended AbsTop() const;
  // Both at once, summed as AbsLeft and AbsTop sum them.
  void AbsPosition(Extended& left, Extended& top) const;
  Extended GetAbsLeft() const { return AbsLeft(); }
  Extended GetAbsTop() const { return AbsTop(); }

  TFont* Font() const { return &font_; }
  virtual void SetFont(TFont* value);
  bool ParentFont() const { return parentFont_; }
  virtual void SetParentFont(bool value);
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool value);
  Integer GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(Integer value) { groupIndex_ = value; }
  TkvxRestrictions Restrictions() const { return restrictions_; }
  void SetRestrictions(TkvxRestrictions value) { restrictions_ = value; }

  bool IsDesigning = false;
  bool IsLoading = false;
  bool IsPrinting = false;
  bool IsWriting = false;
  // Set by the report on objects inherited from its ancestor report.
  bool IsAncestorMark = false;
  TkvxObjectTraits Traits = otInPreparedPages;
  // The template copy that prepared pages keep for the object, and its name.
  String SourceName;
  TkvxComponent* SourceObject = nullptr;
  // Stem of generated names: the class name without "Tkvx" and "View", unless set.
  String BaseName() const;
  void SetBaseName(const String& value) { baseName_ = value; }

  // Flags given to DesignCreate, for the constructors of descendants.
  static Word DesignFlags();

  TkvxPage* GetPage() const;
  TkvxPage* Page() const { return GetPage(); }
  TkvxReport* GetReport() const;
  bool IsAncestor() const;

  // Unique within the report; "prDupl" for a name another object has, and a renaming error for
  // an object from an ancestor report. The same name in other letter case changes nothing.
  void SetName(const String& value) override;
  void CreateUniqueName();
  // Case-blind among AllObjects.
  virtual TkvxComponent* FindObject(const String& name);
  TkvxDataSet* FindDataSet(TkvxDataSet* dataSet, const String& name);

  // A resource key naming the kind of object; the class name at this level.
  virtual String GetDescription() const;
  // Places the children that carry an Align value.
  virtual void AlignChildren();
  // Frees the children (those from an ancestor report are cleared and kept).
  virtual void Clear();
  // Reads this object and its sub-tree as XML; errors of single properties go to the report.
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream, bool saveChildren = true, bool saveDefaultValues = false,
                           bool streaming = false);
  // Bands answer True: pages stretch them over the printable area and diffs always record
  // their top.
  virtual bool IsBand() const { return false; }
  // Attribute text of what differs from template (the base diff at this level).
  virtual String Diff(TkvxComponent* templ);
  String GetBaseDiff(TkvxComponent* templ);
  static String GetFontDiff(TFont* font, TFont* templateFont, const String& prefix);
  String GetFullDiff(TkvxComponent* templ);

  // Copies every published property (no children) through XML.
  void Assign(TPersistent* source) override;
  // A deep copy with the children.
  void AssignAll(TkvxComponent* source, bool streaming = false);

 protected:
  // The font's change handler: a font change runs down to the children that inherit it.
  virtual void FontChanged();
  // Where a view wants to be placed by AlignChildren; views answer their Align.
  virtual TkvxAlign AlignKind() const { return baNone; }
  // Memo views with AutoWidth leave their width out of the diff.
  virtual bool DiffOmitsWidth() const { return false; }

 private:
  void DoAlign();
  TkvxComponent* FindNeighbour(const std::vector<TkvxComponent*>& sorted, size_t i, int direction);

  TkvxComponent* parent_ = nullptr;
  std::vector<TkvxComponent*> objects_;
  std::vector<TkvxComponent*> allObjects_;
  // Held in the object itself: pages read back make and free tens of thousands of objects,
  // and a font of its own would be one more block each.
  mutable TFont font_;
  Extended left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool parentFont_ = true;
  bool visible_ = true;
  Integer groupIndex_ = 0;
  TkvxRestrictions restrictions_;
  String baseName_;
};

// Shared by the serializer and the diff: a float written the way report files hold it, in the
// shortest form that reads back to the same value.
String kvxFormatFloat(Extended value);

}  // namespace orv
