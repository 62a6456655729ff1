#pragma once
// libcups, opened the first time the program talks to the print server. Most runs of the
// register and of orvane-report never print, and loading the library with the program (with the
// TLS, Kerberos and service-discovery libraries it brings) would cost every start some
// milliseconds.
#include <cups/cups.h>

#include "platform/rtl/Types.h"

namespace orv {

struct TCupsLibrary {
  decltype(&::cupsAddOption) AddOption;
  decltype(&::cupsCancelJob2) CancelJob2;
  decltype(&::cupsCheckDestSupported) CheckDestSupported;
  decltype(&::cupsCopyDestInfo) CopyDestInfo;
  decltype(&::cupsCreateJob) CreateJob;
  decltype(&::cupsFindDestDefault) FindDestDefault;
  decltype(&::cupsFindDestSupported) FindDestSupported;
  decltype(&::cupsFinishDocument) FinishDocument;
  decltype(&::cupsFreeDestInfo) FreeDestInfo;
  decltype(&::cupsFreeDests) FreeDests;
  decltype(&::cupsFreeOptions) FreeOptions;
  decltype(&::cupsGetDest) GetDest;
  decltype(&::cupsGetDestMediaByIndex) GetDestMediaByIndex;
  decltype(&::cupsGetDestMediaCount) GetDestMediaCount;
  decltype(&::cupsGetDests2) GetDests2;
  decltype(&::cupsGetOption) GetOption;
  decltype(&::cupsLastError) LastError;
  decltype(&::cupsLastErrorString) LastErrorString;
  decltype(&::cupsLocalizeDestMedia) LocalizeDestMedia;
  decltype(&::cupsLocalizeDestValue) LocalizeDestValue;
  decltype(&::cupsServer) Server;
  decltype(&::cupsStartDocument) StartDocument;
  decltype(&::cupsWriteRequestData) WriteRequestData;
  decltype(&::ippGetCount) GetCount;
  decltype(&::ippGetInteger) GetInteger;
  decltype(&::ippGetResolution) GetResolution;
  decltype(&::ippGetString) GetString;
  decltype(&::ippGetValueTag) GetValueTag;
  decltype(&::ippPort) Port;
  decltype(&::pwgMediaForPWG) MediaForPWG;
  decltype(&::pwgMediaForSize) MediaForSize;
};

// The library's functions, opened on the first call; nullptr when it cannot be opened, with the
// reason in error.
const TCupsLibrary* CupsLibrary(String& error);

// What the last call of the library that failed failed on: the reason the print server cannot
// be reached ("Connection refused") when it cannot, else the library's own words.
String LastCupsError(const TCupsLibrary& cups);

}  // namespace orv
