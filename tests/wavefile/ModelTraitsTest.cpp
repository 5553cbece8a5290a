// The model table: exact names for the display's flags, prefixes for the header's rules.
#include <gtest/gtest.h>

#include <string>

#include "wavefile/ModelTraits.h"

namespace kivelo {
namespace {

TEST(ModelTraits, LookupByNameOrPrefix) {
    struct Case {
        std::string model;
        bool shared, drops, end, logic8, data8;
    };
    const Case cases[] = {
        {"QV3120", true, false, false, false, false},
        {"QV3140L", true, false, false, false, false},
        {"QV31", true, false, false, false, false},
        {"QV6010", true, true, false, false, false},
        {"QV6", true, true, false, false, false},
        {"QV810", false, false, true, false, false},
        {"QV818", false, false, true, false, false},
        {"QV818E", false, false, true, false, false},
        {"QV826", false, false, true, false, false},
        // Exact names: a longer text is another model.
        {"QV818X", false, false, false, false, false},
        {"QV8260", false, false, false, false, false},
        {"QV81", false, false, false, false, false},
        {"QV4300", false, false, false, true, false},
        {"QV43001", false, false, false, false, false},
        {"QV7010", false, false, false, false, true},
        // Prefixes and names are compared as written.
        {"qv3120", false, false, false, false, false},
        {"qv7010", false, false, false, false, false},
        {"QV3", false, false, false, false, false},
        {"QV708", false, false, false, false, false},
        {"", false, false, false, false, false},
        {std::string("QV818\0E", 7), false, false, false, false, false},
    };
    for (const Case& c : cases) {
        const ModelTraits& t = TraitsOfModel(c.model);
        EXPECT_EQ(t.sharedStamps, c.shared) << c.model;
        EXPECT_EQ(t.dropsUnrecognised, c.drops) << c.model;
        EXPECT_EQ(t.endOfAcquisition, c.end) << c.model;
        EXPECT_EQ(t.byteWideLogic, c.logic8) << c.model;
        EXPECT_EQ(t.byteWideData, c.data8) << c.model;
    }
}

}  // namespace
}  // namespace kivelo
