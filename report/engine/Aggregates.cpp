#include "report/engine/Aggregates.h"

#include <cctype>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"
#include "report/engine/ObjectKinds.h"
#include "report/model/PropertyIndex.h"
#include "report/model/ReportUtils.h"
#include "report/model/LegacyText.h"
#include "report/model/WideStrings.h"

namespace orv {

namespace {

String Upper(String s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Ends an identifier in an expression; bytes from 128 up belong to identifiers (Thai names).
bool EndsIdentifier(unsigned char c) {
  return c <= ' ' || String("!#$%&(*+,-./=[]^|").find(static_cast<char>(c)) != String::npos;
}
bool Skipped(unsigned char c) {
  return c <= ' ' || String("!#$%&*+,-./=[]^|").find(static_cast<char>(c)) != String::npos ||
         (c >= '0' && c <= '9');
}

}  // namespace

Integer kvxAggregateFunction(const String& name) {
  String n = Upper(Trim(name));
  if (n == "SUM") return TkvxAggregateItem::fnSum;
  if (n == "AVG") return TkvxAggregateItem::fnAvg;
  if (n == "MIN") return TkvxAggregateItem::fnMin;
  if (n == "MAX") return TkvxAggregateItem::fnMax;
  return TkvxAggregateItem::fnCount;
}

std::vector<String> kvxSplitCallArguments(const String& text, size_t& end) {
  std::vector<String> args;
  size_t i = text.find('(');
  end = text.size();
  if (i == String::npos) return args;
  int depth = 0;
  bool sq = false, dq = false;
  String cur;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\'' && !dq) sq = !sq;
    else if (c == '"' && !sq) dq = !dq;
    if (!sq && !dq) {
      if (c == '(') {
        if (++depth == 1) continue;
      } else if (c == ')') {
        if (--depth == 0) {
          args.push_back(Trim(cur));
          end = i + 1;
          break;
        }
      } else if (c == ',' && depth == 1) {
        args.push_back(Trim(cur));
        cur.clear();
        continue;
      }
    }
    cur += c;
  }
  if (args.size() > 3) args.resize(3);
  return args;
}

void TkvxAggregateTally::Clear() {
  Count = 0;
  Value = Variant::MakeNull();
  ColumnValues.clear();
  ColumnCounts.clear();
}

bool TkvxAggregateItem::Reset() {
  if (DontReset && Tally.Count != 0) return false;
  Tally.Clear();
  return true;
}

void TkvxAggregateItem::FoldValue(Variant& value, const Variant& more) const {
  if (value.IsNull()) {
    value = more;
  } else if (!more.IsNull()) {
    if (Function == fnMin) {
      if (more < value) value = more;
    } else if (Function == fnMax) {
      if (more > value) value = more;
    } else {
      value = value + more;
    }
  }
}

void TkvxAggregateItem::Combine(Variant& value, Integer& count, const Variant& v) const {
  if (!(Function == fnAvg && v.IsNull())) ++count;
  if (value.IsNull()) {
    value = v;
  } else if (!v.IsNull()) {
    switch (Function) {
      case fnSum:
      case fnAvg: value = value + v; break;
      case fnMin: if (v < value) value = v; break;
      case fnMax: if (v > value) value = v; break;
      default: break;
    }
  }
}

void TkvxAggregateItem::Add(TkvxAggregateTally& tally, Integer column, const Variant& v) const {
  if (column <= 0) {
    Combine(tally.Value, tally.Count, v);
    return;
  }
  // Columns grow with the data rather than stopping at a fixed number of them.
  size_t i = static_cast<size_t>(column);
  if (tally.ColumnValues.size() <= i) {
    tally.ColumnValues.resize(i + 1, Variant::MakeNull());
    tally.ColumnCounts.resize(i + 1, 0);
  }
  Combine(tally.ColumnValues[i], tally.ColumnCounts[i], v);
}

