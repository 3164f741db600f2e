#include "framework/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace fw {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Exponents are clamped here: far beyond any double, still safe to add to.
constexpr long kExponentClamp = 100000000;

// The decimal digits of |x| as the exact binary value, all of them: a double's
// expansion ends within 1074 fractional digits, so fixed with that precision
// is exact and nothing is rounded yet.
constexpr int kExactDecimals = 1074;

// Rounds the decimal digit string "int.frac" (no sign) half away from zero to
// `decimals` fractional digits.
std::string RoundDecimalString(std::string_view exact, int decimals) {
  const size_t point = exact.find('.');
  std::string digits(exact.substr(0, point));  // integer digits, then the kept decimals
  const size_t intLen = digits.size();
  std::string_view frac = point == std::string_view::npos ? std::string_view() : exact.substr(point + 1);
  for (int k = 0; k < decimals; ++k) digits += k < static_cast<int>(frac.size()) ? frac[k] : '0';
  const bool up = static_cast<int>(frac.size()) > decimals && frac[decimals] >= '5';
  size_t newIntLen = intLen;
  if (up) {
    size_t k = digits.size();
    while (k > 0) {
      --k;
      if (digits[k] == '9') {
        digits[k] = '0';
      } else {
        ++digits[k];
        break;
      }
      if (k == 0) {
        digits.insert(digits.begin(), '1');
        ++newIntLen;
      }
    }
  }
  if (decimals == 0) return digits;
  return digits.substr(0, newIntLen) + '.' + digits.substr(newIntLen);
}

}  // namespace

double Val(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  const size_t numberStart = i;

  // The mantissa, noting the decimal exponent of its leading non-zero digit
  // for telling overflow from underflow.
  size_t digitCount = 0;
  bool seenNonZero = false;
  long leadExponent = 0;
  while (i < s.size() && IsDigit(s[i])) {
    if (seenNonZero) {
      ++leadExponent;
    } else if (s[i] != '0') {
      seenNonZero = true;
    }
    ++digitCount;
    ++i;
  }
  if (i < s.size() && s[i] == '.') {
    ++i;
    long position = 0;
    while (i < s.size() && IsDigit(s[i])) {
      --position;
      if (!seenNonZero && s[i] != '0') {
        seenNonZero = true;
        leadExponent = position;
      }
      ++digitCount;
      ++i;
    }
  }
  if (digitCount == 0) return 0.0;
  size_t numberEnd = i;

  long exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    bool expNegative = false;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) expNegative = s[j++] == '-';
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) {
        if (exponent < kExponentClamp) exponent = exponent * 10 + (s[j] - '0');
        ++j;
      }
      if (expNegative) exponent = -exponent;
      numberEnd = j;
    }
  }

  const double sign = negative ? -1.0 : 1.0;
  if (!seenNonZero) return sign * 0.0;

  double value = 0.0;
  const char* first = s.data() + numberStart;
  const char* last = s.data() + numberEnd;
  const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // The two ends of the range lie some 600 decades apart: where the leading
    // digit stands tells which one was passed.
    const bool overflow = leadExponent + exponent >= 0;
    return overflow ? sign * std::numeric_limits<double>::infinity() : sign * 0.0;
  }
  if (ec != std::errc() || ptr != last) return 0.0;
  return negative ? -value : value;
}

std::string Str(int32_t n) {
  char buf[16];
  const auto result = std::to_chars(buf, buf + sizeof buf, n);
  return std::string(buf, result.ptr);
}

std::string Str(double x) {
  if (std::isnan(x)) return "nan";
  if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
  // to_chars with general and a precision is %.*g of the C locale, rounding
  // the exact binary value correctly.
  char buf[32];
  const auto result = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 7);
  return std::string(buf, result.ptr);
}

std::string Format(double x, std::string_view pattern) {
  if (std::isnan(x)) return "nan";
  if (std::isinf(x)) return x < 0 ? "-inf" : "inf";

  // The pattern gives the least number of integer digits (its zeros before the
  // point) and the number of decimals (its zeros after it).
  int minIntDigits = 0;
  int decimals = 0;
  const size_t point = pattern.find('.');
  for (size_t k = 0; k < pattern.size(); ++k) {
    if (pattern[k] != '0') continue;
    if (point != std::string_view::npos && k > point) {
      ++decimals;
    } else {
      ++minIntDigits;
    }
  }

  std::string digits;
  const double magnitude = std::fabs(x);
  if (magnitude < 1e15 && magnitude == std::floor(magnitude)) {
    // A whole number (numbering, say) needs no rounding: its digits, then zeros.
    char whole[24];
    const auto result = std::to_chars(whole, whole + sizeof whole, static_cast<int64_t>(magnitude));
    digits.assign(whole, result.ptr);
    if (decimals > 0) digits += "." + std::string(static_cast<size_t>(decimals), '0');
  } else {
    // Sign, up to 309 integer digits, the point and every exact decimal.
    char exact[1 + 309 + 1 + kExactDecimals + 16];
    const auto result = std::to_chars(exact, exact + sizeof exact, magnitude, std::chars_format::fixed, kExactDecimals);
    digits = RoundDecimalString(std::string_view(exact, result.ptr - exact), decimals);
  }

  // The shortest integer part to_chars writes is "0"; the pattern may ask for more.
  const size_t intLen = decimals == 0 ? digits.size() : digits.find('.');
  if (static_cast<int>(intLen) < minIntDigits) digits.insert(0, minIntDigits - intLen, '0');
  if (minIntDigits == 0 && digits.size() > 1 && digits[0] == '0' && decimals > 0) digits.erase(0, 1);

  const bool allZero = digits.find_first_of("123456789") == std::string::npos;
  if (std::signbit(x) && !allZero) digits.insert(0, 1, '-');
  return digits;
}

std::string Hex(int32_t n) {
  char buf[16];
  const auto result = std::to_chars(buf, buf + sizeof buf, static_cast<uint32_t>(n), 16);
  std::string out(buf, result.ptr);
  for (char& c : out) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

double Round(double x) { return std::round(x); }

int32_t ToInt32(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (x <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(x);  // truncates toward zero
}

double Max(double a, double b) { return std::fmax(a, b); }

double Min(double a, double b) { return std::fmin(a, b); }

}  // namespace fw
