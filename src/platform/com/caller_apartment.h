// The calling thread's COM apartment, for the lifetime of a program that
// uses the SDK object: Windows' COM answers CO_E_NOTINITIALIZED to a thread
// that has not entered one. The SDK object is apartment-threaded, so the
// thread enters a single-threaded apartment. Where activation is the
// runtime's own (the registry file), there is nothing to enter.
#ifndef QORV_PLATFORM_COM_CALLER_APARTMENT_H_
#define QORV_PLATFORM_COM_CALLER_APARTMENT_H_

namespace qorv::platform {

class CallerApartment {
 public:
  CallerApartment();
  // Leaves the apartment when this object entered it.
  ~CallerApartment();
  CallerApartment(const CallerApartment&) = delete;
  CallerApartment& operator=(const CallerApartment&) = delete;

 private:
  // Unused where there is no apartment to enter.
  [[maybe_unused]] bool entered_ = false;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COM_CALLER_APARTMENT_H_
