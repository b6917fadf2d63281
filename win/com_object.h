// COM in the program: the apartment of its window's thread, and a COM object written here (its
// reference count, and the one place where such an object is made and where it goes: it lives on
// the heap from Make until its last reference is released).
#pragma once

#include <windows.h>
#include <objbase.h>
#include <unknwn.h>

#include <atomic>
#include <memory>
#include <utility>

#include "win/handles.h"

namespace qb::win {

// COM on this thread, in a single-threaded apartment, for as long as the owner lives: the
// window's thread hands out the toolbar's accessible object through COM.
class ComApartment {
  public:
    ComApartment() : joined_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (joined_) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool joined_;
};

// Derived implements Interface (and the interfaces it derives from) and names them in
// `static bool Answers(REFIID iid)`; IUnknown is answered here.
template <typename Derived, typename Interface>
class ComObject : public Interface {
  public:
    // The object with its first reference, held by the owner returned.
    template <typename... Args>
    static ComRef<Interface> Make(Args&&... args) {
        auto object = std::make_unique<Derived>(std::forward<Args>(args)...);
        // From here the reference count owns the object (see Release).
        return ComRef<Interface>(object.release());
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, __uuidof(IUnknown)) || Derived::Answers(iid)) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            // The last reference: the object goes, as Make's owner would have let it go.
            std::unique_ptr<Derived> last(static_cast<Derived*>(this));
        }
        return left;
    }

  protected:
    ComObject() = default;
    ~ComObject() = default;

  public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

  private:
    std::atomic<ULONG> references_{1};
};

}  // namespace qb::win
