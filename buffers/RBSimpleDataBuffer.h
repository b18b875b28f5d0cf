// Data buffers: reference-counted views on shared containers, with copy on write.
//
// Every buffer that travels through the system is a view (a small interface object) on a
// container of buffers/RBInternalStore.h. Copying a buffer, sending it through a pin or
// queueing it makes another view of the same container. Reading happens in place. Before a
// view writes, it makes sure no other owning view shares its container:
//
//   Read / ByteRead      the container's data, never a copy;
//   Write / ByteWrite    when shared, a fresh container WITHOUT the data (for callers that
//                        overwrite every element they use);
//   Modify / ByteModify  when shared, a fresh container WITH the data.
//
// A view that gave up ownership (RemoveOwnerShip) still reads the data but no longer counts:
// an owner alone with it writes in place, and the view sees the change.
//
// Typed vectors (TRBBlockBuffer, TRBIntegerBuffer, ...) derive from TRBTypedBuffer, which
// gives them the constructor family, typed Read/Write/Modify and the class test of IsEqual.
//
// Threads: a view is used by one thread at a time; different views of one container may be
// used by different threads (the container's counts are locked).
#pragma once

#include <cstdint>
#include <string>

#include "buffers/RBInternalStore.h"
#include "platform/Interfaces.h"
#include "platform/SysUtils.h"

namespace buffers {

using platform::RefPtr;
using platform::TGUID;

// The class library's errors raised by the buffers beside ERangeError and EOutOfMemory.
using platform::EStreamError;
using platform::Exception;
using platform::EDivByZero;
using platform::EFCreateError;
using platform::EFOpenError;
using platform::EIntfCastError;
using platform::EInvalidCast;

// Raises ERangeError "Index out of range = %u" (the index shown as an unsigned number).
[[noreturn]] void RangeError(int64_t Index);
// Elements [Index, Index + Count) of a buffer of Size elements: the range error with the first
// index outside. An empty range (Count <= 0) always passes.
void CheckRange(int64_t Index, int64_t Count, int64_t Size);
// Count bytes from Source to Dest through ippsCopy_8u; overlapping ranges (a copy within one
// buffer) are moved instead.
void CopyBufferBytes(const uint8_t* Source, uint8_t* Dest, int64_t Count);

class TRBSequenceStamp;

struct IRBData : virtual platform::IInterface {
  static constexpr TGUID IID = TGUID::Parse("{B9246BCA-4961-415C-945F-257B3EA0ECFC}");
  // The object behind the interface.
  virtual platform::TObject* GetInstance() = 0;
  // A new view of the same class sharing the container.
  virtual RefPtr<IRBData> MakeCopy() = 0;
};

struct IRBDataBuffer : virtual IRBData {
  static constexpr TGUID IID = TGUID::Parse("{CA519E69-AECD-43D8-89CF-3B55E15541ED}");
  virtual void Assign(IRBDataBuffer* OtherBuffer) = 0;
  virtual bool IsEqual(IRBDataBuffer* Other) = 0;
  virtual uint8_t* ByteRead() = 0;
  virtual uint8_t* ByteWrite() = 0;
  virtual uint8_t* ByteModify() = 0;
  virtual uint32_t GetByteSize() = 0;
  virtual uint32_t GetSize() = 0;
  virtual TRBSequenceStamp* GetSequenceStamp() = 0;
  virtual void CopyTo(int32_t SourceIndex, IRBDataBuffer* Dest, int32_t DestIndex,
                      int32_t Count) = 0;
  virtual void Unique(bool PreserveData) = 0;
  virtual void SaveToFile(const std::string& AFileName) = 0;
  virtual void LoadFromFile(const std::string& AFileName) = 0;
};

// Every TRBGenericBuffer implements it; Assign requires it.
struct IRBGenericBuffer : virtual IRBDataBuffer {
  static constexpr TGUID IID = TGUID::Parse("{D4612012-7681-404F-ACCB-1086DA16207B}");
};

struct IRBLinearDataBuffer : virtual IRBDataBuffer {
  static constexpr TGUID IID = TGUID::Parse("{4C550C77-77FF-4AF4-A959-C1085B1DE2F4}");
  // Size in elements; see TRBLinearMemoryBuffer::Resize.
  virtual void Resize(uint32_t Size, bool PreserveData) = 0;
};

// Read, Write and Modify typed as TElement*: the first methods of every vector interface.
template <class TElement>
struct IRBElementAccess : virtual IRBLinearDataBuffer {
  virtual TElement* Read() = 0;
  virtual TElement* Write() = 0;
  virtual TElement* Modify() = 0;
};

// The sequence number of a view's data. It belongs to the container: every view of one
// container sees the same number, and a view that moves to a new container sees that
// container's (0 and not available after a copy on write).
class TRBSequenceStamp {
 public:
  explicit TRBSequenceStamp(class TRBGenericBuffer* AIntBuffer) : FIntBuffer(AIntBuffer) {}
  bool Available() const;
  void SetAvailable(bool AValue);
  int64_t BufferNumber() const;
  void SetBufferNumber(int64_t AValue);

