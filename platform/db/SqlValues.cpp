#include "platform/db/SqlValues.h"

#include <cmath>
#include <cstdio>

#include "platform/rtl/DateTime.h"

namespace orv {

String LikeEscape(std::string_view text) {
  String out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\\' || c == '%' || c == '_') out += '\\';
    out += c;
  }
  return out;
}

String IsoDateText(TDateTime value, bool withTime) {
  Word y, m, d, h, n, s, ms;
  // Round to the second first so that 23:59:59.9 does not print as the wrong day.
  TDateTime rounded = value;
  if (withTime) {
    double secs = std::round(std::fabs(value - std::trunc(value)) * SecsPerDay);
    rounded = std::trunc(value) + std::copysign(secs / SecsPerDay, value);
  }
  DecodeDateTime(rounded, y, m, d, h, n, s, ms);
  char buf[64];
  if (withTime)
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", y, m, d, h, n, s);
  else
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u", y, m, d);
  return buf;
}

namespace {

bool Digits(std::string_view t, size_t pos, size_t count, int& out) {
  if (pos + count > t.size()) return false;
  out = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    out = out * 10 + (t[i] - '0');
  }
  return true;
}

}  // namespace

bool TryParseIsoDate(std::string_view t, TDateTime& value) {
  int y, m, d;
  if (!Digits(t, 0, 4, y) || t.size() < 10 || t[4] != '-' || !Digits(t, 5, 2, m) || t[7] != '-' ||
      !Digits(t, 8, 2, d))
    return false;
  TDateTime date;
  if (!TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date))
    return false;
  if (t.size() == 10) {
    value = date;
    return true;
  }
  int h, n, s = 0, ms = 0;
  if ((t[10] != ' ' && t[10] != 'T') || !Digits(t, 11, 2, h) || t.size() < 16 || t[13] != ':' ||
      !Digits(t, 14, 2, n))
    return false;
  size_t pos = 16;
  if (pos < t.size()) {
    if (t[pos] != ':' || !Digits(t, pos + 1, 2, s)) return false;
    pos += 3;
    if (pos < t.size()) {
      if (t[pos] != '.' || pos + 1 >= t.size()) return false;
      // Milliseconds from the first three digits; further digits are finer than a TDateTime keeps.
      int scale = 100;
      for (size_t i = pos + 1; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        ms += (t[i] - '0') * scale;
        scale /= 10;
      }
    }
  }
  TDateTime time;
  if (!TryEncodeTime(static_cast<Word>(h), static_cast<Word>(n), static_cast<Word>(s),
                     static_cast<Word>(ms), time))
    return false;
  value = date >= 0 ? date + time : date - time;
  return true;
}

}  // namespace orv
