// The measuring output's JSON, written line by line without building JSON values: every
// number and text exactly as the JSON writer writes it.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>

#include "json_writer.h"

namespace {

using vodex::cli::Json;

TEST(JsonOutput, NumbersAndTextsAsTheJsonWriterWritesThem) {
    std::vector<double> numbers = {
        0.0,  -0.0,    1.0,    25.0, 0.084,   1e-5,     1.5e-4,  1e-4,    123456789012345.0,
        1e15, 1e20,    -3.071, 0.1,  1.0 / 3, 2.5e-300, DBL_MAX, DBL_MIN, 1e300,
        NAN,  INFINITY};
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> reading(-1e6, 1e6);
    for (int i = 0; i < 3000; ++i) {
        numbers.push_back(reading(rng));
        double any = 0;
        const std::uint64_t bits = rng();
        std::memcpy(&any, &bits, sizeof any);
        numbers.push_back(any);
    }
    for (double v : numbers) {
        std::string ours;
        vodex::cli::AppendJsonNumber(ours, v);
        ASSERT_EQ(ours, vodex::cli::JsonText(Json(v))) << v;
    }
    for (const std::string text :
         {"Gleichspannung", "°C", "a\"b\\c\n\r\t\b\f\x01\x1f", "\xff\xfe mS/cm", "", "\x7f/"}) {
        std::string ours;
        vodex::cli::AppendJsonString(ours, text);
        EXPECT_EQ(ours, vodex::cli::JsonText(Json(text))) << text;
    }
}

}  // namespace