 private:
  class TRBGenericBuffer* FIntBuffer;
};

class TRBBasicBuffer : public platform::TInterfacedObject, public virtual IRBData {
  PF_CLASS(TRBBasicBuffer)

 public:
  platform::TObject* GetInstance() override { return this; }
  RefPtr<IRBData> MakeCopy() override { return RefPtr<IRBData>(MakeCopyObject()); }
  RefPtr<IRBData> GetDataIntf() { return RefPtr<IRBData>(this); }

  // The new view behind MakeCopy (reference count 0 until it is first held).
  virtual TRBBasicBuffer* MakeCopyObject() = 0;

 protected:
  TRBBasicBuffer() = default;
};

// A view on any container: size in bytes, cached data pointer, copy on write.
class TRBGenericBuffer : public TRBBasicBuffer, public virtual IRBGenericBuffer {
  PF_CLASS(TRBGenericBuffer)
  PF_ALLOW_NEW;

 public:
  // A view over ADataContainer with a byte size of ASize; the view becomes an owner.
  static RefPtr<TRBGenericBuffer> Create(TRBSmartBuffer* ADataContainer, uint32_t ASize);
  // Views sharing the container, byte size and data pointer of another view (the object
  // behind Other must be a TRBGenericBuffer: EInvalidCast otherwise).
  static RefPtr<TRBGenericBuffer> CreateEx(TRBGenericBuffer* Other);
  static RefPtr<TRBGenericBuffer> CreateUniversal(IRBData* Other);
  static RefPtr<TRBGenericBuffer> CreateCopy(IRBGenericBuffer* Other);

  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override;
  TRBBasicBuffer* MakeCopyObject() override;

  // Bytes from SourceIndex of this view into Dest from DestIndex (Count <= 0 copies nothing).
  // Both ranges must lie inside their buffers: ERangeError "Index out of range = %u" with
  // the first index outside, before anything is copied. Dest is reached with ByteModify.
  void CopyTo(int32_t SourceIndex, IRBDataBuffer* Dest, int32_t DestIndex,
              int32_t Count) override;
  // Shares the other buffer's container (EIntfCastError when it is no generic buffer) and
  // takes its size; no bytes are copied and the view keeps its own ownership.
  void Assign(IRBDataBuffer* OtherBuffer) override;
  // Same byte size and same bytes.
  bool IsEqual(IRBDataBuffer* Other) override;
  void Unique(bool PreserveData) override { MakeUnique(PreserveData); }
  // Moves to a clone of the container when two or more owners share it; true when it did.
  virtual bool MakeUnique(bool PreserveData);
  uint32_t GetByteSize() override { return FCharSize; }
  uint32_t GetSize() override { return FCharSize; }
  // Called whenever the view's container or size changed: refreshes the data pointer from
  // the container.
  virtual void DataChanged();
  uint8_t* ByteRead() override { return FDataPtr; }
  uint8_t* ByteWrite() override;
  uint8_t* ByteModify() override;
  // Re-points the view (counting references is the caller's task); descendants cache typed
  // pointers here.
  virtual void SetDataContainer(TRBSmartBuffer* AContainer) { pDataContainer = AContainer; }
  // The view stops being an owner (one way) but keeps its reference.
  virtual void RemoveOwnerShip();

