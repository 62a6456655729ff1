#pragma once
// The register's documents: report templates kept as files in the folder "reports" beside the
// program, loaded into the reports the windows own, with their data sets taken from the window
// that owns the report.
#include "platform/rtl/Types.h"

namespace orv {

class TComponent;
class TDataSet;
class TkvxDBDataset;
class TkvxReport;

// The full path of the template name ("certificate.xml") in the program's "reports" folder.
String DocumentFile(const String& name);

// Loads template name into report. The report's data sets are the data sets of the window that
// owns it, found by name there alone, so two windows' "kvxDBDataset1" are never confused. A
// missing or damaged template raises an error that names the file.
void LoadDocument(TkvxReport& report, const String& name);

// A report component of window named name, for a document; makes the report engine known first,
// so the report can be run and shown in its preview window.
TkvxReport* CreateDocumentReport(TComponent* window, const String& name);

// A report data set of window named name over dataSet (none yet when nullptr). With
// closeDataSource the report closes dataSet when it ends.
TkvxDBDataset* CreateDocumentDataSet(TComponent* window, const String& name, TDataSet* dataSet,
                                     bool closeDataSource = false);

}  // namespace orv
