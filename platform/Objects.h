// The root object, class information and the two-phase life cycle.
//
// Objects are made by New<T>(args...), which constructs and then calls AfterConstruction on
// the whole object, and freed by Free(), which calls BeforeDestruction, then the virtual
// teardown chain Destroy() (each class runs its own steps, then calls its base's Destroy),
// then deletes. Virtual calls made from Destroy or AfterConstruction reach the most-derived
// override, which plain C++ constructors and destructors would not do. C++ destructors only
// release memory and are not public.
//
// Every class declares its class information with PF_CLASS inside its body and defines it
// with PF_DEFINE_CLASS (or PF_DEFINE_CLASS_FACTORY for a class that can be created by class
// reference) in its source file.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace platform {

class TObject;
class TClassInfo;
class TPropertyTable;  // published properties, see platform/Properties.h
class TMethodTable;    // published methods, see platform/Properties.h

// A class reference.
using TClass = const TClassInfo*;

// The virtual constructor of a class: makes a new, fully constructed object (New<T>
// semantics, AfterConstruction included). The owner is handed to classes whose constructor
// takes one (components), and ignored by the others.
using TClassFactory = TObject* (*)(TObject* owner);

class TClassInfo {
 public:
  constexpr TClassInfo(const char* name, const TClassInfo* parent, TClassFactory factory,
                       void (*describe)(TClassInfo&) = nullptr)
      : FName(name), FParent(parent), FFactory(factory), FDescribe(describe) {}

  const char* ClassName() const { return FName; }
  TClass ClassParent() const { return FParent; }
  TClassFactory Factory() const { return FFactory; }

  bool InheritsFrom(TClass ancestor) const;
  bool InheritsFrom(std::string_view ancestorName) const;  // case-insensitive, as class names are

  // Makes an object of this class through its factory; null when the class has none.
  TObject* Create(TObject* owner = nullptr) const { return FFactory ? FFactory(owner) : nullptr; }

  // Published properties and methods, declared by the class itself (ancestors' come first in
  // the full views built by platform/Properties.h). Filled on first use by the class's
  // describe function; null until then or when the class publishes nothing.
  void (*DescribeFunction() const)(TClassInfo&) { return FDescribe; }
  mutable TPropertyTable* OwnProperties = nullptr;
  mutable TMethodTable* OwnMethods = nullptr;

 private:
  const char* FName;
  const TClassInfo* FParent;
  TClassFactory FFactory;
  void (*FDescribe)(TClassInfo&);
};

class TObject {
 public:
  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassType() const { return StaticClass(); }

  const char* ClassName() const { return ClassType().ClassName(); }
  TClass ClassParent() const { return ClassType().ClassParent(); }
  bool InheritsFrom(TClass ancestor) const { return ClassType().InheritsFrom(ancestor); }
  bool InheritsFrom(std::string_view name) const { return ClassType().InheritsFrom(name); }

  virtual void AfterConstruction() {}
  virtual void BeforeDestruction() {}

  // Frees the object (null-safe when called through FreeAndNil or Free(ptr)).
  void Free();

  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

 protected:
  TObject() = default;
  virtual ~TObject() = default;

  // The teardown chain: overrides do their own work, then call the base's Destroy.
  virtual void Destroy() {}
};

// Makes an object the two-phase way: construct, then AfterConstruction.
template <class T, class... Args>
T* New(Args&&... args) {
  T* object = new T(std::forward<Args>(args)...);
  try {
    object->AfterConstruction();
  } catch (...) {
    // A failed construction tears down what was built, as the class library does.
    object->Free();
    throw;
  }
  return object;
}

inline void Free(TObject* object) {
  if (object) object->Free();
}

template <class T>
void FreeAndNil(T*& object) {
  T* o = object;
  object = nullptr;
  if (o) o->Free();
}

// The global class registry used by form reading and class lookups by name.
void RegisterClass(TClass cls);
void UnRegisterClass(TClass cls);
TClass FindClass(std::string_view name);  // null when not registered

// Lets New<T> and the factories reach protected constructors of classes that befriend it.
#define PF_ALLOW_NEW                                                      \
  template <class PfT, class... PfArgs>                                   \
  friend PfT* ::platform::New(PfArgs&&... args)

// Declares the class information inside a class body.
#define PF_CLASS(Class)                                                    \
 public:                                                                   \
  static const ::platform::TClassInfo& StaticClass();                      \
  const ::platform::TClassInfo& ClassType() const override { return StaticClass(); } \
                                                                           \
 private:

// Defines the class information of a class that cannot be created by class reference.
#define PF_DEFINE_CLASS(Class, Parent)                                     \
  const ::platform::TClassInfo& Class::StaticClass() {                     \
    static const ::platform::TClassInfo info(#Class, &Parent::StaticClass(), nullptr); \
    return info;                                                           \
  }

// Defines the class information with a factory (a TClassFactory) and an optional describe
// function that publishes the class's properties and methods.
#define PF_DEFINE_CLASS_EX(Class, Parent, Factory, Describe)               \
  const ::platform::TClassInfo& Class::StaticClass() {                     \
    static const ::platform::TClassInfo info(#Class, &Parent::StaticClass(), Factory, Describe); \
    return info;                                                           \
  }

}  // namespace platform
