// Reference counting as in COM for the layer's objects: each is made holding one
// reference and destroys itself when Release drops the last.
#pragma once

#include <atomic>

#include "platform/win32/types.h"

namespace layer {

// Interface declares AddRef, Release and a virtual destructor.
template <class Interface>
class RefCounted : public Interface {
 public:
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::atomic<ULONG> references_{1};
};

}  // namespace layer