  bool OwnsData() const { return FOwnsData; }
  TRBSmartBuffer* DataContainer() const { return pDataContainer; }
  RefPtr<IRBDataBuffer> GetDataBufferIntf() { return RefPtr<IRBDataBuffer>(this); }
  TRBSequenceStamp* GetSequenceStamp() override { return &FSequenceStamp; }

  // The raw bytes, no header. Saving creates or truncates the file (EFCreateError); loading
  // reads exactly GetByteSize bytes through ByteWrite and never changes the size. A file
  // that cannot be opened (EFOpenError) or holds fewer bytes (EReadError "Stream read
  // error") leaves the buffer as it was.
  void SaveToFile(const std::string& AFileName) override;
  void LoadFromFile(const std::string& AFileName) override;

 protected:
  TRBGenericBuffer(TRBSmartBuffer* ADataContainer, uint32_t ASize);
  explicit TRBGenericBuffer(TRBGenericBuffer* Other);
  void AfterConstruction() override;
  void Destroy() override;

  // The object behind Other as a generic buffer; EInvalidCast when it is none.
  static TRBGenericBuffer* GenericInstance(IRBData* Other);

  TRBSequenceStamp FSequenceStamp{this};
  uint8_t* FDataPtr = nullptr;
  uint32_t FCharSize = 0;
  TRBSmartBuffer* pDataContainer = nullptr;
  bool FOwnsData = true;
};

// A view over a memory container (or any container that exposes its bytes).
class TRBMemoryBuffer : public TRBGenericBuffer {
  PF_CLASS(TRBMemoryBuffer)
  PF_ALLOW_NEW;

 public:
  // A view over a new container of ASize bytes (contents undefined).
  static RefPtr<TRBMemoryBuffer> CreateSize(uint32_t ASize);
  static RefPtr<TRBMemoryBuffer> Create(TRBSmartBuffer* ADataContainer, uint32_t ASize);
  static RefPtr<TRBMemoryBuffer> CreateEx(TRBMemoryBuffer* Other);

  TRBBasicBuffer* MakeCopyObject() override;
  // The container when it is a memory container, else null.
  TRBSmartMemoryBuffer* MemoryBuffer() const {
    return dynamic_cast<TRBSmartMemoryBuffer*>(pDataContainer);
  }

  // A new memory container for ASize elements (ASize * ElementSize bytes; EOutOfMemory above
  // 2^30 bytes).
  virtual TRBSmartMemoryBuffer* CreateContainer(uint32_t ASize);
  virtual uint32_t ElementSize() { return 1; }
  virtual uint32_t GetCharSize() { return FCharSize; }

 protected:
  TRBMemoryBuffer(TRBSmartBuffer* ADataContainer, uint32_t ASize);
  explicit TRBMemoryBuffer(TRBGenericBuffer* Other) : TRBGenericBuffer(Other) {}

  // Byte count of ACount elements of ElementSize bytes, checked against the largest container.
  static uint32_t ElementBytes(uint64_t ACount, uint32_t AElementSize);
};

class TRBLinearMemoryBuffer : public TRBMemoryBuffer, public virtual IRBLinearDataBuffer {
  PF_CLASS(TRBLinearMemoryBuffer)

 public:
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override;

  // Size in elements:
  //   0                                  size 0, same container;
  //   equal to GetSize                   nothing;
  //   smaller, PreserveData              shrinks in place, even on a shared container;
  //   PreserveData, sole owner, fits     grows in place within the container's capacity;
  //   otherwise                          a new container (with PreserveData the old bytes
  //                                      up to the smaller capacity are copied).
  // Elements beyond the old size are undefined, all of them without PreserveData.
  void Resize(uint32_t Size, bool PreserveData) override;

 protected:
  using TRBMemoryBuffer::TRBMemoryBuffer;
};

// The typed vectors: TSelf over elements of TElement, implementing TInterface (which derives
// from IRBElementAccess<TElement>).
template <class TSelf, class TElement, class TInterface>
class TRBTypedBuffer : public TRBLinearMemoryBuffer, public virtual TInterface {
 public:
  using Element = TElement;
  static constexpr uint32_t kElementSize = sizeof(TElement);

