#include "app/Printable.h"

#include <gtest/gtest.h>

TEST(Printable, escapesControlsAndBrokenUtf8AndKeepsText) {
    EXPECT_EQ(printable("Kilauea\t1:24k\n"), "Kilauea\t1:24k\n");
    EXPECT_EQ(printable("\x1b[2J\r\x7f"), "\\x1B[2J\\x0D\\x7F");
    EXPECT_EQ(printable(std::string("a\0b", 3)), "a\\x00b");
    EXPECT_EQ(printable("Z\xC3\xBCrich \xE2\x82\xAC"), "Z\xC3\xBCrich \xE2\x82\xAC");
    // C1 controls, overlong forms, surrogates, a lone lead byte and a sequence cut short stay
    // escaped.
    EXPECT_EQ(printable("\xC2\x9B"
                        "1m"),
              "\\xC2\\x9B1m");
    EXPECT_EQ(printable("\xC0\xAF"), "\\xC0\\xAF");
    EXPECT_EQ(printable("\xED\xA0\x80"), "\\xED\\xA0\\x80"); // a surrogate
    EXPECT_EQ(printable("\xE2\x82"), "\\xE2\\x82");
    EXPECT_EQ(printable("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(printable("\xE0\xA0\x80\xF4\x8F\xBF\xBD"),
              "\xE0\xA0\x80\xF4\x8F\xBF\xBD"); // U+0800, U+10FFFD
}
