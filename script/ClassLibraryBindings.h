#pragma once
// The class-library binding module: objects, persistent objects, collections, lists, string
// lists, streams and components, with the constants their methods take.
#include "script/ClassModel.h"

namespace orv {

class TsxClassLibraryFunctions : public TsxRTTIModule {
 public:
  explicit TsxClassLibraryFunctions(TsxScript* script);

 private:
  void AddObjects();
  void AddLists();
  void AddStrings();
  void AddStreams();
  void AddXML();
};

}  // namespace orv
