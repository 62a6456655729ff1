#pragma once
// What the codec's tests share: files, an independent decoder (libpng), a canonical pixel form
// both decoders are compared in, and hand-made PNG files.
#include <memory>
#include <string>
#include <vector>

#include "png/PngImage.h"

namespace orv::test {

std::vector<Byte> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<Byte>& data);
// A fresh path in the temporary folder; name tells what it is for.
std::string TempPath(const std::string& name);
// Runs a shell command; returns its exit status and, when given, what it printed.
int RunCommand(const std::string& command, std::string* output = nullptr);

std::string SuiteDir();
std::vector<std::string> SuiteFiles(const std::string& dir);

std::unique_ptr<TPngImage> DecodePng(const std::vector<Byte>& file);
std::vector<Byte> EncodePng(const TPngImage& image);

// Pixels as RGBA, 16 bits per channel for 16-bit images and 8 otherwise: palette, grey and
// tRNS expanded as libpng's expand, grey-to-RGB and filler transforms do.
struct TCanonical {
  int Width = 0;
  int Height = 0;
  bool Wide = false;
  std::vector<Word> Rgba;
};

// libpng's decoding; false when libpng refuses the file.
bool LibPngCanonical(const std::vector<Byte>& file, TCanonical& out);
// libpng reads file's rows as they are (depth, palette and interlace kept) and writes them again
// with every filter at the compression level; empty when libpng refuses the file.
std::vector<Byte> LibPngRewrite(const std::vector<Byte>& file, int level);
// The codec's stored pixels in the same form (the file's samples, before gamma).
TCanonical CodecCanonical(const TPngImage& image);
// The first difference, or empty when equal.
std::string CanonicalDifference(const TCanonical& expected, const TCanonical& actual);

// Builds PNG files by hand: chunks with correct CRCs.
std::vector<Byte> PngChunk(const std::string& type, const std::vector<Byte>& body);
std::vector<Byte> PngHeaderBody(LongWord width, LongWord height, Byte depth, Byte colorType,
                                Byte interlace = 0, Byte compression = 0, Byte filter = 0);
std::vector<Byte> Deflate(const std::vector<Byte>& raw);
// Signature followed by the chunks given.
std::vector<Byte> PngFile(const std::vector<std::vector<Byte>>& chunks);
// A whole file: header, one IDAT of the raw filtered rows, IEND; extra chunks after the header.
std::vector<Byte> SimplePng(LongWord width, LongWord height, Byte depth, Byte colorType,
                            const std::vector<Byte>& rawRows,
                            const std::vector<std::vector<Byte>>& extra = {});

}  // namespace orv::test
