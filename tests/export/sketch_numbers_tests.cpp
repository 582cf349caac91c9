#include "export/SketchNumbers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace wtb {
namespace {

// Every table of the sketch holds its numbers this way, so one stray space or trailing comma
// would change every exported file.
TEST(SketchNumbers, ListsJoinByCommaAlone) {
    struct Case {
        std::vector<std::int32_t> values;
        const char* text;
    };
    for (const Case& c : {Case{{}, ""}, Case{{0}, "0"}, Case{{-128, 127}, "-128,127"},
                          Case{{1, 22, 333, 4444}, "1,22,333,4444"},
                          Case{{INT32_MIN, INT32_MAX}, "-2147483648,2147483647"}}) {
        std::string text = "{";
        appendNumberList(text, c.values);
        EXPECT_EQ(text, std::string("{") + c.text);
    }
}

TEST(SketchNumbers, NumbersAppendInDecimalAfterWhatIsThere) {
    std::string text = "[";
    appendNumber(text, INT64_MIN);
    appendNumber(text, 0);
    appendNumber(text, 65535);
    EXPECT_EQ(text, "[-9223372036854775808065535");
}

} // namespace
} // namespace wtb
