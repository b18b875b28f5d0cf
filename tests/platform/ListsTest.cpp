#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Lists.h"
#include "platform/SysUtils.h"

namespace {

using namespace platform;

struct Item {
  int Key;
  char Name;
};

int32_t CompareKeys(void* a, void* b) {
  return static_cast<Item*>(a)->Key - static_cast<Item*>(b)->Key;
}

std::string Names(TList* list) {
  std::string s;
  for (int32_t i = 0; i < list->Count(); ++i) s += static_cast<Item*>(list->Get(i))->Name;
  return s;
}

// Fills a list from "key name" pairs such as {{1,'a'},{1,'b'}}.
struct ListFixture {
  std::vector<Item> items;
  TList* list = New<TList>();
  explicit ListFixture(std::vector<Item> v) : items(std::move(v)) {
    for (Item& i : items) list->Add(&i);
  }
  ~ListFixture() { list->Free(); }
};

TEST(Lists, SortIsTheUnstableQuicksort) {
  struct Case {
    std::vector<Item> input;
    const char* expected;
  } cases[] = {
      {{{1, 'a'}, {1, 'b'}}, "ba"},                               // two equal items swap
      {{{1, 'a'}, {1, 'b'}, {1, 'c'}}, "cba"},                    // three equal items reverse
      {{{1, 'a'}, {1, 'b'}, {1, 'c'}, {1, 'd'}, {1, 'e'}}, "decab"},
      {{{3, 'c'}, {1, 'a'}, {2, 'b'}}, "abc"},
      {{{1, 'x'}}, "x"},
  };
  for (const Case& c : cases) {
    ListFixture f(c.input);
    f.list->Sort(CompareKeys);
    EXPECT_EQ(Names(f.list), c.expected);
  }
  // Which equal item comes first: {2a,1a,2b,1b} sorts to 1b,1a,2a,2b.
  ListFixture f({{2, 'A'}, {1, 'a'}, {2, 'B'}, {1, 'b'}});
  f.list->Sort(CompareKeys);
  EXPECT_EQ(Names(f.list), "baAB");
}

TEST(Lists, MoveDeletesThenInserts) {
  struct Case {
    int32_t from, to;
    const char* expected;
  } cases[] = {{1, 3, "acdbe"}, {3, 1, "adbce"}, {0, 4, "bcdea"}, {4, 0, "eabcd"}, {2, 2, "abcde"}};
  for (const Case& c : cases) {
    ListFixture f({{0, 'a'}, {0, 'b'}, {0, 'c'}, {0, 'd'}, {0, 'e'}});
    f.list->Move(c.from, c.to);
    EXPECT_EQ(Names(f.list), c.expected) << c.from << "->" << c.to;
  }
}

TEST(Lists, EditingAndIndexErrors) {
  ListFixture f({{0, 'a'}, {0, 'b'}, {0, 'c'}});
  Item extra{0, 'x'};
  f.list->Insert(3, &extra);
  EXPECT_EQ(Names(f.list), "abcx");
  f.list->Exchange(0, 3);
  EXPECT_EQ(Names(f.list), "xbca");
  EXPECT_EQ(f.list->Remove(&extra), 0);
  EXPECT_EQ(f.list->Remove(&extra), -1);
  EXPECT_EQ(f.list->Extract(&f.items[1]), &f.items[1]);
  EXPECT_EQ(f.list->Extract(&f.items[1]), nullptr);
  EXPECT_EQ(Names(f.list), "ca");
  f.list->Delete(0);
  EXPECT_EQ(Names(f.list), "a");
  EXPECT_GE(f.list->Capacity(), 4);

  struct Bad {
    std::function<void()> call;
    const char* message;
  } bad[] = {
      {[&] { f.list->Get(1); }, "List index out of bounds (1)"},
      {[&] { f.list->Delete(-1); }, "List index out of bounds (-1)"},
      {[&] { f.list->Insert(2, nullptr); }, "List index out of bounds (2)"},
      {[&] { f.list->Move(0, 5); }, "List index out of bounds (5)"},
      {[&] { f.list->Exchange(0, 7); }, "List index out of bounds (7)"},
      {[&] { f.list->SetCapacity(0); }, "List capacity out of bounds (0)"},
      {[&] { f.list->SetCount(-2); }, "List count out of bounds (-2)"},
  };
  for (const Bad& b : bad) {
    try {
      b.call();
      ADD_FAILURE() << "no error for " << b.message;
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), b.message);
    }
  }
  f.list->SetCount(3);
  EXPECT_EQ(f.list->Get(2), nullptr);
  f.list->Pack();
  EXPECT_EQ(f.list->Count(), 1);
}

int g_freed = 0;
class TCounted : public TObject {
  PF_ALLOW_NEW;

 protected:
  void Destroy() override { ++g_freed; }
};

TEST(Lists, ObjectListFreesWhatItOwns) {
  g_freed = 0;
  TObjectList* list = New<TObjectList>();
  TObject* a = New<TCounted>();
  TObject* b = New<TCounted>();
  TObject* c = New<TCounted>();
  list->Add(a);
  list->Add(b);
  list->Add(c);
  EXPECT_EQ(list->TList::Extract(b), b);  // extracted: not freed
  list->Delete(0);
  EXPECT_EQ(g_freed, 1);
  list->Free();
  EXPECT_EQ(g_freed, 2);
  b->Free();
}

class TThing : public TInterfacedObject {
  PF_ALLOW_NEW;
};

TEST(Lists, ThreadListAndInterfaceList) {
  TThreadList* tl = New<TThreadList>();
  int x = 0, y = 0;
  tl->Add(&x);
  tl->Add(&x);  // ignored duplicate
  tl->Add(&y);
  EXPECT_EQ(tl->LockList()->Count(), 2);
  tl->UnlockList();
  tl->Duplicates = dupError;
  EXPECT_THROW(tl->Add(&x), EListError);
  tl->Remove(&x);
  EXPECT_EQ(tl->LockList()->Count(), 1);
  tl->UnlockList();
  tl->Free();

  TInterfaceList* il = New<TInterfaceList>();
  RefPtr<IInterface> a(New<TThing>()), b(New<TThing>());
  il->Add(a);
  il->Add(b);
  EXPECT_EQ(il->IndexOf(b), 1);
  il->Exchange(0, 1);
  EXPECT_EQ(il->First(), b);
  EXPECT_EQ(il->Remove(a), 1);
  EXPECT_EQ(il->Count(), 1);
  EXPECT_THROW(il->Get(3), EListError);
  il->Free();
  EXPECT_EQ(dynamic_cast<TInterfacedObject*>(b.Get())->RefCount(), 1);  // the list let go
}

}  // namespace
