// CString: the framework's clamping rules, counted text, printf formatting
// and conversion from and to UTF-16.
#include "CString.h"

#include <string.h>

#include <gtest/gtest.h>

#include "oleauto.h"

TEST(CString, FormatFollowsPrintf) {
  CString s;
  s.Format("%d|%5.2f|%s|%x", -42, 3.14159, "txt", 255u);
  EXPECT_STREQ(s, "-42| 3.14|txt|ff");
  s.AppendFormat("+%c%03d", 'z', 7);
  EXPECT_STREQ(s, "-42| 3.14|txt|ff+z007");
  // Long output is not cut.
  s.Format("%s%s", std::string(5000, 'a').c_str(), "end");
  EXPECT_EQ(s.GetLength(), 5003);
  EXPECT_EQ(s.Right(3), "end");
}

TEST(CString, Find) {
  const CString s("abcabc");
  EXPECT_EQ(s.Find('c'), 2);
  EXPECT_EQ(s.Find('c', 3), 5);
  EXPECT_EQ(s.Find('z'), -1);
  EXPECT_EQ(s.Find("bc", 2), 4);
  EXPECT_EQ(s.Find("abc", 1), 3);
  EXPECT_EQ(s.Find('a', 6), -1);    // start beyond the text
  EXPECT_EQ(s.Find("a", 7), -1);
  EXPECT_EQ(s.Find('a', -1), -1);
  EXPECT_EQ(s.ReverseFind('b'), 4);
}

TEST(CString, ReplaceEveryOccurrenceLeftToRight) {
  struct Case {
    const char *text, *from, *to, *result;
    int count;
  } cases[] = {
      {"a.b.c", ".", "::", "a::b::c", 2},
      {"aaaa", "aa", "b", "bb", 2},        // non-overlapping
      {"aaa", "aa", "x", "xa", 1},
      {"abc", "", "x", "abc", 0},          // empty old string: nothing
      {"abc", "z", "x", "abc", 0},
      {"a'b", "'", "''", "a''b", 1},       // growing replacement
      {"xyx", "x", nullptr, "y", 2},       // null new string removes
  };
  for (const Case &c : cases) {
    CString s(c.text);
    EXPECT_EQ(s.Replace(c.from, c.to), c.count) << c.text;
    EXPECT_EQ(s, c.result) << c.text;
  }
  CString s("a-b-c");
  EXPECT_EQ(s.Replace('-', '+'), 2);
  EXPECT_EQ(s, "a+b+c");
}

TEST(CString, DeleteClampsItsCounts) {
  struct Case {
    int index, count;
    const char *result;
  } cases[] = {
      {1, 2, "adef"}, {4, 100, "abcd"}, {-3, 2, "cdef"},
      {2, -1, "abcdef"}, {6, 1, "abcdef"}, {9, 1, "abcdef"},
      {0, 0x7FFFFFFF, ""},
  };
  for (const Case &c : cases) {
    CString s("abcdef");
    const int length = s.Delete(c.index, c.count);
    EXPECT_EQ(length, s.GetLength());
    EXPECT_EQ(s, c.result) << c.index << "," << c.count;
  }
}

TEST(CString, MidLeftRightClamp) {
  const CString s("abcdef");
  EXPECT_EQ(s.Mid(2), "cdef");
  EXPECT_EQ(s.Mid(2, 3), "cde");
  EXPECT_EQ(s.Mid(4, 100), "ef");
  EXPECT_EQ(s.Mid(-2, 3), "abc");
  EXPECT_EQ(s.Mid(10), "");
  EXPECT_EQ(s.Mid(10, 2), "");
  EXPECT_EQ(s.Mid(1, -1), "");
  EXPECT_EQ(s.Mid(3, 0x7FFFFFFF), "def");
  EXPECT_EQ(s.Left(2), "ab");
  EXPECT_EQ(s.Left(-1), "");
  EXPECT_EQ(s.Left(99), "abcdef");
  EXPECT_EQ(s.Right(2), "ef");
  EXPECT_EQ(s.Right(99), "abcdef");
}

