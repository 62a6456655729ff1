#pragma once
// Whether a report of two passes can tell them apart. The first pass only counts the pages for
// the second; when nothing in the report reads the page total or the pass, keeps a value from one
// pass to the next or hands the run to a script or to the program, the second pass would lay out
// every page again exactly as the first did.
#include "report/model/Report.h"

namespace orv {

// True when the report's pages do not depend on which pass prints them: its script is empty, the
// program handles none of its per-object or per-row events and gives none of its values, and no
// expression reads the total (other than the "[TotalPages#]" a memo fills in when drawn), the
// engine or the report, sets a variable, or calls an object's member.
bool kvxPassBlind(TkvxReport* report);

}  // namespace orv
