// Classes shared by the streaming and form tests: a form with components, sub-objects, a
// link-like object that stores custom values, a collection and a container.
#pragma once

#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/Components.h"
#include "platform/Forms.h"
#include "platform/Properties.h"
#include "platform/Streaming.h"

namespace streamtest {

using namespace platform;

enum TMode { mdFast, mdExact, mdCareful };
enum TOption { xoA, xoB, xoC };

// A sub-object with float properties.
class TThreshold : public TPersistent {
  PF_CLASS(TThreshold)
  PF_ALLOW_NEW;

 public:
  double High = 200.0;
  double Accumulator = 100.0;

 protected:
  TThreshold() = default;
};

// Stores its links as custom values, the way pins do: "Form" (the root's name) and
// "SinkPins" (a list of names, which it reads relative to the root's current name).
class TLinkPin : public TPersistent {
  PF_CLASS(TLinkPin)
  PF_ALLOW_NEW;

 public:
  TComponent* Owner = nullptr;
  std::string LoadFormName;
  std::vector<std::string> Sinks;
  std::string Source;
  bool SawLoading = false;
  std::string RootNameWhileReading;

 protected:
  explicit TLinkPin(TComponent* owner) : Owner(owner) {}
  void DefineProperties(TFiler* filer) override;
};

class TItem : public TCollectionItem {
  PF_CLASS(TItem)
  PF_ALLOW_NEW;

 public:
  std::string Caption;
  int32_t Value = 0;

 protected:
  explicit TItem(TCollection* c) : TCollectionItem(c) {}
};

class TFilter : public TComponent {
  PF_CLASS(TFilter)
  PF_ALLOW_NEW;

 public:
  TThreshold* Threshold = nullptr;
  TLinkPin* OutputPin = nullptr;
  TLinkPin* InputPin = nullptr;
  double Resolution = 2.0;
  uint32_t MinRadius = 0;
  TMode Mode = mdFast;
  TSet<TOption> Options;
  std::string Caption;
  bool Enabled = true;
  int64_t Big = 0;
  float Gain = 0;
  long double Precise = 0;
  int32_t Secret = 0;  // published, never stored
  TNotifyEvent OnDetect;
  TFilter* Peer = nullptr;
  TCollection* Items = nullptr;
  std::string Blob;  // a binary custom value

  int LoadedCalls = 0;
  bool PeerSetWhenLoaded = false;
  bool LoadingWhileRead = false;

  TThreshold* GetThreshold() const { return Threshold; }
  void SetThreshold(TThreshold* t) { Threshold->Assign(t); }
  TFilter* GetPeer() const { return Peer; }
  void SetPeer(TFilter* p);
  TCollection* GetItems() const { return Items; }

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  explicit TFilter(TComponent* owner);
  void Destroy() override;
  void DefineProperties(TFiler* filer) override;
};

// A container: nested objects in a form are its children.
class TPanel : public TComponent {
  PF_CLASS(TPanel)
  PF_ALLOW_NEW;

 public:
  TPanel* ParentPanel = nullptr;
  std::vector<TComponent*> Children;
  int32_t Width = 0;

  bool HasParent() override { return ParentPanel != nullptr; }
  TComponent* GetParentComponent() override { return ParentPanel; }
  void SetParentComponent(TComponent* parent) override;
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  explicit TPanel(TComponent* owner) : TComponent(owner) {}
  void Destroy() override;
};

class TTestForm : public TForm {
  PF_CLASS(TTestForm)
  PF_ALLOW_NEW;

 public:
  TFilter* Filter1 = nullptr;
  TFilter* Filter2 = nullptr;
  TPanel* Panel1 = nullptr;
  std::vector<std::string> Calls;

  void FormCreate(TObject* sender);
  void Detect(TObject* sender);
  void Other(TObject* sender, int value);
  void Fail(TObject* sender);  // raises EConvertError "picture missing"

  static TTestForm* Empty() { return New<TTestForm>(nullptr, TCreateNew{}); }

 protected:
  explicit TTestForm(TComponent* owner) : TForm(owner) {}
  TTestForm(TComponent* owner, TCreateNew tag) : TForm(owner, tag) {}
};

// Registers the classes above (once).
void RegisterTestClasses();

// A form text exercising every kind of value, in the writer's own layout.
extern const char* const kSampleForm;

}  // namespace streamtest