  // A view over a new container for 0 elements (capacity 4 bytes).
  static RefPtr<TSelf> Create() { return CreateSize(0); }
  // n elements, contents undefined.
  static RefPtr<TSelf> CreateSize(uint32_t n) {
    const uint32_t bytes = ElementBytes(n, kElementSize);
    return Make(TRBSmartMemoryBuffer::Create(bytes), bytes);
  }
  // n elements copied from AData.
  static RefPtr<TSelf> CreateData(const TElement* AData, uint32_t n) {
    const uint32_t bytes = ElementBytes(n, kElementSize);
    return Make(TRBSmartMemoryBuffer::CreateData(AData, bytes), bytes);
  }
  // Views sharing the container and byte size of another view: of this class, of this
  // class through its interface, or of any memory view (whose bytes this view then reads as
  // its own elements).
  static RefPtr<TSelf> CreateEx(TSelf* Other) { return CreateUniversal(Other); }
  static RefPtr<TSelf> CreateCopy(TInterface* Other) { return CreateUniversal(Other); }
  static RefPtr<TSelf> CreateUniversal(IRBData* Other) {
    TRBGenericBuffer* other = GenericInstance(Other);
    return Make(other->DataContainer(), other->GetByteSize());
  }

  TElement* Read() override { return reinterpret_cast<TElement*>(ByteRead()); }
  TElement* Write() override { return reinterpret_cast<TElement*>(ByteWrite()); }
  TElement* Modify() override { return reinterpret_cast<TElement*>(ByteModify()); }

  uint32_t ElementSize() override { return kElementSize; }
  uint32_t GetSize() override { return FCharSize / kElementSize; }
  TRBBasicBuffer* MakeCopyObject() override {
    return platform::New<TSelf>(pDataContainer, FCharSize);
  }
  // Only another view of this class (or a descendant) with the same bytes.
  bool IsEqual(IRBDataBuffer* Other) override {
    return Other && dynamic_cast<TSelf*>(Other->GetInstance()) && TRBGenericBuffer::IsEqual(Other);
  }
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (iid == TInterface::IID) return platform::QueryInterfaces<TInterface>(this, iid, object);
    return TRBLinearMemoryBuffer::QueryInterface(iid, object);
  }

 protected:
  TRBTypedBuffer(TRBSmartBuffer* ADataContainer, uint32_t ASize)
      : TRBLinearMemoryBuffer(ADataContainer, ASize) {}

 protected:
  // The element at Index, read in place or stored after Modify; the range error outside
  // 0 .. GetSize - 1.
  TElement ItemAt(int32_t Index) {
    CheckRange(Index, 1, GetSize());
    return Read()[Index];
  }
  void StoreItem(int32_t Index, TElement Value) {
    CheckRange(Index, 1, GetSize());
    Modify()[Index] = Value;
  }
  // The data for an operation that overwrites the first count elements: Write when that is
  // every element, Modify otherwise, so the elements beyond keep their values even when a
  // shared container has to be left.
  TElement* WriteFirst(uint64_t count) { return count >= GetSize() ? Write() : Modify(); }
  // Runs call(data), a primitive that overwrites the first count elements and returns its
  // status, on WriteFirst(count). Should a primitive refuse its arguments after Write has
  // left a shared container, the old values are copied back: a refused call leaves the
  // buffer's values as they were, shared or not.
  template <class Call>
  void Overwrite(uint64_t count, Call call) {
    if (count < GetSize()) {
      call(Modify());
      return;
    }
    RefPtr<TSelf> old;
    if (!pDataContainer->SingleOwner()) old = CreateCopy(static_cast<TSelf*>(this));
    TElement* data = Write();
    if (call(data) < 0 && old)
      CopyBufferBytes(reinterpret_cast<const uint8_t*>(old->Read()),
                      reinterpret_cast<uint8_t*>(data), FCharSize);
  }

 private:
  // A view over AContainer (the view's constructor raises nothing once the container exists).
  static RefPtr<TSelf> Make(TRBSmartBuffer* AContainer, uint32_t ASize) {
    return RefPtr<TSelf>(platform::New<TSelf>(AContainer, ASize));
  }
};

}  // namespace buffers
