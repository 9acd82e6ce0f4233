#include "utf8_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace tallyglass::jsrunner;

namespace {

bool valid(const std::string& bytes) {
    return isValidUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string converted(std::string bytes) {
    auto* data = reinterpret_cast<unsigned char*>(bytes.data());
    bytes.resize(internalToUtf8(data, bytes.size(), data));
    return bytes;
}

TEST(Utf8Text, AcceptsOnlyStrictUtf8) {
    for (const char* text :
         {"", "plain", "\xC3\xA9", "\xE2\x9C\x93", "\xF0\x9F\x9A\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(valid(text)) << text;
    for (const char* text : {"\x80", "\xFF", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                             "\xF4\x90\x80\x80", "\xE2\x82", "a\xC3"})
        EXPECT_FALSE(valid(text)) << text;
}

TEST(Utf8Text, JoinsSurrogatePairsAndReplacesLoneOnes) {
    EXPECT_EQ(converted("\xED\xA0\xBD\xED\xB8\x80!"), "\xF0\x9F\x98\x80!");
    EXPECT_EQ(converted("\xED\xA0\x80x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(converted("\xED\xB0\x80"), "\xEF\xBF\xBD");
    EXPECT_EQ(converted("\xC3\xA9 \xF0\x9F\x9A\x80"), "\xC3\xA9 \xF0\x9F\x9A\x80");
}

} // namespace
