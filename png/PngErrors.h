#pragma once
// The PNG codec's exception classes and the texts the user sees when an image cannot be used.
#include "platform/rtl/Exceptions.h"

namespace orv {

// Base of every failure the codec raises; also raised as itself for a bad palette index or an
// assignment between chunks of different kinds.
ORV_DECLARE_EXCEPTION(EPngError, Exception);
ORV_DECLARE_EXCEPTION(EPngInvalidCRC, EPngError);
ORV_DECLARE_EXCEPTION(EPngInvalidIHDR, EPngError);
ORV_DECLARE_EXCEPTION(EPNGMissingMultipleIDAT, EPngError);
ORV_DECLARE_EXCEPTION(EPNGZLIBError, EPngError);
ORV_DECLARE_EXCEPTION(EPNGInvalidPalette, EPngError);
ORV_DECLARE_EXCEPTION(EPNGInvalidFileHeader, EPngError);
ORV_DECLARE_EXCEPTION(EPNGIHDRNotFirst, EPngError);
ORV_DECLARE_EXCEPTION(EPNGSizeExceeds, EPngError);
ORV_DECLARE_EXCEPTION(EPNGUnknownCriticalChunk, EPngError);
ORV_DECLARE_EXCEPTION(EPNGUnknownCompression, EPngError);
ORV_DECLARE_EXCEPTION(EPNGUnknownInterlace, EPngError);
ORV_DECLARE_EXCEPTION(EPngUnexpectedEnd, EPngError);
ORV_DECLARE_EXCEPTION(EPNGNoImageData, EPngError);
ORV_DECLARE_EXCEPTION(EPNGOutMemory, EPngError);
ORV_DECLARE_EXCEPTION(EPNGHeaderNotPresent, EPngError);
ORV_DECLARE_EXCEPTION(EPNGInvalidNewSize, EPngError);

// The codec's string table.
inline constexpr const char* EPngInvalidCRCText =
    "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces of "
    "data (crc error)";
inline constexpr const char* EPNGInvalidIHDRText =
    "The \"Portable Network Graphics\" image could not be loaded because one of its main piece of "
    "data (ihdr) might be corrupted";
inline constexpr const char* EPNGMissingMultipleIDATText =
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";
inline constexpr const char* EPNGZLIBErrorText =
    "Could not decompress the image because it contains invalid compressed data.\r\n"
    " Description: ";
inline constexpr const char* EPNGInvalidPaletteText =
    "The \"Portable Network Graphics\" image contains an invalid palette.";
inline constexpr const char* EPNGInvalidFileHeaderText =
    "The file being readed is not a valid \"Portable Network Graphics\" image because it "
    "contains an invalid header. This file may be corruped, try obtaining it again.";
inline constexpr const char* EPNGIHDRNotFirstText =
    "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
    "(IHDR chunk is not the first)";
inline constexpr const char* EPNGSizeExceedsText =
    "This \"Portable Network Graphics\" image is not supported because either it's width or "
    "height exceeds the maximum size, which is 65535 pixels length.";
inline constexpr const char* EPNGUnknownPalEntryText = "There is no such palette entry.";
inline constexpr const char* EPNGUnknownCriticalChunkText =
    "This \"Portable Network Graphics\" image contains an unknown critical part which could not "
    "be decoded.";
inline constexpr const char* EPNGUnknownCompressionText =
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme which "
    "could not be decoded.";
inline constexpr const char* EPNGUnknownInterlaceText =
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not be "
    "decoded.";
inline constexpr const char* EPNGCannotAssignChunkText =
    "The chunks must be compatible to be assigned.";
inline constexpr const char* EPNGUnexpectedEndText =
    "This \"Portable Network Graphics\" image is invalid because the decoder found an unexpected "
    "end of the file.";
inline constexpr const char* EPNGNoImageDataText =
    "This \"Portable Network Graphics\" image contains no data.";
inline constexpr const char* EPNGOutMemoryText =
    "Some operation could not be performed because the system is out of resources. Close some "
    "windows and try again.";
inline constexpr const char* EPNGHeaderNotPresentText =
    "This operation is not valid because the current image contains no valid header.";
inline constexpr const char* EPNGInvalidNewSizeText =
    "The new size provided for image resizing is invalid.";

}  // namespace orv
