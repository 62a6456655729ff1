#include "report/model/KvxComponent.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/MemoryAccount.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/DataSets.h"
#include "report/model/DialogPage.h"
#include "report/model/Pages.h"
#include "report/model/Report.h"
#include "report/model/Resources.h"
#include "report/model/XmlEscape.h"
#include "report/model/XmlSerializer.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxComponent, c) {}

namespace {

thread_local bool designCreating = false;
thread_local Word designFlags = 0;

String BaseNameOf(String name) {
  if (size_t at = name.find("Tkvx"); at != String::npos) name.erase(at, 4);
  if (size_t at = name.find("View"); at != String::npos) name.erase(at, 4);
  return name;
}

TComponent* OwnerFor(TComponent* owner) {
  auto* parent = dynamic_cast<TkvxComponent*>(owner);
  if (!parent) return owner;
  TkvxReport* report = parent->GetReport();
  return report ? static_cast<TComponent*>(report) : owner;
}

}  // namespace

namespace {

// Blocks of freed objects by size, in steps of 64 bytes, kept by the thread that freed them.
// A page's objects are of a handful of classes, most of them past the sizes the C library
// keeps at hand, so each would otherwise be searched for in its bins. Under a sanitizer every
// block goes back to the library, which watches it.
class TBlockCache {
 public:
  static constexpr std::size_t kStep = 64;
  static constexpr std::size_t kLargest = 4096;
  // A few pages' objects; what is freed beyond goes back to the library.
  static constexpr std::size_t kKeepBytes = std::size_t{1} << 20;

  static std::size_t Rounded(std::size_t size) { return (size + kStep - 1) / kStep * kStep; }
  void* Take(std::size_t size) {
    std::vector<void*>& list = lists_[Rounded(size) / kStep - 1];
    if (list.empty()) return nullptr;
    void* p = list.back();
    list.pop_back();
    kept_ -= Rounded(size);
    return p;
  }
  bool Keep(void* p, std::size_t size) {
    if (kept_ + Rounded(size) > kKeepBytes) return false;
    lists_[Rounded(size) / kStep - 1].push_back(p);
    kept_ += Rounded(size);
    return true;
  }
  ~TBlockCache() {
    for (std::vector<void*>& list : lists_)
      for (void* p : list) ::operator delete(p);
  }

 private:
  std::vector<void*> lists_[kLargest / kStep];
  std::size_t kept_ = 0;
};

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kCacheBlocks = false;
#else
constexpr bool kCacheBlocks = true;
#endif

// Objects are freed after a thread's own destructors have run too (a program's static
// objects are freed last): the cache is then gone, and so are the blocks.
thread_local TBlockCache* blockCache = nullptr;
thread_local bool blockCacheGone = false;
struct TBlockCacheOwner {
  ~TBlockCacheOwner() {
    delete blockCache;
    blockCache = nullptr;
    blockCacheGone = true;
  }
};
thread_local TBlockCacheOwner blockCacheOwner;

TBlockCache* BlockCache() {
  if (!blockCache && !blockCacheGone) {
    static_cast<void>(&blockCacheOwner);
    blockCache = new TBlockCache;
  }
  return blockCache;
}

}  // namespace

// Blocks charged to an account (a script's run) are never kept nor handed out: the account
// sees each of its own blocks come and go.
void* TkvxComponent::operator new(std::size_t size) {
  if (!kCacheBlocks || size > TBlockCache::kLargest || MemoryAccountCharged()) return ::operator new(size);
  if (TBlockCache* cache = blockCache)
    if (void* p = cache->Take(size)) return p;
  return ::operator new(TBlockCache::Rounded(size));
}

void TkvxComponent::operator delete(void* p, std::size_t size) noexcept {
  if (!p) return;
  if (kCacheBlocks && size <= TBlockCache::kLargest && !BlockHasAccountHeader(p)) {
    try {
      if (TBlockCache* cache = BlockCache(); cache && cache->Keep(p, size)) return;
    } catch (const std::bad_alloc&) {
      // No room to note the block: it goes back to the library.
    }
  }
  ::operator delete(p);
}