void TkvxAggregateItem::Fold(TkvxAggregateTally& tally, const TkvxAggregateTally& more) const {
  tally.Count += more.Count;
  FoldValue(tally.Value, more.Value);
  if (tally.ColumnValues.size() < more.ColumnValues.size()) {
    tally.ColumnValues.resize(more.ColumnValues.size(), Variant::MakeNull());
    tally.ColumnCounts.resize(more.ColumnValues.size(), 0);
  }
  for (size_t i = 0; i < more.ColumnValues.size(); ++i) {
    tally.ColumnCounts[i] += more.ColumnCounts[i];
    FoldValue(tally.ColumnValues[i], more.ColumnValues[i]);
  }
}

Variant TkvxAggregateItem::GetResult() const {
  Variant value = Tally.Value;
  Integer count = Tally.Count;
  // Column 0 is the rows outside any vertical column, kept in value and count.
  if (VColumn > 0 && !Tally.ColumnValues.empty()) {
    size_t i = static_cast<size_t>(VColumn);
    value = i < Tally.ColumnValues.size() ? Tally.ColumnValues[i] : Variant::MakeNull();
    // A column no row reached has counted nothing.
    count = i < Tally.ColumnCounts.size() ? Tally.ColumnCounts[i] : 0;
  }
  Variant result;
  switch (Function) {
    case fnAvg: result = count == 0 || value.IsNull() ? Variant::MakeNull() : value / Variant(count); break;
    case fnCount: result = Variant(count); break;
    default: result = value; break;
  }
  return result.IsNull() ? Variant(0) : result;
}

TkvxAggregateList::TkvxAggregateList(TkvxReport* report, TCalc calc) : report_(report), calc_(std::move(calc)) {}

void TkvxAggregateList::ParseName(const String& callText, Integer& func, bool& dontReset, bool& countInvisible,
                                  TkvxDataBand*& band, String& expression) const {
  size_t end = 0;
  String name = callText.substr(0, callText.find('('));
  func = kvxAggregateFunction(name);
  std::vector<String> args = kvxSplitCallArguments(callText, end);
  auto arg = [&](size_t i) { return i < args.size() ? args[i] : String(); };
  String bandName, flags;
  if (func == TkvxAggregateItem::fnCount) {
    expression.clear();
    bandName = arg(0);
    flags = arg(1);
  } else {
    expression = arg(0);
    bandName = arg(1);
    flags = arg(2);
  }
  band = bandName.empty() ? nullptr : kvxAs<TkvxDataBand>(report_->FindObject(bandName));
  Integer f = flags.empty() ? 0 : StrToInt(flags);
  countInvisible = (f & 1) != 0;
  dontReset = (f & 2) != 0;
}

void TkvxAggregateList::AddCall(const String& callText, const String& memoName, TkvxBand* parentBand,
                                TkvxDataBand* dataBand) {
  auto item = std::make_unique<TkvxAggregateItem>();
  TkvxDataBand* band = nullptr;
  ParseName(callText, item->Function, item->DontReset, item->CountInvisible, band, item->Expression);
  item->DataBand = band ? band : dataBand;
  item->ParentBand = parentBand;
  item->PageFooter =
      kvxAs<TkvxPageFooter>(parentBand) != nullptr || kvxAs<TkvxColumnFooter>(parentBand) != nullptr;
  item->MemoName = memoName;
  item->CallText = Trim(callText);
  item->Reset();
  items_.push_back(std::move(item));
}

void TkvxAggregateList::ScanText(const String& text, const String& memoName, TkvxBand* parent,
                                 TkvxDataBand* dataBand, int depth) {
  // A variable holding a variable holding ... ends somewhere.
  if (depth > 8) return;
  String trimmed = Trim(text);
  for (Integer v = 0; v < report_->Variables->Count(); ++v)
    if (SameText(report_->Variables->Items(v)->Name(), trimmed)) {
      Variant value = report_->Variables->GetVariable(trimmed);
      ScanText(value.IsNull() ? String() : VarToStr(value), memoName, parent, dataBand, depth + 1);
      return;
    }
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\'') {
      size_t close = text.find(static_cast<char>(c), i + 1);
      i = close == String::npos ? text.size() : close + 1;
    } else if (c == '(' || c == ')' || c == '<' || c == '>') {
      ++i;
    } else if (Skipped(c)) {
      ++i;
    } else {
      size_t start = i;
      while (i < text.size() && !EndsIdentifier(static_cast<unsigned char>(text[i]))) ++i;
      String word = text.substr(start, i - start);
      String upper = Upper(word);
      bool aggregate = (upper == "SUM" || upper == "MIN" || upper == "MAX" || upper == "AVG" || upper == "COUNT") &&
                       i < text.size() && text[i] == '(';
      if (aggregate) {
        size_t end = 0;
        String rest = text.substr(start);
        kvxSplitCallArguments(rest, end);
        AddCall(rest.substr(0, end), memoName, parent, dataBand);
        i = start + end;
      } else {
        ScanText(word, memoName, parent, dataBand, depth + 1);
      }
    }
  }
}

