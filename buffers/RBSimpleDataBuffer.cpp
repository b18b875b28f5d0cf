#include "buffers/RBSimpleDataBuffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "binding/IPPDispatchTable.h"

namespace buffers {

void RangeError(int64_t Index) {
  throw platform::ERangeError(
      platform::Format("Index out of range = %u", static_cast<uint32_t>(Index)));
}

void CheckRange(int64_t Index, int64_t Count, int64_t Size) {
  if (Count <= 0) return;
  if (Index < 0 || Index >= Size) RangeError(Index);
  if (Count > Size - Index) RangeError(Size);
}

// ---------------------------------------------------------------------------------------
// Sequence stamp

bool TRBSequenceStamp::Available() const {
  return FIntBuffer->DataContainer()->GetBufferNumberAvailable();
}

void TRBSequenceStamp::SetAvailable(bool AValue) {
  FIntBuffer->DataContainer()->SetBufferNumberAvailable(AValue);
}

int64_t TRBSequenceStamp::BufferNumber() const {
  return FIntBuffer->DataContainer()->GetBufferNumber();
}

void TRBSequenceStamp::SetBufferNumber(int64_t AValue) {
  FIntBuffer->DataContainer()->SetBufferNumber(AValue);
}

// ---------------------------------------------------------------------------------------
// Generic view

PF_DEFINE_CLASS(TRBBasicBuffer, platform::TInterfacedObject)
PF_DEFINE_CLASS(TRBGenericBuffer, TRBBasicBuffer)

TRBGenericBuffer::TRBGenericBuffer(TRBSmartBuffer* ADataContainer, uint32_t ASize)
    : FDataPtr(static_cast<uint8_t*>(ADataContainer->GetRawData())),
      FCharSize(ASize),
      pDataContainer(ADataContainer) {
  pDataContainer->AddReff(true);
}

TRBGenericBuffer::TRBGenericBuffer(TRBGenericBuffer* Other)
    : FDataPtr(Other->FDataPtr), FCharSize(Other->FCharSize), pDataContainer(Other->pDataContainer) {
  pDataContainer->AddReff(true);
}

void TRBGenericBuffer::AfterConstruction() {
  SetDataContainer(pDataContainer);
  TRBBasicBuffer::AfterConstruction();
}

void TRBGenericBuffer::Destroy() {
  if (TRBSmartBuffer* container = pDataContainer) {
    pDataContainer = nullptr;
    container->RemoveReff(FOwnsData);
  }
  TRBBasicBuffer::Destroy();
}

RefPtr<TRBGenericBuffer> TRBGenericBuffer::Create(TRBSmartBuffer* ADataContainer, uint32_t ASize) {
  return RefPtr<TRBGenericBuffer>(platform::New<TRBGenericBuffer>(ADataContainer, ASize));
}

RefPtr<TRBGenericBuffer> TRBGenericBuffer::CreateEx(TRBGenericBuffer* Other) {
  return RefPtr<TRBGenericBuffer>(platform::New<TRBGenericBuffer>(Other));
}

RefPtr<TRBGenericBuffer> TRBGenericBuffer::CreateUniversal(IRBData* Other) {
  return CreateEx(GenericInstance(Other));
}

RefPtr<TRBGenericBuffer> TRBGenericBuffer::CreateCopy(IRBGenericBuffer* Other) {
  return CreateEx(GenericInstance(Other));
}

TRBGenericBuffer* TRBGenericBuffer::GenericInstance(IRBData* Other) {
  auto* instance = Other ? dynamic_cast<TRBGenericBuffer*>(Other->GetInstance()) : nullptr;
  if (!instance) throw EInvalidCast("Invalid class typecast");
  return instance;
}

platform::HRESULT TRBGenericBuffer::QueryInterface(const TGUID& iid, void** object) {
  return platform::QueryInterfaces<IRBData, IRBDataBuffer, IRBGenericBuffer>(this, iid, object);
}

TRBBasicBuffer* TRBGenericBuffer::MakeCopyObject() { return platform::New<TRBGenericBuffer>(this); }

void TRBGenericBuffer::DataChanged() {
  FDataPtr = static_cast<uint8_t*>(pDataContainer->GetRawData());
}

bool TRBGenericBuffer::MakeUnique(bool PreserveData) {
  if (pDataContainer->SingleOwner()) return false;
  TRBSmartBuffer* old = pDataContainer;
  TRBSmartBuffer* clone = old->Clone(PreserveData);
  pDataContainer = clone;
  clone->AddReff(FOwnsData);
  SetDataContainer(clone);
  old->RemoveReff(FOwnsData);
  DataChanged();
  return true;
}

uint8_t* TRBGenericBuffer::ByteWrite() {
  Unique(false);
  return FDataPtr;
}

uint8_t* TRBGenericBuffer::ByteModify() {
  Unique(true);
  return FDataPtr;
}

void TRBGenericBuffer::RemoveOwnerShip() {
  if (!FOwnsData) return;
  pDataContainer->RemoveOwnerShip();
  FOwnsData = false;
}

void TRBGenericBuffer::Assign(IRBDataBuffer* OtherBuffer) {
  RefPtr<IRBGenericBuffer> generic = platform::Supports<IRBGenericBuffer>(OtherBuffer);
  if (!generic) throw EIntfCastError("Interface not supported");
  TRBGenericBuffer* other = GenericInstance(generic.Get());
  if (other != this && other->pDataContainer != pDataContainer) {
    if (pDataContainer) pDataContainer->RemoveReff(FOwnsData);
    pDataContainer = other->pDataContainer;
    pDataContainer->AddReff(FOwnsData);
    SetDataContainer(pDataContainer);
    DataChanged();
  }
  FCharSize = other->FCharSize;
  FDataPtr = other->FDataPtr;
}

bool TRBGenericBuffer::IsEqual(IRBDataBuffer* Other) {
  if (!Other || Other->GetByteSize() != GetByteSize()) return false;
  const uint32_t size = GetByteSize();
  return size == 0 || std::memcmp(ByteRead(), Other->ByteRead(), size) == 0;
}

void CopyBufferBytes(const uint8_t* Source, uint8_t* Dest, int64_t Count) {
  if (Source < Dest + Count && Dest < Source + Count)
    std::memmove(Dest, Source, static_cast<size_t>(Count));
  else
    ippsCopy_8u(Source, Dest, static_cast<int>(Count));
}

void TRBGenericBuffer::CopyTo(int32_t SourceIndex, IRBDataBuffer* Dest, int32_t DestIndex,
                              int32_t Count) {
  if (Count <= 0) return;
  CheckRange(SourceIndex, Count, GetByteSize());
  CheckRange(DestIndex, Count, Dest->GetByteSize());
  uint8_t* dst = Dest->ByteModify() + DestIndex;
  CopyBufferBytes(ByteRead() + SourceIndex, dst, Count);
}

// ---------------------------------------------------------------------------------------
// Raw files

namespace {

class TFile {
 public:
  explicit TFile(int fd) : FHandle(fd) {}
  ~TFile() {
    if (FHandle >= 0) ::close(FHandle);
  }
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  int Handle() const { return FHandle; }

