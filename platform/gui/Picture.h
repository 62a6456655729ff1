#pragma once
// TPicture: holds one graphic of any registered class and picks the class by file extension.
#include <functional>
#include <memory>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Graphic.h"

namespace orv {

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

// A container for a graphic: bitmap, JPEG image, icon, metafile, PNG image, or nothing.
class TPicture : public TPersistent {
  ORV_CLASS(TPicture, TPersistent)

 public:
  TPicture();
  ~TPicture() override;

  // From a TPicture or a TGraphic (a copy of the same class), nullptr clears.
  void Assign(TPersistent* source) override;

  TGraphic* Graphic() const { return graphic_.get(); }
  // Keeps a copy of graphic (nullptr clears).
  void SetGraphic(TGraphic* graphic);
  // Takes the graphic over.
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  // The graphic as a bitmap; a picture holding something else (or nothing) gets an empty
  // bitmap in its place.
  TBitmap& Bitmap();
  int Width() const;
  int Height() const;

  // The class comes from the file's first bytes, as CreateGraphicForData reads them (a PNG
  // named .jpg loads as a PNG), and from the extension only when they name no picture;
  // EInvalidGraphic "Unknown picture file extension (.xyz)" when neither does. A failed load
  // leaves the picture as it was.
  void LoadFromFile(const String& fileName);
  // Writes the graphic; a picture without one writes nothing.
  void SaveToFile(const String& fileName);

  TNotifyHandler OnChange;

  // "Data": the graphic's class name as a short string, then the graphic as it saves itself;
  // stored only while the picture holds a graphic.
  void DefineProperties(TFiler* filer) override;
  // A new graphic of the registered class of that name (case-blind); nullptr when none.
  static std::unique_ptr<TGraphic> CreateGraphicOfClass(const String& className);

  // Registers a graphic class for a file extension ("png" or ".png", any case); a later
  // registration of the same extension replaces the earlier one. Callable at any time,
  // static initialisation included; .bmp, .jpg, .jpeg, .ico, .emf and .wmf are built in.
  static void RegisterFileFormat(const String& extension, const String& description,
                                 TClass graphicClass, TGraphicFactory factory);
  static void UnregisterGraphicClass(TClass graphicClass);
  static bool IsGraphicClassRegistered(TClass graphicClass);
  // A new graphic of the class that a picture beginning with these size bytes (up to 100 are
  // looked at) has by its signature: a bitmap ("BM", at least 14 bytes), JPEG (FF D8), PNG, a
  // placeable or enhanced metafile, an icon directory; nullptr when none matches or its class
  // is not registered.
  static std::unique_ptr<TGraphic> CreateGraphicForData(const Byte* head, Int64 size);
  // A new graphic for the extension of fileName; nullptr when none is registered.
  static std::unique_ptr<TGraphic> CreateGraphicForFile(const String& fileName);
  // The filter text of open dialogs: "All (*.bmp;*.jpg;...)|*.bmp;*.jpg;...|Bitmaps (*.bmp)|*.bmp|...".
  static String GetFileFormats();

 private:
  void GraphicChanged(TObject* sender);
  void Changed();
  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace orv
