// CArray: the exact storage and growth rule (capacity sequence, grow-by
// step, the size/8 step clamped to 4..1024), bitwise moves on growth,
// construction and destruction of elements, failures that leave the array
// unchanged, and values that alias the array's own elements.
#include <limits.h>

#include <vector>

#include <gtest/gtest.h>

#include "CArray.h"
#include "CByteArray.h"
#include "COleVariant.h"

namespace {

// Exposes the protected storage fields.
template <class TYPE, class ARG_TYPE = const TYPE &>
class Probe : public CArray<TYPE, ARG_TYPE> {
 public:
  int Capacity() const { return this->m_nMaxSize; }
  int GrowBy() const { return this->m_nGrowBy; }
};

// Counts constructions, copies and destructions; can fail on demand.
struct Counted {
  static int live, built, copies, failAfter;
  int value = 0;
  Counted() {
    if (failAfter >= 0 && built >= failAfter) throw 42;
    ++built;
    ++live;
  }
  Counted(const Counted &o) : value(o.value) {
    ++copies;
    ++live;
  }
  Counted &operator=(const Counted &o) = default;
  ~Counted() { --live; }
  static void Reset() { live = built = copies = 0, failAfter = -1; }
};
int Counted::live, Counted::built, Counted::copies, Counted::failAfter = -1;

struct Huge {
  char bytes[1ull << 34];
};

// Runs f and tells whether it threw the framework's memory exception.
template <typename F>
bool ThrowsMemory(F f) {
  try {
    f();
  } catch (CMemoryException *e) {
    e->Delete();
    return true;
  }
  return false;
}

}  // namespace

TEST(ArrayGrowth, AddingOneAtATimeFollowsTheRule) {
  Probe<int> a;
  std::vector<int> capacities;
  for (int i = 0; i < 80; ++i) {
    a.Add(i);
    if (capacities.empty() || capacities.back() != a.Capacity())
      capacities.push_back(a.Capacity());
  }
  // 1 (exact first storage), then +4 while size/8 < 4, then +size/8.
  const std::vector<int> expected = {1,  5,  9,  13, 17, 21, 25,
                                     29, 33, 37, 41, 46, 51, 57,
                                     64, 72, 81};
  EXPECT_EQ(capacities, expected);
  for (int i = 0; i < 80; ++i) EXPECT_EQ(a[i], i);
}

TEST(ArrayGrowth, StepsAndCapacities) {
  Probe<BYTE, BYTE> a;
  a.SetSize(10);
  EXPECT_EQ(a.Capacity(), 10);  // no storage yet: exactly n
  a.SetSize(11);
  EXPECT_EQ(a.Capacity(), 14);  // 10/8 = 1, raised to 4
  a.SetSize(200);
  EXPECT_EQ(a.Capacity(), 200);  // n beats capacity + step
  a.SetSize(100);
  EXPECT_EQ(a.Capacity(), 200);  // shrinking keeps the storage
  a.SetSize(201);
  EXPECT_EQ(a.Capacity(), 212);  // step from the current size: 100/8 = 12

  Probe<BYTE, BYTE> big;
  big.SetSize(10000);
  big.SetSize(10001);
  EXPECT_EQ(big.Capacity(), 11024);  // 10000/8 lowered to 1024

  Probe<BYTE, BYTE> stepped;
  stepped.SetSize(0, 10);
  EXPECT_EQ(stepped.GrowBy(), 10);
  EXPECT_EQ(stepped.Capacity(), 0);
  stepped.SetSize(1);
  EXPECT_EQ(stepped.Capacity(), 1);
  stepped.SetSize(2);
  EXPECT_EQ(stepped.Capacity(), 11);
  stepped.SetSize(12, -1);  // -1 keeps the step
  EXPECT_EQ(stepped.Capacity(), 21);
  stepped.SetSize(22, 1);
  EXPECT_EQ(stepped.Capacity(), 22);

  stepped.SetSize(0);
  EXPECT_EQ(stepped.Capacity(), 0);
  EXPECT_EQ(stepped.GetData(), nullptr);
  EXPECT_EQ(stepped.GetSize(), 0);
  EXPECT_TRUE(stepped.IsEmpty());
}

TEST(ArrayGrowth, GrowthMovesBitwiseAndConstructsOnlyNewElements) {
  Counted::Reset();
  {
    Probe<Counted> a;
    a.SetSize(3);
    a[0].value = 10;
    a[2].value = 12;
    EXPECT_EQ(Counted::built, 3);
    a.SetSize(4);  // beyond capacity: moved, one new element
    EXPECT_EQ(Counted::built, 4);
    EXPECT_EQ(Counted::copies, 0);
    EXPECT_EQ(Counted::live, 4);
    EXPECT_EQ(a[0].value, 10);
    EXPECT_EQ(a[2].value, 12);
    EXPECT_EQ(a[3].value, 0);

    a.SetSize(2);  // within capacity: destroys the tail
    EXPECT_EQ(Counted::live, 2);
    a.SetSize(6);  // within capacity (7): constructs again
    EXPECT_EQ(Counted::live, 6);
    EXPECT_EQ(a[2].value, 0);
    a.RemoveAll();
    EXPECT_EQ(Counted::live, 0);
    a.SetSize(5);
  }
  EXPECT_EQ(Counted::live, 0);  // the destructor destroys every element
}