void TkvxAggregateList::ScanBand(TkvxBand* band, TkvxDataBand* dataBand, const TParentOf& parentOf) {
  for (TkvxBand* b = band; b; b = b->Child()) {
    for (TkvxComponent* obj : b->Objects()) {
      TClass cls = obj->ClassType();
      const TPropInfo* memoProp = kvxFindProp(cls, "Memo");
      if (!memoProp) continue;
      if (const TPropInfo* p = kvxFindProp(cls, "AllowExpressions"); p && p->GetOrd(obj) == 0) continue;
      auto* memo = dynamic_cast<TWideStrings*>(memoProp->GetObject(obj));
      if (!memo) continue;
      String open = "[", close = "]";
      if (const TPropInfo* p = kvxFindProp(cls, "ExpressionDelimiters")) {
        String d = p->GetStr(obj);
        if (size_t comma = d.find(','); comma != String::npos) {
          open = d.substr(0, comma);
          close = d.substr(comma + 1);
        }
      }
      String text = kvxWideToUtf8(memo->Text());
      for (size_t pos = text.find(open); pos != String::npos; pos = text.find(open, pos)) {
        String expr;
        Integer endPos = 0, startPos = static_cast<Integer>(pos) + 1;
        kvxGetBracketedText(text, open, close, expr, endPos, startPos);
        if (endPos < startPos || (expr.empty() && endPos == startPos)) break;
        ScanText(expr, obj->Name(), parentOf(obj, b), dataBand, 0);
        pos = static_cast<size_t>(endPos);
      }
    }
  }
}

void TkvxAggregateList::AddItems(TkvxReportPage* page, const std::vector<TkvxDataBand*>& masters,
                                 const std::vector<TkvxDataBand*>& vMasters,
                                 const std::function<std::vector<TkvxBand*>(TkvxDataBand*)>& footersOf,
                                 const std::function<std::vector<TkvxDataBand*>(TkvxDataBand*)>& detailsOf,
                                 const TParentOf& parentOf) {
  std::function<void(TkvxDataBand*)> scan = [&](TkvxDataBand* d) {
    for (TkvxBand* f : footersOf(d)) ScanBand(f, d, parentOf);
    for (TkvxDataBand* detail : detailsOf(d)) scan(detail);
    if (d->Vertical()) ScanBand(d, d, parentOf);
  };
  for (TkvxDataBand* d : masters) scan(d);
  for (TkvxDataBand* d : vMasters) scan(d);
  if (masters.empty()) return;
  for (TClass cls : {TkvxPageFooter::StaticClass(), TkvxColumnFooter::StaticClass(), TkvxReportSummary::StaticClass()})
    if (auto* band = static_cast<TkvxBand*>(page->FindBand(cls))) ScanBand(band, masters.front(), parentOf);
}

void TkvxAggregateList::Calc(size_t index) {
  TkvxAggregateItem& item = *items_[index];
  if (!item.DataBand->Visible() && !item.CountInvisible) return;
  Variant v = item.Function == TkvxAggregateItem::fnCount ? Variant::MakeNull() : calc_(item.Expression);
  if (v.VType() == varBoolean) v = v.ToBoolean() ? Variant(1) : Variant(0);
  item.Add(item.Keeping ? item.Kept : item.Tally, item.VColumn, v);
  if (item.PageFooter)
    for (TMark& mark : marks_)
      if (mark.Open) item.Add(item.Keeping ? mark.SinceKept[index] : mark.Since[index], item.VColumn, v);
}

void TkvxAggregateList::AddValue(TkvxBand* band, Integer vColumn) {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->DataBand == band) {
      items_[i]->VColumn = vColumn;
      Calc(i);
    }
}

