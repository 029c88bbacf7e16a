// BSTR allocation: lengths, termination, the single-byte mark and refusal
// of lengths a BSTR cannot hold.
#include <string.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "BstrInternal.h"
#include "oleauto.h"

TEST(Bstr, LengthsAndTermination) {
  BSTR s = SysAllocString(u"h\u00E9llo");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 5u);
  EXPECT_EQ(SysStringByteLen(s), 10u);
  EXPECT_EQ(s[5], 0);
  SysFreeString(s);

  // Counted: the text may hold NUL code units.
  const OLECHAR withNul[] = {'a', 0, 'b'};
  s = SysAllocStringLen(withNul, 3);
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(s[2], u'b');
  EXPECT_EQ(s[3], 0);
  SysFreeString(s);

  // Null input: zero-filled contents of the length asked for.
  s = SysAllocStringLen(nullptr, 4);
  ASSERT_NE(s, nullptr);
  for (int i = 0; i <= 4; ++i) EXPECT_EQ(s[i], 0);
  SysFreeString(s);
}

TEST(Bstr, OddByteLengthIsTerminatedByAWholeNulUnit) {
  BSTR s = SysAllocStringByteLen("abc", 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringByteLen(s), 3u);
  EXPECT_EQ(SysStringLen(s), 1u);
  const char *bytes = reinterpret_cast<const char *>(s);
  EXPECT_EQ(memcmp(bytes, "abc\0\0", 5), 0);
  SysFreeString(s);
}

TEST(Bstr, NullBstrIsEmpty) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  EXPECT_FALSE(AfxIsAnsiBstr(nullptr));
  SysFreeString(nullptr);
}

TEST(Bstr, LengthsBeyondThe32BitPrefixGiveNull) {
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
  EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
  EXPECT_EQ(AfxAllocAnsiBstr(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(Bstr, OnlyAfxAllocAnsiBstrMarks) {
  BSTR ansi = AfxAllocAnsiBstr("caf\xC3\xA9", 5);
  BSTR bytes = SysAllocStringByteLen("caf\xC3\xA9", 5);
  BSTR wide = SysAllocString(u"caf\u00E9");
  EXPECT_TRUE(AfxIsAnsiBstr(ansi));
  EXPECT_FALSE(AfxIsAnsiBstr(bytes));
  EXPECT_FALSE(AfxIsAnsiBstr(wide));
  EXPECT_EQ(SysStringByteLen(ansi), 5u);

  // Read as text, the marked bytes widen; the unmarked ones do not.
  EXPECT_EQ(kestrel::BstrText(ansi), u"caf\u00E9");
  EXPECT_EQ(kestrel::BstrText(wide), u"caf\u00E9");

  BSTR copy = nullptr;
  ASSERT_EQ(kestrel::BstrDuplicate(ansi, &copy), S_OK);
  EXPECT_TRUE(AfxIsAnsiBstr(copy));
  EXPECT_EQ(SysStringByteLen(copy), 5u);
  EXPECT_EQ(memcmp(copy, ansi, 5), 0);
  SysFreeString(copy);
  ASSERT_EQ(kestrel::BstrDuplicate(wide, &copy), S_OK);
  EXPECT_FALSE(AfxIsAnsiBstr(copy));
  SysFreeString(copy);

  SysFreeString(ansi);
  SysFreeString(bytes);
  SysFreeString(wide);
}

// A freed small block is reused by the thread's next string that fits:
// each string still gets its own header, mark, length and terminator,
// whatever the block held before, and a string freed on another thread
// or too large to keep is released normally.
TEST(Bstr, ReusedBlocksHoldOnlyTheNewString) {
  BSTR first = AfxAllocAnsiBstr("customer-0000001", 16);
  SysFreeString(first);
  BSTR plain = SysAllocStringByteLen("ab", 2);  // fits the freed block
  ASSERT_NE(plain, nullptr);
  EXPECT_FALSE(AfxIsAnsiBstr(plain));
  EXPECT_EQ(SysStringByteLen(plain), 2u);
  EXPECT_EQ(memcmp(plain, "ab\0\0", 4), 0);
  SysFreeString(plain);
  BSTR zeroed = SysAllocStringLen(nullptr, 3);
  ASSERT_NE(zeroed, nullptr);
  for (int i = 0; i <= 3; ++i) EXPECT_EQ(zeroed[i], 0);
  BSTR ansi = AfxAllocAnsiBstr("xyz", 3);  // while the other is held
  EXPECT_TRUE(AfxIsAnsiBstr(ansi));
  EXPECT_NE(ansi, zeroed);
  SysFreeString(zeroed);
  SysFreeString(ansi);

  std::string big(4000, 'q');
  BSTR large = AfxAllocAnsiBstr(big.data(), static_cast<UINT>(big.size()));
  SysFreeString(large);
  BSTR longer = AfxAllocAnsiBstr(big.data(), static_cast<UINT>(big.size()));
  EXPECT_EQ(SysStringByteLen(longer), 4000u);
  EXPECT_EQ(memcmp(longer, big.data(), big.size()), 0);

  BSTR elsewhere = nullptr;
  std::thread([&] { elsewhere = AfxAllocAnsiBstr("thread", 6); }).join();
  ASSERT_NE(elsewhere, nullptr);
  EXPECT_EQ(memcmp(elsewhere, "thread", 6), 0);
  std::thread([&] { SysFreeString(longer); }).join();
  SysFreeString(elsewhere);
}
