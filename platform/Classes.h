// The class library's persistent objects and components.
//
// TPersistent: objects that can be assigned to one another and stored in form resources.
// (TComponent, the published-property table and form streaming build on it.)
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>
#include <string>
#include <string_view>

#include "platform/Objects.h"

namespace platform {

namespace detail {
// ASCII case-insensitive comparison, as names of classes, properties and components compare.
inline int CompareText(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
inline bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}
}  // namespace detail

// A set of up to 64 elements of an enumeration whose values are 0, 1, 2, ... (the class
// library's "set of" types: component state, font styles, notify states).
template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> elements) {
    for (E e : elements) FBits |= Bit(e);
  }
  static constexpr TSet FromBits(uint64_t bits) {
    TSet s;
    s.FBits = bits;
    return s;
  }
  constexpr uint64_t Bits() const { return FBits; }

  constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E e) {
    FBits |= Bit(e);
    return *this;
  }
  constexpr TSet& Exclude(E e) {
    FBits &= ~Bit(e);
    return *this;
  }

  friend constexpr TSet operator+(TSet a, TSet b) { return FromBits(a.FBits | b.FBits); }
  friend constexpr TSet operator-(TSet a, TSet b) { return FromBits(a.FBits & ~b.FBits); }
  friend constexpr TSet operator*(TSet a, TSet b) { return FromBits(a.FBits & b.FBits); }
  friend constexpr bool operator==(TSet a, TSet b) { return a.FBits == b.FBits; }
  // a <= b: every element of a is in b.
  friend constexpr bool operator<=(TSet a, TSet b) { return (a.FBits & ~b.FBits) == 0; }

 private:
  static constexpr uint64_t Bit(E e) {
    auto v = static_cast<unsigned>(e);
    return v < 64 ? uint64_t{1} << v : 0;
  }
  uint64_t FBits = 0;
};

class TFiler;

class TPersistent : public TObject {
  PF_CLASS(TPersistent)
 public:
  // Copies the state of source into this object. The default asks the source to assign
  // itself to this object and raises EConvertError ("Cannot assign a X to a Y") when neither
  // side knows how.
  virtual void Assign(TPersistent* source);

  // The name path used in messages and by designers: the owner's path and this object's name.
  virtual std::string GetNamePath();

 protected:
  TPersistent() = default;

  virtual void AssignTo(TPersistent* dest);
  // Declares the custom (non-published) values that this object stores in a form resource.
  virtual void DefineProperties(TFiler* filer) { (void)filer; }
  virtual TPersistent* GetOwner() { return nullptr; }

  friend class TFiler;
  friend class TReader;
  friend class TWriter;
};

class TCollection;

// An item of a TCollection. Item classes are created by class reference with their
// collection (PF_DEFINE_COLLECTION_ITEM gives them the factory) and stream as
// "item ... end" inside a collection value "< ... >".
class TCollectionItem : public TPersistent {
  PF_CLASS(TCollectionItem)
  PF_ALLOW_NEW;

 public:
  TCollection* Collection() const { return FCollection; }
  // Moves the item to another collection (or out of any with null).
  void SetCollection(TCollection* collection);
  int Index() const;
  void SetIndex(int index);
  int ID() const { return FID; }
  virtual std::string GetDisplayName() { return ClassName(); }
  // The collection's name path followed by "[index]".
  std::string GetNamePath() override;

 protected:
  explicit TCollectionItem(TCollection* collection);
  void Destroy() override;
  TPersistent* GetOwner() override;
  // Tells the collection that this item (or, with allItems, every item) changed.
  void Changed(bool allItems);

 private:
  TCollection* FCollection = nullptr;
  int FID = 0;
  friend class TCollection;
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// An ordered list of items of one item class, owning them.
class TCollection : public TPersistent {
  PF_CLASS(TCollection)
  PF_ALLOW_NEW;

 public:
  TClass ItemClass() const { return FItemClass; }
  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError "List index out of bounds (%d)" outside 0 .. Count - 1.
  TCollectionItem* Items(int index) const;
  // Creates a new item at the end (or at index) through the item class's factory.
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  TCollectionItem* FindItemID(int id) const;
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // Copies another collection: the items are cleared, then one item per source item is
  // added and assigned from it.
  void Assign(TPersistent* source) override;
  // The owner's name path and the name of the owner's published property that holds this
  // collection.
  std::string GetNamePath() override;

 protected:
  // itemClass must derive from TCollectionItem and have a factory.
  TCollection(TClass itemClass, TPersistent* owner = nullptr);
  void Destroy() override;
  TPersistent* GetOwner() override { return FOwner; }
  // Called after a change of one item (null: of the whole collection) once no update is
  // pending.
  virtual void Update(TCollectionItem* item) { (void)item; }
  virtual void Notify(TCollectionItem* item, TCollectionNotification action) {
    (void)item;
    (void)action;
  }
  void Changed();

 private:
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);

  TClass FItemClass = nullptr;
  TPersistent* FOwner = nullptr;
  std::vector<TCollectionItem*> FItems;
  int FUpdateCount = 0;
  int FNextID = 0;
  friend class TCollectionItem;
};

// The owner argument of a collection item factory: the collection (EConvertError else).
TCollection* AsCollection(TObject* owner);

template <class T>
TObject* CollectionItemFactory(TObject* owner) {
  return New<T>(AsCollection(owner));
}

// Defines the class information of a collection item class with its factory.
#define PF_DEFINE_COLLECTION_ITEM(Class, Parent, Describe) \
  PF_DEFINE_CLASS_EX(Class, Parent, &::platform::CollectionItemFactory<Class>, Describe)

}  // namespace platform