TEST(CString, OutOfRangeCharacterAccessIsHarmless) {
  CString s("ab");
  s.SetAt(1, 'z');
  s.SetAt(2, 'q');
  s.SetAt(-1, 'q');
  EXPECT_EQ(s, "az");
  EXPECT_EQ(s.GetAt(0), 'a');
  EXPECT_EQ(s.GetAt(2), '\0');
  EXPECT_EQ(s[-5], '\0');
}

TEST(CString, CountedTextKeepsNuls) {
  CString s("a\0b", 3);
  EXPECT_EQ(s.GetLength(), 3);
  EXPECT_EQ(s.Find('b'), 2);
  EXPECT_NE(s, CString("a"));
  EXPECT_TRUE(CString("a") < s);
  s += CString("\0c", 2);
  EXPECT_EQ(s.GetLength(), 5);
}

TEST(CString, ComparisonAndConcatenation) {
  CString a("abc");
  EXPECT_TRUE(a == "abc");
  EXPECT_TRUE("abc" == a);
  EXPECT_TRUE(a != "abd");
  EXPECT_LT(a.Compare("abd"), 0);
  EXPECT_EQ(a.CompareNoCase("ABC"), 0);
  EXPECT_GT(a.CompareNoCase("AB"), 0);
  EXPECT_TRUE(CString() == static_cast<const char *>(nullptr));
  EXPECT_TRUE(CString("\xC3\xA9") > CString("z"));  // bytes compare unsigned
  EXPECT_EQ(a + "d" + 'e' + CString("f"), "abcdef");
  EXPECT_EQ('x' + a, "xabc");
  CString self("ab");
  self += self;
  EXPECT_EQ(self, "abab");
}

TEST(CString, SelfAssignmentIsANoOp) {
  CString s("keep");
  const CString &alias = s;
  s = alias;
  EXPECT_EQ(s, "keep");
  s = s.GetString() + 1;  // assigning from its own buffer
  EXPECT_EQ(s, "eep");
  CString &&moved = std::move(s);
  s = std::move(moved);
  EXPECT_EQ(s, "eep");
}

TEST(CString, BufferAccess) {
  CString s("ab");
  char *p = s.GetBuffer(10);
  strcpy(p, "hello");
  s.ReleaseBuffer();
  EXPECT_EQ(s, "hello");
  p = s.GetBuffer(0);
  p[1] = 'a';
  s.ReleaseBuffer(3);
  EXPECT_EQ(s, "hal");
  s.ReleaseBuffer(99);  // never longer than the buffer
  EXPECT_EQ(s, "hal");
  p = s.GetBufferSetLength(2);
  EXPECT_EQ(s.GetLength(), 2);
}

TEST(CString, WideTextNarrowsToUtf8) {
  EXPECT_EQ(CString(u"caf\u00E9 \u20AC"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(CString(static_cast<const OLECHAR *>(nullptr)), "");
  const OLECHAR lone[] = {'a', 0xD800, 0};
  EXPECT_EQ(CString(lone), "a?");
  CString s("old");
  s = static_cast<const OLECHAR *>(nullptr);
  EXPECT_TRUE(s.IsEmpty());
  BSTR b = SysAllocString(u"\U0001F600");
  s = b;
  EXPECT_EQ(s, "\xF0\x9F\x98\x80");
  SysFreeString(b);
}

TEST(CString, AllocSysStringWidens) {
  const CString s("caf\xC3\xA9\xFF");
  BSTR b = s.AllocSysString();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"caf\u00E9\uFFFD");
  EXPECT_FALSE(AfxIsAnsiBstr(b));
  SysFreeString(b);
  b = CString().AllocSysString();
  ASSERT_NE(b, nullptr);  // empty, not null
  EXPECT_EQ(SysStringLen(b), 0u);
  SysFreeString(b);
}

TEST(CString, EditingHelpers) {
  CString s("  Mixed Case \t");
  s.Trim();
  EXPECT_EQ(s, "Mixed Case");
  EXPECT_EQ(s.MakeUpper(), "MIXED CASE");
  EXPECT_EQ(s.MakeLower(), "mixed case");
  EXPECT_EQ(s.Insert(5, "!"), 11);
  EXPECT_EQ(s.Insert(99, '.'), 12);
  EXPECT_EQ(s, "mixed! case.");
  EXPECT_EQ(s.Remove('e'), 2);
  EXPECT_EQ(s, "mixd! cas.");
}
