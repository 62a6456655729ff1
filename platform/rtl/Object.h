#pragma once
// TObject: the root of the class library's classes.
#include "platform/rtl/Types.h"

namespace orv {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

}  // namespace orv