TEST(ArrayGrowth, NewElementsAreEmptyOrZero) {
  CArray<COleVariant, COleVariant &> vars;
  vars.SetSize(3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(vars[i].vt, VT_EMPTY);

  CByteArray bytes;
  bytes.SetSize(8);
  for (int i = 0; i < 8; ++i) bytes[i] = 0xEE;
  bytes.SetSize(2);
  bytes.SetSize(8);  // regrown within the capacity
  for (int i = 2; i < 8; ++i) EXPECT_EQ(bytes[i], 0);
}

TEST(ArrayGrowth, FailuresThrowAndLeaveTheArrayAsItWas) {
  Probe<int> a;
  a.SetSize(3, 7);
  a[1] = 5;
  const int *data = a.GetData();
  for (INT_PTR n : {INT_PTR{-1}, static_cast<INT_PTR>(INT_MAX) + 1}) {
    SCOPED_TRACE(n);
    EXPECT_TRUE(ThrowsMemory([&] { a.SetSize(n, 0); }));
    EXPECT_EQ(a.GetSize(), 3);
    EXPECT_EQ(a.Capacity(), 3);
    EXPECT_EQ(a.GrowBy(), 7);
    EXPECT_EQ(a.GetData(), data);
    EXPECT_EQ(a[1], 5);
  }
  EXPECT_TRUE(ThrowsMemory([&] { a.SetAtGrow(-1, 1); }));
  EXPECT_TRUE(ThrowsMemory([&] { a.RemoveAt(2, 2); }));
  EXPECT_EQ(a.GetSize(), 3);

  // Storage whose byte size cannot be represented is refused before any
  // allocation.
  CArray<Huge> huge;
  EXPECT_TRUE(ThrowsMemory([&] { huge.SetSize((INT_PTR{1} << 30) + 1); }));
  EXPECT_EQ(huge.GetSize(), 0);

  // An element constructor that throws part-way: nothing is kept.
  Counted::Reset();
  {
    Probe<Counted> c;
    c.SetSize(2);
    c[0].value = 1;
    Counted::failAfter = 4;
    EXPECT_THROW(c.SetSize(5), int);  // growth: old storage kept
    EXPECT_EQ(c.GetSize(), 2);
    EXPECT_EQ(c.Capacity(), 2);
    EXPECT_EQ(c[0].value, 1);
    EXPECT_EQ(Counted::live, 2);
    Counted::failAfter = -1;
  }
  EXPECT_EQ(Counted::live, 0);
}

TEST(ArrayGrowth, SetAtGrowAndAddAcceptTheirOwnElements) {
  CArray<COleVariant, const COleVariant &> a;
  a.SetAtGrow(3, COleVariant("fourth"));
  ASSERT_EQ(a.GetSize(), 4);
  EXPECT_EQ(a[1].vt, VT_EMPTY);
  a[0] = COleVariant("first");
  // Each Add past the capacity moves the storage the value lives in.
  for (int i = 0; i < 40; ++i) a.Add(a[0]);
  EXPECT_EQ(a.GetSize(), 44);
  for (int i = 4; i < 44; ++i) EXPECT_TRUE(a[i] == COleVariant("first"));

  CArray<COleVariant, COleVariant &> b;  // the record's argument type
  b.SetSize(1);
  b[0] = COleVariant(9);
  for (int i = 0; i < 20; ++i) b.SetAtGrow(b.GetSize(), b[0]);
  for (int i = 0; i < b.GetSize(); ++i) EXPECT_EQ(b[i].lVal, 9);
}

TEST(ArrayGrowth, CopyAppendInsertRemove) {
  CArray<COleVariant> a;
  a.Add(COleVariant("x"));
  a.Add(COleVariant(2));
  CArray<COleVariant> b;
  b.Copy(a);
  ASSERT_EQ(b.GetSize(), 2);
  EXPECT_NE(b[0].bstrVal, a[0].bstrVal);  // deep
  EXPECT_TRUE(b[0] == a[0]);
  b.Copy(b);  // no-op
  EXPECT_EQ(b.GetSize(), 2);

  EXPECT_EQ(b.Append(b), 2);  // appending itself
  ASSERT_EQ(b.GetSize(), 4);
  EXPECT_TRUE(b[3] == COleVariant(2));

  b.InsertAt(1, COleVariant(7), 2);
  ASSERT_EQ(b.GetSize(), 6);
  EXPECT_TRUE(b[0] == COleVariant("x"));
  EXPECT_TRUE(b[1] == COleVariant(7));
  EXPECT_TRUE(b[2] == COleVariant(7));
  EXPECT_TRUE(b[3] == COleVariant(2));
  b.InsertAt(8, b[0]);  // past the end: grows, the gap is empty
  ASSERT_EQ(b.GetSize(), 9);
  EXPECT_EQ(b[6].vt, VT_EMPTY);
  EXPECT_TRUE(b[8] == COleVariant("x"));

  b.RemoveAt(1, 2);
  ASSERT_EQ(b.GetSize(), 7);
  EXPECT_TRUE(b[1] == COleVariant(2));
  EXPECT_EQ(b.GetUpperBound(), 6);
  b.FreeExtra();
  EXPECT_EQ(b.GetCount(), 7);
  EXPECT_TRUE(b.ElementAt(6) == COleVariant("x"));
}