 private:
  int FHandle;
};

}  // namespace

void TRBGenericBuffer::SaveToFile(const std::string& AFileName) {
  TFile file(::open(AFileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (file.Handle() < 0) platform::RaiseFileCreateError(AFileName, errno);
  const uint8_t* data = ByteRead();
  for (uint32_t done = 0, size = GetByteSize(); done < size;) {
    const ssize_t n = ::write(file.Handle(), data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw platform::EWriteError("Stream write error");
    done += static_cast<uint32_t>(n);
  }
}

void TRBGenericBuffer::LoadFromFile(const std::string& AFileName) {
  TFile file(::open(AFileName.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Handle() < 0) platform::RaiseFileOpenError(AFileName, errno);
  const uint32_t size = GetByteSize();
  struct stat info {};
  // The buffer is changed only when the file holds all of its bytes.
  if (::fstat(file.Handle(), &info) != 0 || info.st_size < static_cast<off_t>(size))
    throw platform::EReadError("Stream read error");
  uint8_t* data = ByteWrite();
  for (uint32_t done = 0; done < size;) {
    const ssize_t n = ::read(file.Handle(), data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw platform::EReadError("Stream read error");
    done += static_cast<uint32_t>(n);
  }
}

// ---------------------------------------------------------------------------------------
// Memory views

PF_DEFINE_CLASS(TRBMemoryBuffer, TRBGenericBuffer)
PF_DEFINE_CLASS(TRBLinearMemoryBuffer, TRBMemoryBuffer)

TRBMemoryBuffer::TRBMemoryBuffer(TRBSmartBuffer* ADataContainer, uint32_t ASize)
    : TRBGenericBuffer(ADataContainer, ASize) {}

RefPtr<TRBMemoryBuffer> TRBMemoryBuffer::CreateSize(uint32_t ASize) {
  return Create(TRBSmartMemoryBuffer::Create(ASize), ASize);
}

RefPtr<TRBMemoryBuffer> TRBMemoryBuffer::Create(TRBSmartBuffer* ADataContainer, uint32_t ASize) {
  return RefPtr<TRBMemoryBuffer>(platform::New<TRBMemoryBuffer>(ADataContainer, ASize));
}

RefPtr<TRBMemoryBuffer> TRBMemoryBuffer::CreateEx(TRBMemoryBuffer* Other) {
  return Create(Other->DataContainer(), Other->GetByteSize());
}

TRBBasicBuffer* TRBMemoryBuffer::MakeCopyObject() {
  return platform::New<TRBMemoryBuffer>(pDataContainer, FCharSize);
}

uint32_t TRBMemoryBuffer::ElementBytes(uint64_t ACount, uint32_t AElementSize) {
  const uint64_t bytes = ACount * AElementSize;
  if (bytes > kMaxSmartBufferSize) throw platform::EOutOfMemory("Out of memory");
  return static_cast<uint32_t>(bytes);
}

TRBSmartMemoryBuffer* TRBMemoryBuffer::CreateContainer(uint32_t ASize) {
  return TRBSmartMemoryBuffer::Create(ElementBytes(ASize, ElementSize()));
}

platform::HRESULT TRBLinearMemoryBuffer::QueryInterface(const TGUID& iid, void** object) {
  if (iid == IRBLinearDataBuffer::IID)
    return platform::QueryInterfaces<IRBLinearDataBuffer>(this, iid, object);
  return TRBMemoryBuffer::QueryInterface(iid, object);
}

void TRBLinearMemoryBuffer::Resize(uint32_t Size, bool PreserveData) {
  const uint32_t e = ElementSize();
  if (Size == 0) {
    FCharSize = 0;
    DataChanged();
    return;
  }
  if (Size == GetSize()) return;
  if (PreserveData && (Size < GetSize() || (pDataContainer->SingleOwner() &&
                                            pDataContainer->GetCapacity() / e >= Size))) {
    FCharSize = Size * e;  // within the capacity, so below 2^30
    DataChanged();
    return;
  }
  TRBSmartBuffer* old = pDataContainer;
  TRBSmartMemoryBuffer* fresh = CreateContainer(Size);
  SetDataContainer(fresh);
  if (PreserveData) fresh->CopyFrom(old);
  old->RemoveReff(FOwnsData);
  fresh->AddReff(FOwnsData);
  FCharSize = Size * e;  // CreateContainer refused anything above 2^30 bytes
  DataChanged();
}

}  // namespace buffers
