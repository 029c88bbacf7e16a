// UTF-8 <-> UTF-16 conversion: exact round trips for valid text, U+FFFD
// and "?" for what cannot be converted.
#include "TextCodec.h"

#include <gtest/gtest.h>

using kestrel::NarrowUtf16;
using kestrel::WidenUtf8;

TEST(TextCodec, ValidTextRoundTripsExactly) {
  const std::string samples[] = {
      "",
      "plain ASCII",
      "caf\xC3\xA9",                  // é, two bytes
      "\xE2\x82\xAC 5",               // €, three bytes
      "\xF0\x9F\x98\x80",             // U+1F600, a surrogate pair
      std::string("nul\0inside", 10),  // counted text keeps NULs
      "\xEF\xBF\xBF\xF4\x8F\xBF\xBF",  // U+FFFF and U+10FFFF
  };
  for (const std::string &s : samples) {
    EXPECT_EQ(NarrowUtf16(WidenUtf8(s)), s);
  }
  EXPECT_EQ(WidenUtf8("caf\xC3\xA9"), u"caf\u00E9");
  EXPECT_EQ(WidenUtf8("\xF0\x9F\x98\x80"), std::u16string(u"\xD83D\xDE00"));
}

TEST(TextCodec, EachInvalidByteWidensToReplacement) {
  struct Case {
    std::string in;
    std::u16string out;
  } cases[] = {
      {"a\xFF" "b", u"a\uFFFD" "b"},
      {"\x80", u"\uFFFD"},                               // lone continuation
      {"\xC3", u"\uFFFD"},                               // cut at the end
      {"\xE2\x82" "A", u"\uFFFD\uFFFD" "A"},             // cut in the middle
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong '/'
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
  };
  for (const Case &c : cases) EXPECT_EQ(WidenUtf8(c.in), c.out) << c.in;
}

TEST(TextCodec, UnpairedSurrogatesNarrowToQuestionMark) {
  const char16_t lowFirst[] = {0xDC00, 0xD800, 'x'};
  EXPECT_EQ(NarrowUtf16(lowFirst, 3), "??x");
  const char16_t highAtEnd[] = {'a', 0xD83D};
  EXPECT_EQ(NarrowUtf16(highAtEnd, 2), "a?");
  const char16_t highThenText[] = {0xD83D, 'b'};
  EXPECT_EQ(NarrowUtf16(highThenText, 2), "?b");
}

TEST(TextCodec, NullInputGivesEmptyText) {
  EXPECT_EQ(WidenUtf8(nullptr, 5), u"");
  EXPECT_EQ(NarrowUtf16(nullptr, 5), "");
}
