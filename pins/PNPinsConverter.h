// Format converters: the components that type negotiation inserts between a source pin and a
// sink pin that share no stream type.
//
// A converter has no owner and exactly one input sink pin and one output source pin. It is
// created by class from the converter registry (through a parameterless constructor) and
// kept alive by interface references: the source pin's list of converters, delivery
// snapshots and state links hold it. The release that drops the last reference destroys it,
// on whatever thread that release runs.
#pragma once

#include <atomic>
#include <cstdint>

#include "pins/PNPins.h"

namespace pins {

class TPNFormatConverter : public TComponent,
                           public IPNFormatConverter,
                           public TPNFormatConverterPins {
  PF_CLASS(TPNFormatConverter)

 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  // The converter's own interlocked count: the first reference makes it 1, the release that
  // brings it back to 0 frees the converter.
  int32_t AddRef() override;
  int32_t Release() override;
  bool TryAddRef() override;
  TPNFormatConverter* GetInstance() override { return this; }

  int32_t RefCount() const { return FRefCount.load(); }
  IPNLock* Lock() const { return FLock.Get(); }

  // The operation event that converters of data that travels upstream give their output
  // pin: sends the operation on through the input pin to the source feeding the converter
  // and returns that source's result. Sender, DataTypeID and State are not used.
  TPNNotifyResult ForwardUpstream(TPNBasicPin* Sender, const TGUID* DataTypeID,
                                  IPNNotifyOperation* Operation, TPNNotifyState State);

 protected:
  // The converter without owner and with its own new lock. Concrete converters make their
  // pins with this converter as owner and FLock as owner lock, then call CreatePins.
  TPNFormatConverter();

  // Records the two pins; the output's data is computed from the input (a functional
  // dependency, so that links through the converter cannot close a cycle).
  void CreatePins(TPNSinkPin* AInputPin, TPNSourcePin* AOutputPin);

  // First phase of the teardown, with no level of the converter's lock held by this thread:
  // the input pin is disconnected.
  void BeforeDestruction() override;
  // Second phase, under a stop section of the lock (other threads give up the lock at
  // once): both pins are disconnected and freed.
  void Destroy() override;

  RefPtr<IPNLock> FLock;

 private:
  std::atomic<int32_t> FRefCount{0};
  // Set by the release that starts the teardown: references taken and dropped while the
  // converter is being torn down must not free it a second time.
  std::atomic<bool> FDestroying{false};
};

// The virtual constructor of a converter class: the parameterless constructor (the owner
// argument of class factories is ignored; converters have none).
template <class T>
platform::TObject* FormatConverterFactory(platform::TObject* owner) {
  (void)owner;
  return platform::New<T>();
}

// Defines the class information of a concrete converter, creatable by class reference.
#define PN_DEFINE_FORMAT_CONVERTER(Class, Parent) \
  PF_DEFINE_CLASS_EX(Class, Parent, &::pins::FormatConverterFactory<Class>, nullptr)

}  // namespace pins
