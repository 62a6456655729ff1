#include "platform/gui/Picture.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/gui/Icon.h"
#include "platform/gui/JPEGImage.h"
#include "platform/gui/Metafile.h"

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Filer.h"

namespace orv {

namespace {

struct FileFormat {
  String Extension;  // lower case, without the dot
  String Description;
  TClass GraphicClass;
  TGraphicFactory Factory;
};

String Lower(String s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

String NormalizeExtension(const String& ext) { return Lower(!ext.empty() && ext[0] == '.' ? ext.substr(1) : ext); }

String ExtensionOf(const String& fileName) {
  size_t slash = fileName.find_last_of('/');
  size_t dot = fileName.find_last_of('.');
  if (dot == String::npos || (slash != String::npos && dot < slash)) return {};
  return Lower(fileName.substr(dot + 1));
}

// The registry is built on first use, so registering from another unit's static initialiser
// finds it ready whatever the order of initialisation.
struct Registry {
  std::mutex Lock;
  std::vector<FileFormat> Formats;
  Registry() {
    Formats = {
        {"bmp", "Bitmaps", TBitmap::StaticClass(), [] { return std::make_unique<TBitmap>(); }},
        {"jpg", "JPEG Image File", TJPEGImage::StaticClass(), [] { return std::make_unique<TJPEGImage>(); }},
        {"jpeg", "JPEG Image File", TJPEGImage::StaticClass(), [] { return std::make_unique<TJPEGImage>(); }},
        {"ico", "Icons", TIcon::StaticClass(), [] { return std::make_unique<TIcon>(); }},
        {"emf", "Enhanced Metafiles", TMetafile::StaticClass(), [] { return std::make_unique<TMetafile>(); }},
        {"wmf", "Metafiles", TMetafile::StaticClass(), [] { return std::make_unique<TMetafile>(); }},
    };
  }
};

Registry& Formats() {
  static Registry registry;
  return registry;
}

}  // namespace

ORV_IMPLEMENT_CLASS(TPicture, c) {}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::GraphicChanged(TObject*) { Changed(); }

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  if (graphic_) graphic_->OnChange = [this](TObject* sender) { GraphicChanged(sender); };
  Changed();
}

void TPicture::SetGraphic(TGraphic* graphic) { SetGraphic(graphic ? graphic->Clone() : nullptr); }

void TPicture::Assign(TPersistent* source) {
  if (!source) {
    SetGraphic(std::unique_ptr<TGraphic>());
  } else if (auto* p = dynamic_cast<TPicture*>(source)) {
    if (p != this) SetGraphic(p->Graphic());
  } else if (auto* g = dynamic_cast<TGraphic*>(source)) {
    SetGraphic(g);
  } else {
    TPersistent::Assign(source);
  }
}

TBitmap& TPicture::Bitmap() {
  auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get());
  if (!bitmap) {
    SetGraphic(std::make_unique<TBitmap>());
    bitmap = static_cast<TBitmap*>(graphic_.get());
  }
  return *bitmap;
}

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

