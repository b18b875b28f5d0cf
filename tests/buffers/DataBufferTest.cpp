// Copy-on-write views: access, ownership, Resize, Assign, IsEqual, CopyTo, the sequence stamp
// and raw files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "buffers/RBSimpleDataBufferBlock.h"
#include "buffers/RBSimpleDataBufferInteger.h"
#include "tests/buffers/BuffersTestSupport.h"

namespace {

using namespace buffers;
using bufferstest::BuffersTest;

using DataBuffer = BuffersTest;

// A new view of the same class sharing b's container.
template <class T>
RefPtr<T> CopyOf(T* b) {
  RefPtr<IRBData> copy = b->MakeCopy();
  return RefPtr<T>(dynamic_cast<T*>(copy->GetInstance()));
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed = 1) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(seed + 7 * i);
  return bytes;
}

RefPtr<TRBBlockBuffer> Bytes(const std::vector<uint8_t>& bytes) {
  return TRBBlockBuffer::CreateData(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

std::vector<uint8_t> Contents(IRBDataBuffer* b) {
  const uint8_t* p = b->ByteRead();
  return std::vector<uint8_t>(p, p + b->GetByteSize());
}

std::vector<int32_t> Ints(TRBIntegerBuffer* b) {
  return std::vector<int32_t>(b->Read(), b->Read() + b->GetSize());
}

RefPtr<TRBIntegerBuffer> IntBuffer(const std::vector<int32_t>& v) {
  return TRBIntegerBuffer::CreateData(v.data(), static_cast<uint32_t>(v.size()));
}

enum class TAccess { Read, Write, Modify };
enum class TSetup {
  Single,             // the writer alone
  Shared,             // the writer and another owner
  OtherNonOwning,     // the writer and a view that gave up ownership
  WriterNonOwning,    // a non-owning writer beside two owners
};

TEST_F(DataBuffer, CopyOnWriteTable) {
  struct {
    const char* Name;
    TSetup Setup;
    TAccess Access;
    bool ContainerChanged;
    bool BytesKept;       // the writer still sees the whole old capacity (not checked for Write)
    bool OtherSeesWrite;  // a byte written by the writer shows in the other view
  } cases[] = {
      {"read shared", TSetup::Shared, TAccess::Read, false, true, false},
      {"write shared", TSetup::Shared, TAccess::Write, true, false, false},
      {"modify shared", TSetup::Shared, TAccess::Modify, true, true, false},
      {"write single", TSetup::Single, TAccess::Write, false, true, false},
      {"modify single", TSetup::Single, TAccess::Modify, false, true, false},
      {"write beside a non-owner", TSetup::OtherNonOwning, TAccess::Write, false, true, true},
      {"modify beside a non-owner", TSetup::OtherNonOwning, TAccess::Modify, false, true, true},
      {"non-owner writes beside two owners", TSetup::WriterNonOwning, TAccess::Write, true, false,
       false},
      {"non-owner modifies beside two owners", TSetup::WriterNonOwning, TAccess::Modify, true,
       true, false},
  };
  uint8_t seed = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    // Exactly the capacity, different in every case: a recycled block never holds it.
    const std::vector<uint8_t> pattern = Pattern(16, ++seed);
    RefPtr<TRBBlockBuffer> writer = Bytes(pattern);
    RefPtr<TRBBlockBuffer> other, third;
    if (c.Setup != TSetup::Single) other = CopyOf(writer.Get());
    if (c.Setup == TSetup::OtherNonOwning) other->RemoveOwnerShip();
    if (c.Setup == TSetup::WriterNonOwning) {
      third = CopyOf(writer.Get());
      writer->RemoveOwnerShip();
      EXPECT_FALSE(writer->OwnsData());
    }
    TRBSmartBuffer* before = writer->DataContainer();

    uint8_t* p = c.Access == TAccess::Read    ? writer->ByteRead()
                 : c.Access == TAccess::Write ? writer->ByteWrite()
                                              : writer->ByteModify();
    EXPECT_EQ(writer->DataContainer() != before, c.ContainerChanged);
    EXPECT_EQ(p, writer->ByteRead());
    EXPECT_EQ(writer->GetByteSize(), 16u);
    EXPECT_EQ(writer->DataContainer()->GetCapacity(), 16u);
    if (c.BytesKept) {
      EXPECT_EQ(std::memcmp(p, pattern.data(), 16), 0);
    }
    if (c.ContainerChanged) {
      EXPECT_EQ(writer->DataContainer()->CountTransports(), 1);
    }
    if (c.Access == TAccess::Read || !other) continue;

    p[3] = 0xEE;
    EXPECT_EQ(other->DataContainer(), before);
    std::vector<uint8_t> expected = pattern;
    if (c.OtherSeesWrite) expected[3] = 0xEE;
    EXPECT_EQ(Contents(other.Get()), expected);
  }
}

TEST_F(DataBuffer, MakeUniqueReportsWhetherTheViewMoved) {
  RefPtr<TRBBlockBuffer> a = Bytes(Pattern(8));
  EXPECT_FALSE(a->MakeUnique(true));
  RefPtr<TRBBlockBuffer> b = CopyOf(a.Get());
  EXPECT_EQ(a->DataContainer()->CountOwners(), 2);
  EXPECT_TRUE(b->MakeUnique(true));
  EXPECT_FALSE(a->MakeUnique(true));  // b left: a is alone again
  EXPECT_EQ(a->DataContainer()->CountOwners(), 1);
  EXPECT_EQ(b->DataContainer()->CountOwners(), 1);
}

TEST_F(DataBuffer, ResizeByItsFiveRules) {
  const std::vector<uint8_t> pattern = Pattern(6);
  RefPtr<TRBBlockBuffer> b = Bytes(pattern);  // capacity 8
  TRBSmartBuffer* container = b->DataContainer();

  // 1. Size 0 keeps the container.
  b->Resize(0, true);
  EXPECT_EQ(b->GetSize(), 0u);
  EXPECT_EQ(b->DataContainer(), container);
  // 4. Growing with PreserveData within the capacity of a sole owner stays in place and
  //    shows the old bytes again.
  b->Resize(6, true);
  EXPECT_EQ(b->DataContainer(), container);
  EXPECT_EQ(Contents(b.Get()), pattern);
  b->Resize(8, true);
  EXPECT_EQ(b->DataContainer(), container);
  // 2. The same size changes nothing, even without PreserveData.
  b->Resize(8, false);
  EXPECT_EQ(b->DataContainer(), container);
  // 3. Shrinking with PreserveData stays in place even on a shared container.
  RefPtr<TRBBlockBuffer> other = CopyOf(b.Get());
  b->Resize(4, true);
  EXPECT_EQ(b->DataContainer(), container);
  EXPECT_EQ(Contents(b.Get()), std::vector<uint8_t>(pattern.begin(), pattern.begin() + 4));
  EXPECT_EQ(other->GetSize(), 8u);
  // 5. Growing a shared container moves to a new one with the old bytes ...
  b->Resize(6, true);
  EXPECT_NE(b->DataContainer(), container);
  EXPECT_EQ(Contents(b.Get()), pattern);
  EXPECT_EQ(container->CountOwners(), 1);
  // ... as does growing beyond the capacity, into the next power of two ...
  TRBSmartBuffer* second = b->DataContainer();
  b->Resize(9, true);
  EXPECT_NE(b->DataContainer(), second);
  EXPECT_EQ(b->DataContainer()->GetCapacity(), 16u);
  EXPECT_EQ(std::memcmp(b->Read(), pattern.data(), 6), 0);
  // ... and every change without PreserveData, shrinking included.
  TRBSmartBuffer* third = b->DataContainer();
  b->Resize(3, false);
  EXPECT_NE(b->DataContainer(), third);
  EXPECT_EQ(b->GetSize(), 3u);
  EXPECT_EQ(b->DataContainer()->GetCapacity(), 4u);

  // Element counts of wider elements, and sizes beyond the largest container.
  RefPtr<TRBIntegerBuffer> ints = TRBIntegerBuffer::CreateSize(3);
  ints->Resize(5, true);
  EXPECT_EQ(ints->GetByteSize(), 20u);
  EXPECT_EQ(ints->DataContainer()->GetCapacity(), 32u);
  EXPECT_THROW(ints->Resize((1u << 28) + 1, false), platform::EOutOfMemory);
  EXPECT_EQ(ints->GetSize(), 5u);
}

TEST_F(DataBuffer, AssignSharesTheOtherContainerWithoutCopying) {
  RefPtr<TRBBlockBuffer> a = Bytes(Pattern(8));
  RefPtr<TRBBlockBuffer> b = Bytes(Pattern(20, 9));
  TRBSmartBuffer* old = a->DataContainer();
  old->AddReff(false);  // watch the old container
  a->Assign(b.Get());
  EXPECT_EQ(a->DataContainer(), b->DataContainer());
  EXPECT_EQ(Contents(a.Get()), Pattern(20, 9));
  EXPECT_EQ(b->DataContainer()->CountOwners(), 2);
  EXPECT_EQ(old->CountTransports(), 1);
  old->RemoveReff(false);

  // To itself, or to a view of the same container: only size and data pointer.
  RefPtr<TRBBlockBuffer> c = CopyOf(b.Get());
  c->Resize(5, true);
  c->Assign(c.Get());
  EXPECT_EQ(c->GetSize(), 5u);
  c->Assign(b.Get());
  EXPECT_EQ(c->GetSize(), 20u);
  EXPECT_EQ(b->DataContainer()->CountOwners(), 3);

  // A non-owning view stays non-owning.
  RefPtr<TRBBlockBuffer> d = Bytes(Pattern(4));
  d->RemoveOwnerShip();
  d->Assign(b.Get());
  EXPECT_FALSE(d->OwnsData());
  EXPECT_EQ(b->DataContainer()->CountOwners(), 3);
  EXPECT_EQ(b->DataContainer()->CountTransports(), 4);
}

TEST_F(DataBuffer, IsEqualComparesClassSizeAndBytes) {
  RefPtr<TRBBlockBuffer> a = Bytes({1, 2, 3, 4});
  RefPtr<TRBBlockBuffer> b = CopyOf(a.Get());
  RefPtr<TRBIntegerBuffer> ints = TRBIntegerBuffer::CreateUniversal(a.Get());
  EXPECT_TRUE(a->IsEqual(b.Get()));
  EXPECT_TRUE(a->IsEqual(Bytes({1, 2, 3, 4}).Get()));
  EXPECT_FALSE(a->IsEqual(Bytes({1, 2, 3, 5}).Get()));
  EXPECT_FALSE(a->IsEqual(Bytes({1, 2, 3}).Get()));
  EXPECT_FALSE(a->IsEqual(ints.Get()));  // the same bytes as another class
  EXPECT_FALSE(ints->IsEqual(a.Get()));
  EXPECT_TRUE(TRBBlockBuffer::Create()->IsEqual(TRBBlockBuffer::Create().Get()));
  // The generic comparison asks for bytes only.
  RefPtr<TRBGenericBuffer> generic = TRBGenericBuffer::CreateUniversal(ints.Get());
  EXPECT_TRUE(generic->IsEqual(a.Get()));
}

TEST_F(DataBuffer, CopyToCopiesInsideBothBuffersOnly) {
  RefPtr<TRBBlockBuffer> src = Bytes({10, 11, 12, 13, 14, 15});
  RefPtr<TRBBlockBuffer> dst = Bytes({0, 0, 0, 0});
  RefPtr<TRBBlockBuffer> dstCopy = CopyOf(dst.Get());
  src->CopyTo(2, dst.Get(), 1, 3);
  EXPECT_EQ(Contents(dst.Get()), (std::vector<uint8_t>{0, 12, 13, 14}));
  EXPECT_EQ(Contents(dstCopy.Get()), (std::vector<uint8_t>{0, 0, 0, 0}));  // left first
  src->CopyTo(0, dst.Get(), 0, 0);  // nothing
  src->CopyTo(0, dst.Get(), 0, -5);

  // Ranges that leave either buffer raise the range error with the first index outside and
  // touch nothing.
  const struct {
    int32_t SourceIndex, DestIndex, Count;
    const char* Message;
  } bad[] = {
      {5, 0, 2, "Index out of range = 6"},
      {6, 0, 1, "Index out of range = 6"},
      {-1, 0, 1, "Index out of range = 4294967295"},
      {0, 3, 2, "Index out of range = 4"},
      {0, -2, 1, "Index out of range = 4294967294"},
      {0, 0, 0x7FFFFFFF, "Index out of range = 6"},
  };
  for (const auto& c : bad) {
    try {
      src->CopyTo(c.SourceIndex, dst.Get(), c.DestIndex, c.Count);
      ADD_FAILURE() << c.Message << " not raised";
    } catch (const platform::ERangeError& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
  }
  EXPECT_EQ(Contents(dst.Get()), (std::vector<uint8_t>{0, 12, 13, 14}));

  // A copy within one buffer whose ranges overlap.
  src->CopyTo(0, src.Get(), 2, 4);
  EXPECT_EQ(Contents(src.Get()), (std::vector<uint8_t>{10, 11, 10, 11, 12, 13}));
}

TEST_F(DataBuffer, IntegerCopyToCountsElementsBetweenIntegerBuffers) {
  RefPtr<TRBIntegerBuffer> src = IntBuffer({1, 2, 3, 4});
  RefPtr<TRBIntegerBuffer> dst = IntBuffer({0, 0, 0});
  src->CopyTo(1, dst.Get(), 0, 3);
  EXPECT_EQ(Ints(dst.Get()), (std::vector<int32_t>{2, 3, 4}));
  EXPECT_THROW(src->CopyTo(2, dst.Get(), 0, 3), platform::ERangeError);
  EXPECT_THROW(src->CopyTo(0, dst.Get(), 1, 3), platform::ERangeError);
  // To a byte buffer the numbers are bytes.
  RefPtr<TRBBlockBuffer> bytes = Bytes({9, 9, 9, 9, 9});
  src->CopyTo(4, bytes.Get(), 1, 4);
  EXPECT_EQ(Contents(bytes.Get()), (std::vector<uint8_t>{9, 2, 0, 0, 0}));
  EXPECT_THROW(src->CopyTo(13, bytes.Get(), 0, 4), platform::ERangeError);
}

TEST_F(DataBuffer, TheSequenceStampBelongsToTheContainer) {
  RefPtr<TRBBlockBuffer> a = Bytes(Pattern(8));
  RefPtr<TRBBlockBuffer> b = CopyOf(a.Get());
  EXPECT_FALSE(a->GetSequenceStamp()->Available());
  a->GetSequenceStamp()->SetBufferNumber(77);
  a->GetSequenceStamp()->SetAvailable(true);
  EXPECT_EQ(b->GetSequenceStamp()->BufferNumber(), 77);
  EXPECT_TRUE(b->GetSequenceStamp()->Available());
  b->ByteModify();  // a copy on write starts without a number
  EXPECT_EQ(b->GetSequenceStamp()->BufferNumber(), 0);
  EXPECT_FALSE(b->GetSequenceStamp()->Available());
  EXPECT_EQ(a->GetSequenceStamp()->BufferNumber(), 77);
}

class TempFile {
 public:
  TempFile() {
    char name[] = "/tmp/pf_buffer_XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd >= 0) ::close(fd);
    FName = name;
  }
  ~TempFile() { std::remove(FName.c_str()); }
  const std::string& Name() const { return FName; }

 private:
  std::string FName;
};

TEST_F(DataBuffer, RawFilesHoldExactlyTheBytes) {
  TempFile file;
  RefPtr<TRBIntegerBuffer> ints = IntBuffer({1, -2, 0x01020304});
  ints->SaveToFile(file.Name());
  std::ifstream in(file.Name(), std::ios::binary);
  std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(raw.size(), 12u);
  EXPECT_EQ(std::memcmp(raw.data(), ints->Read(), 12), 0);

  // Loading leaves a shared container without copying it first, and keeps the size.
  RefPtr<TRBIntegerBuffer> target = IntBuffer({7, 7, 7});
  RefPtr<TRBIntegerBuffer> shared = CopyOf(target.Get());
  target->LoadFromFile(file.Name());
  EXPECT_EQ(Ints(target.Get()), (std::vector<int32_t>{1, -2, 0x01020304}));
  EXPECT_EQ(Ints(shared.Get()), (std::vector<int32_t>{7, 7, 7}));
  RefPtr<TRBIntegerBuffer> smaller = IntBuffer({0, 0});
  smaller->LoadFromFile(file.Name());
  EXPECT_EQ(Ints(smaller.Get()), (std::vector<int32_t>{1, -2}));
}

TEST_F(DataBuffer, AFailedLoadLeavesTheBufferAsItWas) {
  TempFile file;
  IntBuffer({1, 2})->SaveToFile(file.Name());
  RefPtr<TRBIntegerBuffer> larger = IntBuffer({5, 6, 7});
  RefPtr<TRBIntegerBuffer> shared = CopyOf(larger.Get());
  TRBSmartBuffer* container = larger->DataContainer();
  try {
    larger->LoadFromFile(file.Name());
    ADD_FAILURE() << "a file shorter than the buffer was loaded";
  } catch (const platform::EReadError& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
  EXPECT_EQ(larger->DataContainer(), container);  // still shared, with its bytes
  EXPECT_EQ(Ints(larger.Get()), (std::vector<int32_t>{5, 6, 7}));

  EXPECT_THROW(larger->LoadFromFile(file.Name() + ".missing"), EFOpenError);
  EXPECT_EQ(larger->DataContainer(), container);
  EXPECT_THROW(larger->SaveToFile("/nonexistent-folder/buffer.raw"), EFCreateError);
}

TEST_F(DataBuffer, InterfacesAnswerByIdentifier) {
  RefPtr<TRBIntegerBuffer> ints = TRBIntegerBuffer::CreateSize(2);
  EXPECT_TRUE(platform::Supports<IRBIntegerBuffer>(ints.Get()));
  EXPECT_TRUE(platform::Supports<IRBLinearDataBuffer>(ints.Get()));
  EXPECT_TRUE(platform::Supports<IRBGenericBuffer>(ints.Get()));
  EXPECT_TRUE(platform::Supports<IRBDataBuffer>(ints.Get()));
  EXPECT_TRUE(platform::Supports<IRBData>(ints.Get()));
  EXPECT_FALSE(platform::Supports<IRBBlockBuffer>(ints.Get()));
  RefPtr<TRBGenericBuffer> generic = TRBGenericBuffer::CreateCopy(ints.Get());
  EXPECT_FALSE(platform::Supports<IRBLinearDataBuffer>(generic.Get()));
  // A copy through the interface is a view of the same class on the same container.
  RefPtr<IRBData> copy = ints->MakeCopy();
  auto* same = dynamic_cast<TRBIntegerBuffer*>(copy->GetInstance());
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(same->DataContainer(), ints->DataContainer());
}

}  // namespace