TkvxComponent::TkvxComponent(TComponent* owner)
    : TComponent(OwnerFor(owner)) {
  if (designCreating) {
    IsDesigning = true;
    designCreating = false;
  }
  // Every object starts with the same font: worked out once, set in one go.
  static const TFontData defaultFont = [] {
    TFont font;
    font.SetName("Arial");
    font.SetSize(10);
    font.SetColor(clBlack);
    font.SetCharset(DEFAULT_CHARSET);
    return font.Data();
  }();
  font_.SetData(defaultFont);
  font_.OnChange = [this](TObject*) { FontChanged(); };
  SetParentFont(true);
  if (auto* parent = dynamic_cast<TkvxComponent*>(owner)) SetParent(parent);
}

TkvxComponent::~TkvxComponent() {
  SetParent(nullptr);
  Clear();
  font_.OnChange = nullptr;
}

TkvxComponent* TkvxComponent::DesignCreate(TClass cls, TComponent* owner, Word flags) {
  designCreating = true;
  designFlags = flags;
  TComponent* made;
  try {
    made = cls->CreateComponent(owner);
  } catch (...) {
    designCreating = false;
    throw;
  }
  designCreating = false;
  return dynamic_cast<TkvxComponent*>(made);
}

Word TkvxComponent::DesignFlags() { return designFlags; }

String TkvxComponent::BaseName() const { return baseName_.empty() ? BaseNameOf(ClassName()) : baseName_; }

void TkvxComponent::SetParent(TkvxComponent* value) {
  if (value == parent_) return;
  // An object inside itself, or inside what it owns, would be freed twice. One that holds and
  // owns nothing, as every object of a page read back is when it is placed, can be inside
  // nothing but itself: the walk up from the new parent is left to the others.
  const bool holdsAny = !objects_.empty() || ComponentCount() > 0;
  if (value == this || (holdsAny && ComponentWithin(value, this)))
    throw EComponentError("An object cannot be its own parent");
  if (parent_) {
    auto& list = parent_->objects_;
    auto it = std::find(list.rbegin(), list.rend(), this);
    if (it != list.rend()) list.erase(std::next(it).base());
  }
  parent_ = value;
  if (parent_) {
    parent_->objects_.push_back(this);
    SetParentFont(parentFont_);
  }
}

const std::vector<TkvxComponent*>& TkvxComponent::AllObjects() {
  allObjects_.clear();
  std::vector<TkvxComponent*> stack(objects_.rbegin(), objects_.rend());
  while (!stack.empty()) {
    TkvxComponent* c = stack.back();
    stack.pop_back();
    allObjects_.push_back(c);
    stack.insert(stack.end(), c->objects_.rbegin(), c->objects_.rend());
  }
  return allObjects_;
}

void TkvxComponent::SetLeft(Extended value) {
  if (IsDesigning && restrictions_.Contains(rfDontMove)) return;
  left_ = value;
}

void TkvxComponent::SetTop(Extended value) {
  if (IsDesigning && restrictions_.Contains(rfDontMove)) return;
  top_ = value;
}

void TkvxComponent::SetWidth(Extended value) {
  if (IsDesigning && restrictions_.Contains(rfDontSize)) return;
  width_ = value;
}

void TkvxComponent::SetHeight(Extended value) {
  if (IsDesigning && restrictions_.Contains(rfDontSize)) return;
  height_ = value;
}

void TkvxComponent::SetBounds(Extended left, Extended top, Extended width, Extended height) {
  SetLeft(left);
  SetTop(top);
  SetWidth(width);
  SetHeight(height);
}

namespace {

// Asked for every object of every row: positions on a dialog page are the page's own, told by
// the page's class, not by its class's name.
bool IsDialogPage(const TkvxComponent* c) {
  static const TClass dialogPage = TkvxDialogPage::StaticClass();
  return c->ClassType() == dialogPage;
}

}  // namespace

Extended TkvxComponent::AbsLeft() const {
  if (!parent_ || IsDialogPage(parent_)) return left_;
  return left_ + parent_->AbsLeft();
}

Extended TkvxComponent::AbsTop() const {
  if (!parent_ || IsDialogPage(parent_)) return top_;
  return top_ + parent_->AbsTop();
}

void TkvxComponent::AbsPosition(Extended& left, Extended& top) const {
  if (!parent_ || IsDialogPage(parent_)) {
    left = left_;
    top = top_;
    return;
  }
  parent_->AbsPosition(left, top);
  left = left_ + left;
  top = top_ + top;
}

