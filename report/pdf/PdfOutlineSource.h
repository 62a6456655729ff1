#pragma once
// What the document writer reads of the prepared pages' outline: a tree walked level by level.
#include "platform/rtl/Types.h"

namespace orv {

class TkvxPDFOutlineSource {
 public:
  virtual ~TkvxPDFOutlineSource() = default;
  // Items below the current item.
  virtual int GetCount() = 0;
  // Page counted from 0; Top in pixels from the page's top.
  virtual void GetItem(int index, String& text, int& page, int& top) = 0;
  virtual void LevelDown(int index) = 0;
  virtual void LevelUp() = 0;
  virtual void LevelRoot() = 0;
};

}  // namespace orv
