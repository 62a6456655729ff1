#pragma once
// The report library's gzip-packed button bitmaps (report/model/images), compiled into the
// program as its resources "PreviewButtons" and "ObjectButtons".

namespace orv {

// Adds them to the program's resources (TResourceStream).
void kvxRegisterButtonResources();

}  // namespace orv
