// The CSV writer's table of texts by sample against the formatter that ReadText
// uses: every slot of 1- and 2-byte traces of several scalings and kinds, and the
// table's number formatting on the values where rounding changes the form.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "export/CsvTextTable.h"
#include "wavefile/CValueFormatter.h"
#include "wavefile/NumberText.h"

namespace kivelo {
namespace {

TEST(CsvTextTable, EverySlotAsReadTextFormatsIt) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double res, off;
        bool isUnsigned;
        int width;
    } cases[] = {
        {3.0517578e-4, 0.0, false, 2}, {1.0, 0.0, true, 2},       {1e-7, -3.2767e-3, false, 2},
        {0.001, -0.5, false, 2},       {12345.678, 1e9, true, 2}, {2.5e-12, 1e-10, false, 2},
        {-1.5e-3, 7.0, false, 2},      {0.0, -0.0, false, 2},     {1e305, 0.0, false, 2},
        {0.1, 0.0, false, 1},          {1e5, -1e-3, true, 1},     {inf, 0.0, false, 1},
    };
    for (const auto& c : cases) {
        CsvTextTable table(c.res, c.off, c.isUnsigned, c.width);
        CValueFormatter formatter;
        formatter.Set(c.res, c.off, c.isUnsigned);
        const int slots = 1 << (8 * c.width);
        int wrong = 0;
        for (int i = 0; i < slots; ++i) {
            const auto index = static_cast<uint16_t>(i);
            ValueText want;
            if (c.width == 1) formatter.Text1(static_cast<int8_t>(i), want);
            else formatter.Text2(static_cast<int16_t>(index), want);
            char spare[CsvTextTable::kSlot];
            std::size_t length = 0;
            const char* text = table.Make(index, spare, length);
            ASSERT_EQ(text, table.Slots() + std::size_t{index} * CsvTextTable::kSlot);
            ASSERT_EQ(CsvTextTable::Length(table.Lengths(), index), length);
            const std::string got(text, length);
            if (got != std::string(want.data()) + "," && ++wrong <= 3)
                ADD_FAILURE() << "res " << c.res << " off " << c.off << " slot " << i << ": " << got << " want "
                              << want.data();
        }
        EXPECT_EQ(wrong, 0) << "res " << c.res << " off " << c.off << " width " << c.width;
    }
}

TEST(CsvTextTable, FormatRoundsAsValueTextOf) {
    std::vector<double> values = {0.0,       -0.0,          9.9999995e5, 9999999.5, 0.099999995,   0.09999994,
                                  999999.95, 1e-1,          1e7,         9.9999996, -9.9999996e-2, 1e-300,
                                  5e-324,    1.7976931e308, 0.05,        123456.75, 2.5e-7,        1234567.0};
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-17, 17);
    for (int i = 0; i < 200000; ++i) values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    for (double v : values) {
        char text[CsvTextTable::kSlot];
        const std::size_t n = CsvTextTable::Format(v, text);
        ASSERT_EQ(std::string(text, n), ValueTextOf(v)) << v;
    }
}

}  // namespace
}  // namespace kivelo
