#pragma once
// The aggregate functions SUM, AVG, MIN, MAX and COUNT of footer texts: found in the memos before
// a run, fed with every printed row of their data band, answered when a footer's text is made.
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/Variant.h"
#include "report/model/Bands.h"
#include "report/model/Report.h"

namespace orv {

// What rows added to one aggregate: their count and value, over all columns (0) and per
// vertical column (grown to the highest column that arrives).
struct TkvxAggregateTally {
  Integer Count = 0;
  Variant Value = Variant::MakeNull();
  std::vector<Variant> ColumnValues;
  std::vector<Integer> ColumnCounts;
  void Clear();
};

class TkvxAggregateItem {
 public:
  enum { fnSum, fnAvg, fnMin, fnMax, fnCount };
  Integer Function = fnCount;
  TkvxDataBand* DataBand = nullptr;
  bool CountInvisible = false;
  bool DontReset = false;
  String Expression;
  // The parent band is a page or column footer: rows count on the page or column they print on.
  bool PageFooter = false;
  TkvxAggregateTally Tally;
  // Rows of a keep-together block, counted apart until the block has found its page.
  bool Keeping = false;
  TkvxAggregateTally Kept;
  Integer VColumn = 0;
  String MemoName;
  String CallText;
  TkvxBand* ParentBand = nullptr;

  // False for a running total that already counted something: it goes on.
  bool Reset();
  // Folds v into value and count as the function does.
  void Combine(Variant& value, Integer& count, const Variant& v) const;
  // Adds v to tally in column (0: the rows outside any vertical column).
  void Add(TkvxAggregateTally& tally, Integer column, const Variant& v) const;
  // Folds another stretch of rows into tally.
  void Fold(TkvxAggregateTally& tally, const TkvxAggregateTally& more) const;
  Variant GetResult() const;

 private:
  void FoldValue(Variant& value, const Variant& more) const;
};

class TkvxAggregateList {
 public:
  // Evaluates the expression of a SUM, AVG, MIN or MAX for the current row.
  using TCalc = std::function<Variant(const String& expression)>;
  TkvxAggregateList(TkvxReport* report, TCalc calc);

  void Clear() {
    items_.clear();
    marks_.clear();
  }
  // The calls found in the memos of the footers under the page's horizontal and vertical
  // master bands, and in the vertical data bands themselves; parentOf names the band whose
  // printing answers and resets the calls of a memo of a band.
  void AddItems(TkvxReportPage* page, const std::vector<TkvxDataBand*>& masters,
                const std::vector<TkvxDataBand*>& vMasters,
                const std::function<std::vector<TkvxBand*>(TkvxDataBand*)>& footersOf,
                const std::function<std::vector<TkvxDataBand*>(TkvxDataBand*)>& detailsOf,
                const std::function<TkvxBand*(TkvxComponent* memo, TkvxBand* band)>& parentOf);
  // One call found in a memo of parentBand; dataBand stands in for a missing band argument.
  void AddCall(const String& callText, const String& memoName, TkvxBand* parentBand, TkvxDataBand* dataBand);
  void AddValue(TkvxBand* band, Integer vColumn);
  void Reset(TkvxBand* parentBand);
  void StartKeep();
  void EndKeep();
  // A mark remembers where a block began whose objects may later move to the next column or
  // page as a whole (a row of columns, the last row kept with its footer): the page and column
  // footer values from the mark on then go with them. SetMark moves a mark to the present.
  Integer OpenMark();
  void SetMark(Integer mark);
  void CloseMark(Integer mark);
  // Starts a keep-together block at the mark instead of at the present.
  void StartKeepAt(Integer mark);
  void ClearValues();
  Variant GetValue(TkvxBand* parentBand, Integer vColumn, const String& name, const String& expression,
                   TkvxBand* band, Integer flags);
  // Splits "SUM(expr, band, flags)"; raises the number parser's error on flags that are no number.
  void ParseName(const String& callText, Integer& func, bool& dontReset, bool& countInvisible,
                 TkvxDataBand*& band, String& expression) const;

 private:
  using TParentOf = std::function<TkvxBand*(TkvxComponent* memo, TkvxBand* band)>;
  void ScanBand(TkvxBand* band, TkvxDataBand* dataBand, const TParentOf& parentOf);
  void ScanText(const String& text, const String& memoName, TkvxBand* parent, TkvxDataBand* dataBand, int depth);
  void Calc(size_t index);
  void ResetItem(size_t index);
  // What the page and column footer items held at a mark, and what they gained since; apart,
  // what of either belongs to a keep-together block still open, which goes to the next page
  // with the block when it moves.
  struct TMark {
    bool Open = false;
    std::vector<TkvxAggregateTally> At, Since, AtKept, SinceKept;
  };
  void ResetMarks(size_t item);

  TkvxReport* report_;
  TCalc calc_;
  std::vector<std::unique_ptr<TkvxAggregateItem>> items_;
  std::vector<TMark> marks_;
};

// The function code of an aggregate name: SUM 0, AVG 1, MIN 2, MAX 3, anything else COUNT 4.
Integer kvxAggregateFunction(const String& name);
// The arguments of the call that starts at callText's first "(", split at the commas outside
// quotes and inner brackets, trimmed; end is set to the index just past the closing ")".
std::vector<String> kvxSplitCallArguments(const String& callText, size_t& end);

}  // namespace orv
