// A KsProperty that the driver holds beyond the bound ends the caller's wait with
// ERROR_TIMEOUT, and the late answer never reaches the caller's buffer.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "device/dshow/bounded_ks_property.h"

namespace kavrin::dshow {
namespace {

// An IKsControl whose KsProperty fills the buffer with 0xAB once `release` is signalled.
class HeldControl : public IKsControl {
 public:
  HeldControl() : release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  virtual ~HeldControl() { CloseHandle(release_); }
  void Answer() { SetEvent(release_); }
  LONG References() const { return references_; }

  STDMETHODIMP QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  STDMETHODIMP_(ULONG) Release() override {
    return static_cast<ULONG>(InterlockedDecrement(&references_));
  }
  STDMETHODIMP KsProperty(PKSPROPERTY, ULONG, LPVOID data, ULONG length, ULONG* returned) override {
    WaitForSingleObject(release_, INFINITE);
    if (data != nullptr) std::fill_n(static_cast<uint8_t*>(data), length, 0xAB);
    if (returned != nullptr) *returned = length;
    return S_OK;
  }
  STDMETHODIMP KsMethod(PKSMETHOD, ULONG, LPVOID, ULONG, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP KsEvent(PKSEVENT, ULONG, LPVOID, ULONG, ULONG*) override { return E_NOTIMPL; }

 private:
  HANDLE release_;
  LONG references_ = 1;
};

TEST(BoundedKsPropertyTest, AnAnswerWithinTheBoundIsCopiedBack) {
  HeldControl control;
  control.Answer();
  std::vector<uint8_t> data(64, 0);
  EXPECT_EQ(
      BoundedKsProperty(&control, KSP_NODE{}, data.data(), 64, nullptr, std::chrono::seconds(30)),
      S_OK);
  EXPECT_EQ(data, std::vector<uint8_t>(64, 0xAB));
  EXPECT_EQ(control.References(), 1);
}

TEST(BoundedKsPropertyTest, ACallHeldBeyondTheBoundTimesOutAndItsLateAnswerIsDropped) {
  HeldControl control;
  std::vector<uint8_t> data(64, 0x11);
  EXPECT_EQ(BoundedKsProperty(&control, KSP_NODE{}, data.data(), 64, nullptr,
                              std::chrono::milliseconds(50)),
            HRESULT_FROM_WIN32(ERROR_TIMEOUT));
  control.Answer();
  // The helper ends and lets go of the control; the caller's buffer stays as it was.
  for (int i = 0; i < 200 && control.References() != 1; ++i) Sleep(10);
  EXPECT_EQ(control.References(), 1);
  EXPECT_EQ(data, std::vector<uint8_t>(64, 0x11));
}

}  // namespace
}  // namespace kavrin::dshow