void TkvxComponent::SetFont(TFont* value) {
  // Placed in its parent, an object mostly takes a font it already has: nothing to copy.
  if (!value || value->PixelsPerInch() != font_.PixelsPerInch() || !(value->Data() == font_.Data()))
    font_.Assign(value);
  parentFont_ = false;
}

void TkvxComponent::SetParentFont(bool value) {
  if (value && parent_) SetFont(parent_->Font());
  parentFont_ = value;
}

void TkvxComponent::SetVisible(bool value) { visible_ = value; }

void TkvxComponent::FontChanged() {
  parentFont_ = false;
  for (TkvxComponent* child : objects_)
    if (child->parentFont_) child->SetParentFont(true);
}

TkvxPage* TkvxComponent::GetPage() const {
  for (const TkvxComponent* c = this; c; c = c->parent_)
    if (auto* page = dynamic_cast<TkvxPage*>(const_cast<TkvxComponent*>(c))) return page;
  return nullptr;
}

namespace {

// Whether objects of a class are reports. Asked for every object of every row, about the
// object, its band and its page: the answers for the last classes asked about are remembered
// (classes live as long as the program), where each question would walk the class chain.
bool IsReportClass(TClass cls) {
  struct TKnown {
    TClass Class = nullptr;
    bool Report = false;
  };
  thread_local std::array<TKnown, 8> known{};
  thread_local size_t next = 0;
  for (const TKnown& k : known)
    if (k.Class == cls) return k.Report;
  const bool report = cls->InheritsFrom(TkvxReport::StaticClass());
  known[next] = {cls, report};
  next = (next + 1) % known.size();
  return report;
}

}  // namespace

TkvxReport* TkvxComponent::GetReport() const {
  for (const TkvxComponent* c = this; c; c = c->parent_)
    if (IsReportClass(c->ClassType())) return static_cast<TkvxReport*>(const_cast<TkvxComponent*>(c));
  return nullptr;
}

bool TkvxComponent::IsAncestor() const { return ComponentState().Contains(csAncestor) || IsAncestorMark; }

void TkvxComponent::SetName(const String& value) {
  // The same name in other letter case changes nothing.
  if (value.size() == Name().size() && AnsiSameText(value, Name())) return;
  if (!value.empty()) {
    if (TkvxReport* report = GetReport()) {
      TkvxComponent* other = report->FindObject(value);
      if (other && other != this) throw EComponentError(kvxGetResources()->Get("prDupl"));
    }
    if (IsAncestor())
      throw EComponentError("Could not rename " + Name() + ", it was introduced in the ancestor report");
  }
  TComponent::SetName(value);
}

void TkvxComponent::CreateUniqueName() {
  TkvxComponent* scope = GetReport();
  if (!scope) scope = parent_;
  TStringList names;
  names.SetSorted(true);
  if (scope) {
    for (TkvxComponent* c : scope->AllObjects()) names.Add(UpperCase(c->Name()));
    names.Add(UpperCase(scope->Name()));
  }
  for (Integer n = 1;; ++n) {
    String candidate = BaseName() + IntToStr(n);
    if (names.IndexOf(UpperCase(candidate)) < 0) {
      SetName(candidate);
      return;
    }
  }
}

TkvxComponent* TkvxComponent::FindObject(const String& name) {
  if (name.empty()) return nullptr;
  for (TkvxComponent* c : AllObjects())
    if (c->Name().size() == name.size() && AnsiSameText(c->Name(), name)) return c;
  return nullptr;
}

TkvxDataSet* TkvxComponent::FindDataSet(TkvxDataSet* dataSet, const String& name) {
  TkvxReport* report = GetReport();
  if (report && !report->EngineOptions()->UseGlobalDataSetList) {
    TkvxDataSetItem* item = report->EnabledDataSets->Find(name);
    return item ? item->DataSet() : nullptr;
  }
  return kvxFindDataSet(dataSet, name, report);
}

String TkvxComponent::GetDescription() const { return ClassName(); }

