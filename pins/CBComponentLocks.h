// The property lock of components: a lock with typed setters and getters that compare,
// store and report a property change as one step under the write section, and the paired
// lock of components with separate input and output sides.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <type_traits>

#include "pins/PNPinsLocks.h"
#include "platform/Methods.h"

namespace pins {

// A parameterless call-back: the per-property update function and the lock's notification.
using TCBPropUpdateFunc = platform::TMethod<void()>;

enum TRBSynchronizeType { stNone, stSingleBuffer, stQueue };
enum TRBClockSource { csInternal, csExternal };

namespace detail {
template <class T>
concept SettableValue = std::is_arithmetic_v<T> || std::is_enum_v<T> ||
                        std::is_same_v<T, std::string> || std::is_same_v<T, std::u16string>;
template <class T>
concept ClampableValue = std::is_arithmetic_v<T> && !std::is_same_v<T, bool>;
}  // namespace detail

// A lock with typed property setters. Every setter takes the write section, stores the new
// value only when it differs from the stored one and then calls the property's update
// function and the lock's notification, all under the section; it returns True when the
// value changed. The clamping setters raise the value to the minimum first, then lower it to
// the maximum (so a minimum above the maximum gives the maximum).
struct ICBLock : IPNLock {
  static constexpr TGUID IID = TGUID::Parse("{41898A42-8C0F-4C05-AEE4-C2DE0BAB1869}");

  // The notification called after every change (the owner's PropertyChanged).
  virtual TCBPropUpdateFunc GetNotify() = 0;

  template <detail::SettableValue T>
  bool Setter(T& propValue, const std::type_identity_t<T>& value,
              TCBPropUpdateFunc updatedFunc = {}) {
    return Store(propValue, value, updatedFunc, true);
  }
  // A 32-bit colour of the graphics layer; the flag is not used.
  bool Setter(uint32_t& propValue, uint32_t value, bool /*unused*/,
              TCBPropUpdateFunc updatedFunc = {}) {
    return Store(propValue, value, updatedFunc, true);
  }
  // How data reaches the main thread: calls only the property's update function.
  bool Setter(TRBSynchronizeType& propValue, TRBSynchronizeType value,
              TCBPropUpdateFunc updatedFunc = {}) {
    return Store(propValue, value, updatedFunc, false);
  }

  template <detail::ClampableValue T>
  bool SetterMin(T& propValue, std::type_identity_t<T> value, std::type_identity_t<T> minValue,
                 TCBPropUpdateFunc updatedFunc = {}) {
    if (value < minValue) value = minValue;
    return Store(propValue, value, updatedFunc, true);
  }
  template <detail::ClampableValue T>
  bool SetterMax(T& propValue, std::type_identity_t<T> value, std::type_identity_t<T> maxValue,
                 TCBPropUpdateFunc updatedFunc = {}) {
    if (value > maxValue) value = maxValue;
    return Store(propValue, value, updatedFunc, true);
  }
  template <detail::ClampableValue T>
  bool SetterMinMax(T& propValue, std::type_identity_t<T> value,
                    std::type_identity_t<T> minValue, std::type_identity_t<T> maxValue,
                    TCBPropUpdateFunc updatedFunc = {}) {
    if (value < minValue) value = minValue;
    if (value > maxValue) value = maxValue;
    return Store(propValue, value, updatedFunc, true);
  }

  // The value of a property field, read under a read section.
  template <detail::SettableValue T>
  T Getter(const T& propValue) {
    auto section = ReadLock();
    return propValue;
  }

 private:
  template <class T>
  bool Store(T& propValue, const T& value, const TCBPropUpdateFunc& updatedFunc, bool notify) {
    auto section = WriteLock();
    if (propValue == value) return false;
    propValue = value;
    if (updatedFunc.Assigned()) updatedFunc();
    if (notify) {
      TCBPropUpdateFunc n = GetNotify();
      if (n.Assigned()) n();
    }
    return true;
  }
};

// Base of the property locks: keeps the notification.
class TCBBasicLock : public platform::TInterfacedObject, public ICBLock {
  PF_CLASS(TCBBasicLock)

