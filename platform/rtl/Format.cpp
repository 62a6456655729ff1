#include "platform/rtl/Format.h"

#include <algorithm>
#include <optional>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

// Widths and precisions past this would only ask for gigabytes of blanks.
constexpr Int64 kMaxWidth = 1 << 20;

class TFormatter {
 public:
  TFormatter(const String& fmt, std::span<const TVarRec> args, const TFormatSettings& fs)
      : fmt_(fmt), args_(args), fs_(fs) {}

  String Run() {
    while (i_ < fmt_.size()) {
      const char c = fmt_[i_++];
      if (c != '%') {
        out_ += c;
        continue;
      }
      if (i_ < fmt_.size() && fmt_[i_] == '%') {
        out_ += '%';
        ++i_;
        continue;
      }
      Spec();
    }
    return out_;
  }

 private:
  [[noreturn]] void Invalid() const {
    throw EConvertError("Format '" + fmt_ + "' invalid or incompatible with argument");
  }
  [[noreturn]] void Missing() const { throw EConvertError("No argument for format '" + fmt_ + "'"); }

  const TVarRec& NextArg() {
    if (argIndex_ >= args_.size()) Missing();
    return args_[argIndex_++];
  }

  // Digits or "*" (taken from the arguments); nothing when neither is there.
  std::optional<Int64> Number() {
    if (i_ < fmt_.size() && fmt_[i_] == '*') {
      ++i_;
      const TVarRec& a = NextArg();
      if (a.Kind != TVarRec::vtInteger) Invalid();
      return a.IntValue;
    }
    if (i_ >= fmt_.size() || fmt_[i_] < '0' || fmt_[i_] > '9') return std::nullopt;
    Int64 v = 0;
    while (i_ < fmt_.size() && fmt_[i_] >= '0' && fmt_[i_] <= '9') {
      v = v * 10 + (fmt_[i_++] - '0');
      if (v > kMaxWidth) Invalid();
    }
    return v;
  }

  void Spec() {
    bool left = false;
    if (i_ < fmt_.size() && fmt_[i_] == '-') {
      left = true;
      ++i_;
    }
    std::optional<Int64> number = Number();
    if (!left && number && i_ < fmt_.size() && fmt_[i_] == ':') {
      if (*number < 0) Invalid();
      argIndex_ = static_cast<size_t>(*number);
      ++i_;
      if (i_ < fmt_.size() && fmt_[i_] == '-') {
        left = true;
        ++i_;
      }
      number = Number();
    }
    Int64 width = number.value_or(0);
    if (width < 0) {
      // A negative width from "*" means left justified.
      left = true;
      width = -width;
    }
    Int64 precision = -1;
    if (i_ < fmt_.size() && fmt_[i_] == '.') {
      ++i_;
      // A missing or negative precision counts as none.
      precision = std::max<Int64>(Number().value_or(-1), -1);
    }
    if (width > kMaxWidth || precision > kMaxWidth || i_ >= fmt_.size()) Invalid();
    const char type = static_cast<char>(fmt_[i_++] | 0x20);
    const TVarRec& arg = NextArg();
    String text = Convert(type, arg, static_cast<int>(precision));
    const Integer length = Length(text);
    if (width > length) {
      const String pad(static_cast<size_t>(width - length), ' ');
      text = left ? text + pad : pad + text;
    }
    out_ += text;
  }

  String Convert(char type, const TVarRec& arg, int precision) {
    const bool isInt = arg.Kind == TVarRec::vtInteger || arg.Kind == TVarRec::vtInt64;
    const bool isFloat = arg.Kind == TVarRec::vtExtended || arg.Kind == TVarRec::vtCurrency;
    switch (type) {
      case 'd':
      case 'u': {
        if (!isInt) Invalid();
        Int64 v = arg.IntValue;
        bool negative = false;
        std::uint64_t magnitude;
        if (type == 'u') {
          magnitude = arg.Kind == TVarRec::vtInteger ? static_cast<std::uint32_t>(v)
                                                     : static_cast<std::uint64_t>(v);
        } else {
          negative = v < 0;
          magnitude = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        }
        String digits = std::to_string(magnitude);
        if (precision > static_cast<int>(digits.size()))
          digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
        return negative ? "-" + digits : digits;
      }
      case 'x': {
        if (!isInt) Invalid();
        const Int64 v = arg.Kind == TVarRec::vtInteger ? static_cast<Int64>(static_cast<std::uint32_t>(arg.IntValue))
                                                       : arg.IntValue;
        String digits = IntToHex(v, 0);
        if (precision > static_cast<int>(digits.size()))
          digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
        return digits;
      }
      case 'e':
        if (!isFloat) Invalid();
        return FloatToStrF(arg.FloatValue, ffExponent, precision < 0 ? 15 : precision, 3, fs_);
      case 'f':
        if (!isFloat) Invalid();
        return FloatToStrF(arg.FloatValue, ffFixed, 18, precision < 0 ? 2 : precision, fs_);
      case 'g':
        if (!isFloat) Invalid();
        return FloatToStrF(arg.FloatValue, ffGeneral, precision < 0 ? 15 : precision, 0, fs_);
      case 'n':
        if (!isFloat) Invalid();
        return FloatToStrF(arg.FloatValue, ffNumber, 18, precision < 0 ? 2 : precision, fs_);
      case 'm':
        if (!isFloat) Invalid();
        return FloatToStrF(arg.FloatValue, ffCurrency, 18,
                           precision < 0 ? fs_.CurrencyDecimals : precision, fs_);
      case 'p':
        if (arg.Kind != TVarRec::vtPointer) Invalid();
        return IntToHex(arg.IntValue, 8);
      case 's':
        if (arg.Kind != TVarRec::vtString && arg.Kind != TVarRec::vtChar) Invalid();
        return precision >= 0 ? Copy(arg.StrValue, 1, precision) : arg.StrValue;
      default:
        Invalid();
    }
  }

  const String& fmt_;
  std::span<const TVarRec> args_;
  const TFormatSettings& fs_;
  size_t i_ = 0;
  size_t argIndex_ = 0;
  String out_;
};

}  // namespace

String Format(const String& fmt, std::span<const TVarRec> args, const TFormatSettings& fs) {
  return TFormatter(fmt, args, fs).Run();
}

String Format(const String& fmt, std::span<const TVarRec> args) {
  return Format(fmt, args, FormatSettings());
}

}  // namespace orv
