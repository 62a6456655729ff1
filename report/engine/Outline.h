#pragma once
// TkvxOutline: the bookmark tree of a prepared report, kept as "item" elements under the
// store's "outline" element, nested as the outline nests.
#include "report/model/Interfaces.h"

namespace orv {

class TkvxPreviewPages;

class TkvxOutline : public TkvxCustomOutline {
  ORV_CLASS(TkvxOutline, TkvxCustomOutline)

 public:
  explicit TkvxOutline(TkvxPreviewPages* previewPages);

  Integer GetCount() override;
  // Appends an entry for the store's current page under the current item and enters it.
  void AddItem(const String& text, Integer top) override;
  void LevelDown(Integer index) override;
  void LevelRoot() override;
  void LevelUp() override;
  // Page and top keep their values when the entry lacks the attribute.
  void GetItem(Integer index, String& text, Integer& page, Integer& top) override;
  void ShiftItems(TkvxXMLItem* from, Integer newTop) override;
  TkvxXMLItem* GetCurPosition() override;

  // Adds an entry for a band printed on another page than the store's current one.
  void AddItemAt(const String& text, Integer page, Integer top);
  // The item new entries go under.
  TkvxXMLItem* CurrentItem() { return Current(); }
  // Entries from child index of parent on, with everything under them, that point at oldPage:
  // they now point at newPage, dy pixels lower.
  void MoveItems(TkvxXMLItem* parent, Integer index, Integer oldPage, Integer newPage, Extended dy);

  // The store's tree was replaced or emptied: start again from its "outline" element.
  void Reset() { current_ = nullptr; }

 private:
  TkvxXMLItem* Current();
  TkvxPreviewPages* pages_;
  TkvxXMLItem* current_ = nullptr;
};

}  // namespace orv
