// The runtime's number functions: the Val grammar, %.7g output, exact
// half-away-from-zero Format. A decimal comma in the C library's locale is the
// converter's locale test; the conversion to Int32 is the header keys' test.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "framework/numbers.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The fixed notation of std::to_chars, rounding the exact value (ties to even).
std::string Fixed(double x, int decimals) {
  char buf[512];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals).ptr);
}

TEST(Numbers, ValReadsOnlyItsGrammar) {
  const struct {
    const char* text;
    double value;
  } rows[] = {
      {" \t+1.5e3xyz", 1500.0}, {".5", 0.5},      {"5.", 5.0},   {"-.", 0.0},         {"e5", 0.0},
      {"1e+", 1.0},             {"25E-1", 2.5},   {"inf", 0.0},  {"-Infinity", 0.0}, {"nan", 0.0},
      {"0x10", 0.0},            {"1e400", kInf},  {"-1e400", -kInf},                  {"1e-400", 0.0},
      {"1e99999999999999999999", kInf},           {"\n5", 0.0},  {"+-5", 0.0},        {"1,5", 1.0},
      {"", 0.0},
  };
  for (const auto& row : rows) EXPECT_EQ(fw::Val(row.text), row.value) << '"' << row.text << '"';
  EXPECT_TRUE(std::signbit(fw::Val("-0")));
  EXPECT_EQ(fw::Val("0.1"), 0.1) << "correctly rounded";
}

TEST(Numbers, StrIsPercentPoint7g) {
  const struct {
    double x;
    const char* text;
  } rows[] = {{1e-5, "1e-05"}, {123456789.0, "1.234568e+08"}, {1234567.0, "1234567"}, {-0.0, "-0"},
              {-std::nan(""), "nan"}, {kInf, "inf"}, {-kInf, "-inf"}};
  for (const auto& row : rows) EXPECT_EQ(fw::Str(row.x), row.text) << row.text;
}

TEST(Numbers, FormatRoundsTheExactValueHalfAwayFromZero) {
  const struct {
    double x;
    const char *pattern, *text;
  } rows[] = {
      {2.25, "0.0", "2.3"},   {-62.5, "0", "-63"},   {0.5, "0", "1"},          {0.35, "0.0", "0.3"},
      {0.45, "0.0", "0.5"},   {-0.04, "0.0", "0.0"}, {-0.4, "0", "0"},         {0.9996, "0.0", "1.0"},
      {2.0, "00", "02"},      {1000.0, "00", "1000"}, {1e20, "0", "100000000000000000000"},
      {std::nan(""), "0.0", "nan"},                  {-kInf, "0", "-inf"},
  };
  for (const auto& row : rows) EXPECT_EQ(fw::Format(row.x, row.pattern), row.text) << row.x << " " << row.pattern;
  EXPECT_EQ(fw::Format(std::numeric_limits<double>::max(), "0.0").size(), 311u);

  // to_chars rounds the exact value too; it differs only on exact ties (to
  // even) and in writing "-0", both left out here.
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> magnitude(-6.0, 12.0);
  for (int k = 0; k < 20000; ++k) {
    const double x = std::pow(10.0, magnitude(random)) * (k % 2 ? -1 : 1);
    for (int decimals : {0, 1}) {
      const double doubled = x * 2 * (decimals ? 10 : 1);  // exact below 2^53
      if (doubled == std::trunc(doubled) && std::fmod(doubled, 2.0) != 0.0) continue;
      std::string expected = Fixed(x, decimals);
      if (expected == "-0" || expected == "-0.0") expected.erase(0, 1);
      ASSERT_EQ(fw::Format(x, decimals ? "0.0" : "0"), expected) << Fixed(x, 17);
    }
  }
}

}  // namespace
