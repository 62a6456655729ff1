#include <algorithm>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"

namespace orv {

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

String Padded(int value, int width) {
  String s = std::to_string(value);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
  return s;
}

bool StartsWithIgnoreCase(const String& fmt, size_t pos, const char* word) {
  for (size_t i = 0; word[i]; ++i) {
    if (pos + i >= fmt.size() || Upper(fmt[pos + i]) != word[i]) return false;
  }
  return true;
}

// The pieces of one value, decoded once.
struct TParts {
  Word Year, Month, Day, Hour, Min, Sec, MSec, DayOfWeek;
};

class TDateFormatter {
 public:
  TDateFormatter(const TParts& parts, const TFormatSettings& fs) : p_(parts), fs_(fs) {}

  void Append(const String& fmt, int level) {
    // The locale's own formats may name each other ("c" in ShortDateFormat); two levels suffice
    // for every sensible table and stop a self-referring one from recursing forever.
    if (level > 2) return;
    char lastToken = 0;
    size_t i = 0;
    while (i < fmt.size()) {
      const char starter = fmt[i];
      char token = Upper(starter);
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      const auto count = [&] {
        size_t n = 1;
        while (i + n < fmt.size() && fmt[i + n] == starter) ++n;
        i += n;
        return static_cast<int>(n);
      };
      switch (token) {
        case 'Y': {
          const int n = count();
          out_ += n <= 2 ? Padded(p_.Year % 100, 2) : Padded(p_.Year, 4);
          break;
        }
        case 'M': {
          const int n = count();
          if (n <= 2) {
            out_ += Padded(p_.Month, n);
          } else if (p_.Month >= 1) {
            out_ += n == 3 ? fs_.ShortMonthNames[p_.Month - 1] : fs_.LongMonthNames[p_.Month - 1];
          }
          break;
        }
        case 'D': {
          const int n = count();
          if (n <= 2) {
            out_ += Padded(p_.Day, n);
          } else if (n == 3 || n == 4) {
            if (p_.DayOfWeek >= 1)
              out_ += n == 3 ? fs_.ShortDayNames[p_.DayOfWeek - 1] : fs_.LongDayNames[p_.DayOfWeek - 1];
          } else {
            Append(n == 5 ? fs_.ShortDateFormat : fs_.LongDateFormat, level + 1);
          }
          break;
        }
        case 'H': {
          const int n = count();
          int h = p_.Hour;
          if (TwelveHourClock(fmt, i)) h = h == 0 ? 12 : h > 12 ? h - 12 : h;
          out_ += Padded(h, std::min(n, 2));
          break;
        }
        case 'N': out_ += Padded(p_.Min, std::min(count(), 2)); break;
        case 'S': out_ += Padded(p_.Sec, std::min(count(), 2)); break;
        case 'Z': out_ += count() == 1 ? std::to_string(p_.MSec) : Padded(p_.MSec, 3); break;
        case 'T': Append(count() == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat, level + 1); break;
        case 'C': {
          count();
          Append(fs_.ShortDateFormat, level + 1);
          if (p_.Hour != 0 || p_.Min != 0 || p_.Sec != 0) {
            out_ += ' ';
            Append(fs_.LongTimeFormat, level + 1);
          }
          break;
        }
        case 'A': {
          const bool pm = p_.Hour >= 12;
          if (StartsWithIgnoreCase(fmt, i, "AM/PM")) {
            // The letters come from the format itself, so "am/pm" gives lower case.
            out_ += pm ? fmt.substr(i + 3, 2) : fmt.substr(i, 2);
            i += 5;
          } else if (StartsWithIgnoreCase(fmt, i, "A/P")) {
            out_ += pm ? fmt[i + 2] : fmt[i];
            i += 3;
          } else if (StartsWithIgnoreCase(fmt, i, "AMPM")) {
            out_ += pm ? fs_.TimePMString : fs_.TimeAMString;
            i += 4;
          } else {
            out_ += starter;
            ++i;
          }
          break;
        }
        case '/': out_ += fs_.DateSeparator; ++i; break;
        case ':': out_ += fs_.TimeSeparator; ++i; break;
        case '"':
        case '\'': {
          const size_t close = fmt.find(starter, i + 1);
          const size_t end = close == String::npos ? fmt.size() : close;
          out_.append(fmt, i + 1, end - i - 1);
          i = close == String::npos ? fmt.size() : close + 1;
          break;
        }
        default: out_ += starter; ++i; break;
      }
    }
  }

  const String& Result() const { return out_; }

 private:
  // An hour is on the twelve-hour clock when an am/pm marker follows it before the next hour,
  // outside quotes; the scan stops at the first unquoted "a".
  static bool TwelveHourClock(const String& fmt, size_t from) {
    bool quoted = false;
    for (size_t j = from; j < fmt.size(); ++j) {
      const char c = fmt[j];
      if (c == '"' || c == '\'') {
        quoted = !quoted;
      } else if (!quoted && (c == 'a' || c == 'A')) {
        return StartsWithIgnoreCase(fmt, j, "AM/PM") || StartsWithIgnoreCase(fmt, j, "A/P") ||
               StartsWithIgnoreCase(fmt, j, "AMPM");
      } else if (!quoted && (c == 'h' || c == 'H')) {
        return false;
      }
    }
    return false;
  }

  const TParts& p_;
  const TFormatSettings& fs_;
  String out_;
};

}  // namespace

String FormatDateTime(const String& fmt, TDateTime value, const TFormatSettings& fs) {
  TParts p{};
  DecodeDateFully(value, p.Year, p.Month, p.Day, p.DayOfWeek);
  DecodeTime(value, p.Hour, p.Min, p.Sec, p.MSec);
  TDateFormatter formatter(p, fs);
  formatter.Append(fmt.empty() ? String("c") : fmt, 0);
  return formatter.Result();
}

String FormatDateTime(const String& fmt, TDateTime value) {
  return FormatDateTime(fmt, value, FormatSettings());
}

}  // namespace orv
