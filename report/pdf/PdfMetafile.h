#pragma once
// A metafile picture drawn into a PDF page as what it is: paths, text in the document's
// embedded fonts, and images only for the bitmaps it holds.
namespace orv {

class TMetafile;
class TkvxPDFPage;

// The metafile stretched over the rectangle (96-dpi pixels of the page) and clipped to it. Its
// bitmaps are JPEG images of the given quality; a transparent one is flattened onto what the
// metafile drew under it, rastered at scale times its size on the page.
void kvxPDFDrawMetafile(TkvxPDFPage& page, double left, double top, double width, double height,
                        const TMetafile& metafile, double scale, int quality);

}  // namespace orv
