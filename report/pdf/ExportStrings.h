#pragma once
// The export filters' string table: an XML text that the report library's string resources take
// in at start-up, looked up by key ("8700", "PDFexport" ...).

namespace orv {

extern const char* const kvxExportStrings;

// Adds the table to the report library's resources, once.
void kvxLoadExportStrings();

}  // namespace orv
