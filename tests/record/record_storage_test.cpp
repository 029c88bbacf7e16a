// COCIRecord as a container: growth, the values between, index guards,
// copies, assignment and equality.
#include <limits.h>

#include <gtest/gtest.h>

#include "AfxException.h"
#include "COCIRecord.h"

namespace {

TEST(RecordStorage, NewRecordIsEmptyWithRecordTypeMinusOne) {
  COCIRecord r;
  EXPECT_EQ(r.GetSize(), 0);
  EXPECT_EQ(r.GetData(), nullptr);
  EXPECT_EQ(r.m_nRecordType, -1);
}

TEST(RecordStorage, StoringPastTheEndGrowsWithEmptyValuesBetween) {
  COCIRecord r;
  r.SetData(3, static_cast<short>(7));
  ASSERT_EQ(r.GetSize(), 4);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(r.GetRecordType(i), VT_EMPTY) << i;
  EXPECT_EQ(r.GetRecordType(3), VT_I2);
  short s = 0;
  EXPECT_TRUE(r.GetData(3, s));
  EXPECT_EQ(s, 7);

  r.SetData(1, 5);  // replaces, size unchanged
  EXPECT_EQ(r.GetSize(), 4);
  EXPECT_EQ(r.GetRecordType(1), VT_I4);
}

TEST(RecordStorage, GrowthFollowsTheArrayRule) {
  // From no storage: exactly n; then steps of size/8 clamped to 4..1024.
  COCIRecord r;
  r.SetData(0, 1);
  EXPECT_EQ(r.GetSize(), 1);
  r.SetData(1, 1);  // capacity 1 -> max(2, 1 + 4) = 5
  r.SetData(4, 1);
  const COleVariant *block = r.GetData();
  r.SetData(4, 2);  // within capacity: same block
  EXPECT_EQ(r.GetData(), block);
  EXPECT_EQ(r.GetSize(), 5);
}

TEST(RecordStorage, OutOfRangeReadsAnswerNothing) {
  COCIRecord r;
  r.SetData(0, 42);
  int value = 9;
  for (int index : {-1, 1, 100, INT_MIN, INT_MAX}) {
    EXPECT_FALSE(r.GetData(index, value)) << index;
    EXPECT_EQ(value, 9);
    EXPECT_EQ(r.GetRecordType(index), VT_EMPTY) << index;
    EXPECT_EQ(r.GetString(index), "") << index;
    COleVariant v(3.5);
    EXPECT_FALSE(r.GetData(index, v));
    EXPECT_EQ(v.vt, VT_R8);
  }
}

TEST(RecordStorage, NegativeIndexStoresNothing) {
  COCIRecord r;
  r.SetData(-1, 3);
  r.SetString(-5, "12", VT_I4);
  EXPECT_EQ(r.GetSize(), 0);
}

TEST(RecordStorage, GrowthThatCannotBeMadeThrowsAndKeepsTheRecord) {
  COCIRecord r;
  r.SetData(1, 11);
  for (int index : {INT_MAX, INT_MAX - 1}) {
    bool thrown = false;
    try {
      r.SetData(index, 5);
    } catch (CMemoryException *e) {
      thrown = true;
      e->Delete();
    }
    EXPECT_TRUE(thrown) << index;
    EXPECT_EQ(r.GetSize(), 2);
    int v = 0;
    EXPECT_TRUE(r.GetData(1, v));
    EXPECT_EQ(v, 11);
  }
}

TEST(RecordStorage, CopiesAreIndependentOfTheirSource) {
  COCIRecord source;
  source.SetData(0, CString("text"));
  source.SetData(1, 2.5);
  source.m_nRecordType = 12;

  COCIRecord copy(source);
  EXPECT_EQ(copy.GetSize(), 2);
  EXPECT_EQ(copy.m_nRecordType, 12);
  EXPECT_TRUE(copy == source);

  COCIRecord assigned;
  assigned.SetData(5, 1);
  assigned = source;
  EXPECT_EQ(assigned.GetSize(), 2);
  EXPECT_EQ(assigned.m_nRecordType, 12);

  copy.SetData(0, CString("changed"));
  assigned.SetData(1, 9.0);
  CString text;
  double d = 0;
  ASSERT_TRUE(source.GetData(0, text));
  ASSERT_TRUE(source.GetData(1, d));
  EXPECT_EQ(text, "text");
  EXPECT_EQ(d, 2.5);
}

TEST(RecordStorage, SelfAssignmentKeepsValues) {
  COCIRecord r;
  r.SetData(0, CString("same"));
  COCIRecord &alias = r;
  r = alias;
  CString text;
  ASSERT_TRUE(r.GetData(0, text));
  EXPECT_EQ(text, "same");
}

TEST(RecordStorage, AssigningAnEmptyRecordFreesStorage) {
  COCIRecord r;
  r.SetData(3, 1);
  r = COCIRecord();
  EXPECT_EQ(r.GetSize(), 0);
  EXPECT_EQ(r.GetData(), nullptr);
}

COCIRecord Ints(std::initializer_list<int> values) {
  COCIRecord r;
  int i = 0;
  for (int v : values) r.SetData(i++, v);
  return r;
}

TEST(RecordStorage, EqualityComparesThisRecordsElements) {
  struct Case {
    const char *what;
    COCIRecord left, right;
    bool equal;
  };
  COCIRecord shortSeven;
  shortSeven.SetData(0, static_cast<short>(7));
  const Case cases[] = {
      {"empty equals anything", COCIRecord(), Ints({1, 2}), true},
      {"same values", Ints({1, 2}), Ints({1, 2}), true},
      {"prefix of a longer record", Ints({1}), Ints({1, 5, 6}), true},
      {"longer than the other", Ints({1, 5}), Ints({1}), false},
      {"different value", Ints({1, 2}), Ints({1, 3}), false},
      {"same number, other kind", shortSeven, Ints({7}), false},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(c.left == c.right, c.equal ? TRUE : FALSE) << c.what;
    EXPECT_EQ(c.left != c.right, c.equal ? FALSE : TRUE) << c.what;
  }
}

}  // namespace