 public:
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<ICBLock, IPNLock>(this, iid, object);
  }
  TCBPropUpdateFunc GetNotify() override { return FNotify; }

 protected:
  explicit TCBBasicLock(TCBPropUpdateFunc notify) : FNotify(notify) {}

  TCBPropUpdateFunc FNotify;
};

// A property lock over one lock.
class TCBLock : public TCBBasicLock {
  PF_CLASS(TCBLock)
  PF_ALLOW_NEW;

 public:
  // Over a new lock of its own.
  static RefPtr<ICBLock> Create(TCBPropUpdateFunc notify);
  // Over the lock object underneath lock (for a paired lock: its first lock), with its own
  // notification: both property locks exclude each other.
  static RefPtr<ICBLock> CreateCopy(const RefPtr<ICBLock>& lock, TCBPropUpdateFunc notify);

  [[nodiscard]] RefPtr<IPNLockSection> ReadLock() override { return FLock->ReadLock(); }
  [[nodiscard]] RefPtr<IPNLockSection> WriteLock() override { return FLock->WriteLock(); }
  [[nodiscard]] RefPtr<IPNLockSection> StopLock() override { return FLock->StopLock(); }
  [[nodiscard]] RefPtr<IPNLockSection> UnlockAll() override { return FLock->UnlockAll(); }
  [[nodiscard]] RefPtr<IPNLockSection> UnlockAllLockInOrder(
      const RefPtr<IPNLock>& firstLock) override {
    return FLock->UnlockAllLockInOrder(firstLock);
  }
  TPNLock* Instance() override { return FLock->Instance(); }

 protected:
  TCBLock(RefPtr<IPNLock> lock, TCBPropUpdateFunc notify)
      : TCBBasicLock(notify), FLock(std::move(lock)) {}

  RefPtr<IPNLock> FLock;
};

// Two locks taken as one: the first before the second, released in reverse order.
class TCBPairedLock : public TCBBasicLock {
  PF_CLASS(TCBPairedLock)
  PF_ALLOW_NEW;

 public:
  static RefPtr<ICBLock> Create(const RefPtr<IPNLock>& firstLock,
                                const RefPtr<IPNLock>& secondLock, TCBPropUpdateFunc notify);

  [[nodiscard]] RefPtr<IPNLockSection> ReadLock() override;
  [[nodiscard]] RefPtr<IPNLockSection> WriteLock() override;
  [[nodiscard]] RefPtr<IPNLockSection> StopLock() override;
  // Both locks' levels; on release the first lock is taken back before the second.
  [[nodiscard]] RefPtr<IPNLockSection> UnlockAll() override;
  [[nodiscard]] RefPtr<IPNLockSection> UnlockAllLockInOrder(
      const RefPtr<IPNLock>& firstLock) override;
  TPNLock* Instance() override { return FFirstLock->Instance(); }

  const RefPtr<IPNLock>& FirstLock() const { return FFirstLock; }
  const RefPtr<IPNLock>& SecondLock() const { return FSecondLock; }

 protected:
  TCBPairedLock(RefPtr<IPNLock> firstLock, RefPtr<IPNLock> secondLock, TCBPropUpdateFunc notify)
      : TCBBasicLock(notify), FFirstLock(std::move(firstLock)), FSecondLock(std::move(secondLock)) {}

  RefPtr<IPNLock> FFirstLock;
  RefPtr<IPNLock> FSecondLock;
};

// Holds two sections; releases the second first, then the first.
class TCBPairedLockSection : public platform::TInterfacedObject, public IPNLockSection {
  PF_CLASS(TCBPairedLockSection)
  PF_ALLOW_NEW;

 public:
  platform::HRESULT QueryInterface(const TGUID& iid, void** object) override {
    return platform::QueryInterfaces<IPNLockSection>(this, iid, object);
  }

 protected:
  TCBPairedLockSection(RefPtr<IPNLockSection> first, RefPtr<IPNLockSection> second)
      : FFirstSection(std::move(first)), FSecondSection(std::move(second)) {}
  void BeforeDestruction() override;

  RefPtr<IPNLockSection> FFirstSection;
  RefPtr<IPNLockSection> FSecondSection;
};

}  // namespace pins