void TPicture::LoadFromFile(const String& fileName) {
  std::unique_ptr<TGraphic> graphic;
  if (FileExists(fileName)) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    Byte head[100];
    graphic = CreateGraphicForData(head, stream.Read(head, sizeof head));
  }
  if (!graphic) graphic = CreateGraphicForFile(fileName);
  if (!graphic) throw EInvalidGraphic("Unknown picture file extension (." + ExtensionOf(fileName) + ")");
  graphic->LoadFromFile(fileName);
  SetGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const String& fileName) {
  if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::RegisterFileFormat(const String& extension, const String& description,
                                  TClass graphicClass, TGraphicFactory factory) {
  Registry& r = Formats();
  std::lock_guard guard(r.Lock);
  String ext = NormalizeExtension(extension);
  std::erase_if(r.Formats, [&](const FileFormat& f) { return f.Extension == ext; });
  r.Formats.push_back({ext, description, graphicClass, std::move(factory)});
}

void TPicture::UnregisterGraphicClass(TClass graphicClass) {
  Registry& r = Formats();
  std::lock_guard guard(r.Lock);
  std::erase_if(r.Formats, [&](const FileFormat& f) { return f.GraphicClass == graphicClass; });
}

bool TPicture::IsGraphicClassRegistered(TClass graphicClass) {
  Registry& r = Formats();
  std::lock_guard guard(r.Lock);
  return std::any_of(r.Formats.begin(), r.Formats.end(),
                     [&](const FileFormat& f) { return f.GraphicClass == graphicClass; });
}

std::unique_ptr<TGraphic> TPicture::CreateGraphicOfClass(const String& className) {
  TGraphicFactory factory;
  {
    Registry& r = Formats();
    std::lock_guard guard(r.Lock);
    for (const FileFormat& f : r.Formats)
      if (Lower(f.GraphicClass->ClassName()) == Lower(className)) factory = f.Factory;
  }
  return factory ? factory() : nullptr;
}

void TPicture::DefineProperties(TFiler* filer) {
  filer->DefineBinaryProperty(
      "Data",
      [this](TStream& stream) {
        Byte length = 0;
        stream.ReadBuffer(&length, 1);
        String className(length, '\0');
        stream.ReadBuffer(className.data(), length);
        std::unique_ptr<TGraphic> graphic = CreateGraphicOfClass(className);
        if (!graphic) throw EInvalidGraphic("Unknown picture class " + className);
        TMemoryStream data;
        if (Int64 rest = stream.Size() - stream.Position(); rest > 0) data.CopyFrom(stream, rest);
        data.SetPosition(0);
        graphic->LoadFromStream(data);
        SetGraphic(std::move(graphic));
      },
      [this](TStream& stream) {
        const String& className = graphic_->ClassName();
        Byte length = static_cast<Byte>(className.size());
        stream.WriteBuffer(&length, 1);
        stream.WriteString(className);
        graphic_->SaveToStream(stream);
      },
      graphic_ && !graphic_->Empty());
}

std::unique_ptr<TGraphic> TPicture::CreateGraphicForData(const Byte* head, Int64 size) {
  auto u16 = [&](int at) { return static_cast<unsigned>(head[at] | head[at + 1] << 8); };
  auto u32 = [&](int at) {
    return static_cast<std::uint32_t>(head[at] | head[at + 1] << 8 | head[at + 2] << 16) |
           static_cast<std::uint32_t>(head[at + 3]) << 24;
  };
  static const Byte kPng[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  const char* ext = nullptr;
  if (size >= 14 && u16(0) == 0x4D42) ext = "x.bmp";
  else if (size >= 2 && head[0] == 0xFF && head[1] == 0xD8) ext = "x.jpg";
  else if (size >= 8 && std::memcmp(head, kPng, 8) == 0) ext = "x.png";
  else if (size >= 22 && u32(0) == 0x9AC6CDD7u) ext = "x.wmf";
  else if (size >= 100 && u32(40) == 0x464D4520u) ext = "x.emf";
  else if (size >= 6 && u16(2) < 2) ext = "x.ico";
  return ext ? CreateGraphicForFile(ext) : nullptr;
}

std::unique_ptr<TGraphic> TPicture::CreateGraphicForFile(const String& fileName) {
  String ext = ExtensionOf(fileName);
  TGraphicFactory factory;
  {
    Registry& r = Formats();
    std::lock_guard guard(r.Lock);
    for (const FileFormat& f : r.Formats)
      if (f.Extension == ext) factory = f.Factory;
  }
  return factory ? factory() : nullptr;
}

String TPicture::GetFileFormats() {
  Registry& r = Formats();
  std::lock_guard guard(r.Lock);
  String all, each;
  for (const FileFormat& f : r.Formats) {
    String mask = "*." + f.Extension;
    all += (all.empty() ? "" : ";") + mask;
    each += "|" + f.Description + " (" + mask + ")|" + mask;
  }
  return "All (" + all + ")|" + all + each;
}

}  // namespace orv
