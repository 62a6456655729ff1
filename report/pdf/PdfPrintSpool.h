#pragma once
// The PDF writer as the printers' spool: a printed job holds the page content the export writes,
// its text as stored and its fonts as subsets.
namespace orv {

// Printing of prepared pages goes through the PDF writer from now on.
void kvxUsePDFForPrinting();

}  // namespace orv