void TkvxComponent::Clear() {
  // Last first: the report's list of components then gives each one up from its end.
  std::vector<TkvxComponent*> children(objects_.rbegin(), objects_.rend());
  for (TkvxComponent* child : children) {
    if (child->ComponentState().Contains(csAncestor)) {
      child->Clear();
      continue;
    }
    delete child;
  }
}

void TkvxComponent::LoadFromStream(TStream& stream) {
  Clear();
  TkvxReport* report = GetReport();
  TkvxXMLSerializer serializer(&stream);
  serializer.Owner = report ? static_cast<TComponent*>(report) : this;
  if (report) report->CurrentSerializer = &serializer;
  auto finish = [&] {
    if (report) {
      for (Integer i = 0; i < serializer.Errors.Count(); ++i) report->Errors->Add(serializer.Errors.Strings(i));
      report->CurrentSerializer = nullptr;
    }
  };
  try {
    if (report && report->EngineOptions()->EnabledLock) {
      TLockGuard guard(kvxCS());
      serializer.ReadRootComponent(this, nullptr);
    } else {
      serializer.ReadRootComponent(this, nullptr);
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TkvxComponent::SaveToStream(TStream& stream, bool saveChildren, bool saveDefaultValues, bool streaming) {
  TkvxXMLSerializer serializer(&stream);
  TkvxReport* report = GetReport();
  serializer.Owner = report ? static_cast<TComponent*>(report) : this;
  serializer.SerializeDefaultValues = saveDefaultValues;
  // A report with a parent writes itself and its objects as they differ from the parent, so
  // that it follows what the parent changes later and it does not.
  if (report == this && report->ParentObject())
    serializer.OnGetAncestor = [report](const String& name, TPersistent*& ancestor) {
      TkvxReport* parent = report->ParentObject();
      ancestor = name.empty() || SameText(name, report->Name()) ? parent : parent->FindObject(name);
    };
  serializer.WriteRootComponent(this, saveChildren, nullptr, streaming);
}

void TkvxComponent::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TkvxComponent*>(source);
  if (!src) {
    TComponent::Assign(source);
    return;
  }
  TMemoryStream stream;
  src->SaveToStream(stream, false, true, false);
  stream.SetPosition(0);
  LoadFromStream(stream);
}

void TkvxComponent::AssignAll(TkvxComponent* source, bool /*streaming*/) {
  TMemoryStream stream;
  // Every object is written under its class name: a copy of objects inherited from a parent
  // report must make them, where the report's own file only updates them.
  source->SaveToStream(stream, true, true, true);
  stream.SetPosition(0);
  LoadFromStream(stream);
}

String TkvxComponent::Diff(TkvxComponent* templ) { return GetBaseDiff(templ); }

namespace {

void DiffAttr(String& out, const char* name, const String& value) {
  out += ' ';
  out += name;
  out += "=\"";
  out += value;
  out += '"';
}

}  // namespace

String TkvxComponent::GetBaseDiff(TkvxComponent* t) {
  String out;
  if (!t) return out;
  if (kvxDiffers(left_, t->left_)) DiffAttr(out, "l", kvxFormatFloat(left_));
  if (IsBand() || kvxDiffers(top_, t->top_)) DiffAttr(out, "t", kvxFormatFloat(top_));
  if (!DiffOmitsWidth() && kvxDiffers(width_, t->width_)) DiffAttr(out, "w", kvxFormatFloat(width_));
  if (kvxDiffers(height_, t->height_)) DiffAttr(out, "h", kvxFormatFloat(height_));
  if (visible_ != t->visible_) DiffAttr(out, "Visible", visible_ ? "1" : "0");
  if (!parentFont_) out += GetFontDiff(&font_, &t->font_, " ");
  if (parentFont_ != t->parentFont_) DiffAttr(out, "ParentFont", parentFont_ ? "1" : "0");
  if (Tag() != t->Tag()) DiffAttr(out, "Tag", IntToStr(Tag()));
  return out;
}

String TkvxComponent::GetFontDiff(TFont* font, TFont* templ, const String& prefix) {
  String out;
  // A copy mostly prints in its template's font.
  if (font->Data() == templ->Data() && font->PixelsPerInch() == templ->PixelsPerInch()) return out;
  auto attr = [&](const char* name, const String& value) {
    out += prefix;
    out += "Font.";
    out += name;
    out += "=\"";
    out += value;
    out += '"';
  };
  if (font->Name() != templ->Name()) attr("Name", kvxStrToXML(font->Name()));
  if (font->Size() != templ->Size()) attr("Size", IntToStr(font->Size()));
  if (font->Color() != templ->Color()) attr("Color", IntToStr(font->Color()));
  if (font->Style() != templ->Style()) attr("Style", IntToStr(font->Style().Mask()));
  if (font->Charset() != templ->Charset()) attr("Charset", IntToStr(font->Charset()));
  return out;
}

String TkvxComponent::GetFullDiff(TkvxComponent* templ) {
  TStringStream stream;
  TkvxXMLSerializer serializer(&stream);
  TkvxReport* report = GetReport();
  serializer.Owner = report ? static_cast<TComponent*>(report) : this;
  serializer.WriteComponent(this);
  const String& text = stream.DataString();
  size_t blank = text.find(' ');
  String out = blank == String::npos ? String() : text.substr(blank + 1, text.size() - blank - 3);
  // Each attribute of the base diff brings its own leading blank.
  if (templ) out += GetBaseDiff(templ);
  return out;
}

void TkvxComponent::AlignChildren() { DoAlign(); }

TkvxComponent* TkvxComponent::FindNeighbour(const std::vector<TkvxComponent*>& sorted, size_t i, int direction) {
  TkvxComponent* self = sorted[i];
  bool width = self->AlignKind() == baWidth;
  auto overlapsVertically = [&](TkvxComponent* c) {
    return !(c->AbsTop() >= self->AbsTop() + self->Height() - 1e-4) &&
           !(self->AbsTop() >= c->AbsTop() + c->Height() - 1e-4);
  };
  for (long j = static_cast<long>(i) - direction; j >= 0 && j < static_cast<long>(sorted.size()); j -= direction) {
    TkvxComponent* c = sorted[static_cast<size_t>(j)];
    if (c == self || !overlapsVertically(c)) continue;
    if (width && direction == 1 && c->Left() > self->Left()) continue;
    if (width && direction == -1 && self->Left() + self->Width() > c->Left() + c->Width()) continue;
    return c;
  }
  return nullptr;
}

void TkvxComponent::DoAlign() {
  std::vector<TkvxComponent*> views;
  for (TkvxComponent* c : objects_)
    if (c->AlignKind() != baNone) views.push_back(c);
  if (views.empty()) return;
  // Every child is a possible neighbour, aligned or not.
  std::vector<TkvxComponent*> all(objects_);
  // Ordered by Left as the key text "1%9.2f" / "0%9.2f" orders them.
  auto key = [](TkvxComponent* c) {
    char buf[64];
    if (c->Left() >= 0) std::snprintf(buf, sizeof buf, "1%9.2f", c->Left());
    else std::snprintf(buf, sizeof buf, "0%9.2f", -c->Left());
    return String(buf);
  };
  std::stable_sort(all.begin(), all.end(), [&](TkvxComponent* a, TkvxComponent* b) { return key(a) < key(b); });
  for (size_t i = 0; i < all.size(); ++i) {
    TkvxAlign a = all[i]->AlignKind();
    if (a != baLeft && a != baWidth) continue;
    TkvxComponent* n = FindNeighbour(all, i, 1);
    all[i]->SetLeft(n ? n->Left() + n->Width() : 0);
  }
  for (size_t k = all.size(); k-- > 0;) {
    TkvxAlign a = all[k]->AlignKind();
    if (a != baRight && a != baWidth) continue;
    TkvxComponent* n = FindNeighbour(all, k, -1);
    Extended edge = n ? n->Left() : width_;
    if (a == baRight) all[k]->SetLeft(edge - all[k]->Width());
    else all[k]->SetWidth(edge - all[k]->Left());
  }
  for (TkvxComponent* c : objects_) {
    switch (c->AlignKind()) {
      case baCenter: c->SetLeft((width_ - c->Width()) / 2); break;
      case baBottom: c->SetTop(height_ - c->Height()); break;
      case baClient:
        c->SetLeft(0);
        c->SetTop(0);
        c->SetWidth(width_);
        c->SetHeight(height_);
        break;
      default: break;
    }
  }
}

}  // namespace orv