void TkvxAggregateList::ResetItem(size_t index) {
  if (!items_[index]->Reset()) return;
  // What a mark saw before the footer printed is gone with the footer: the block that may still
  // move holds only what came after, and what the kept block that moves takes along.
  for (TMark& mark : marks_) {
    if (!mark.Open) continue;
    mark.At[index].Clear();
    mark.Since[index].Clear();
  }
}

void TkvxAggregateList::Reset(TkvxBand* parentBand) {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->ParentBand == parentBand) ResetItem(i);
}

void TkvxAggregateList::StartKeep() {
  for (auto& item : items_) {
    if (!item->PageFooter || item->Keeping) continue;
    item->Keeping = true;
    item->Kept.Clear();
  }
}

void TkvxAggregateList::EndKeep() {
  for (size_t i = 0; i < items_.size(); ++i) {
    TkvxAggregateItem& item = *items_[i];
    if (!item.PageFooter || !item.Keeping) continue;
    item.Keeping = false;
    item.Fold(item.Tally, item.Kept);
    // The block's rows now count where it stands, before or after the marks set inside it.
    for (TMark& mark : marks_) {
      if (!mark.Open) continue;
      item.Fold(mark.At[i], mark.AtKept[i]);
      mark.AtKept[i].Clear();
      item.Fold(mark.Since[i], mark.SinceKept[i]);
      mark.SinceKept[i].Clear();
    }
  }
}

Integer TkvxAggregateList::OpenMark() {
  size_t m = 0;
  while (m < marks_.size() && marks_[m].Open) ++m;
  if (m == marks_.size()) marks_.emplace_back();
  marks_[m].Open = true;
  SetMark(static_cast<Integer>(m));
  return static_cast<Integer>(m);
}

void TkvxAggregateList::SetMark(Integer mark) {
  TMark& m = marks_[static_cast<size_t>(mark)];
  size_t n = items_.size();
  m.At.assign(n, TkvxAggregateTally());
  m.Since.assign(n, TkvxAggregateTally());
  m.AtKept.assign(n, TkvxAggregateTally());
  m.SinceKept.assign(n, TkvxAggregateTally());
  for (size_t i = 0; i < n; ++i) {
    const TkvxAggregateItem& item = *items_[i];
    if (!item.PageFooter) continue;
    m.At[i] = item.Tally;
    if (item.Keeping) m.AtKept[i] = item.Kept;
  }
}

void TkvxAggregateList::CloseMark(Integer mark) {
  if (mark >= 0 && static_cast<size_t>(mark) < marks_.size()) marks_[static_cast<size_t>(mark)].Open = false;
}

void TkvxAggregateList::StartKeepAt(Integer mark) {
  TMark& m = marks_[static_cast<size_t>(mark)];
  for (size_t i = 0; i < items_.size(); ++i) {
    TkvxAggregateItem& item = *items_[i];
    if (!item.PageFooter || item.Keeping) continue;
    item.Keeping = true;
    item.Tally = m.At[i];
    item.Kept = m.Since[i];
    // What came after the mark is now the kept block.
    m.SinceKept[i] = m.Since[i];
    m.Since[i].Clear();
  }
}

void TkvxAggregateList::ClearValues() {
  for (size_t i = 0; i < items_.size(); ++i) {
    TkvxAggregateItem& item = *items_[i];
    bool dontReset = item.DontReset;
    item.DontReset = false;
    ResetItem(i);
    item.DontReset = dontReset;
  }
}

Variant TkvxAggregateList::GetValue(TkvxBand* parentBand, Integer vColumn, const String& name,
                                    const String& expression, TkvxBand* band, Integer flags) {
  Integer func = kvxAggregateFunction(name);
  String expr = Trim(expression);
  for (auto& item : items_) {
    if (item->ParentBand != parentBand || item->Function != func || !SameText(item->Expression, expr)) continue;
    if (band && item->DataBand != band) continue;
    if (item->CountInvisible != ((flags & 1) != 0) || item->DontReset != ((flags & 2) != 0)) continue;
    item->VColumn = vColumn;
    return item->GetResult();
  }
  return Variant::MakeNull();
}

}  // namespace orv
