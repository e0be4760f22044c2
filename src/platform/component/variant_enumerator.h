// IEnumVARIANT over a snapshot of VARIANTs, as collections hand out through
// _NewEnum. The snapshot holds its own copies (and interface references), so
// the enumerator and its clones stay valid after the collection is released
// and do not see later changes to it.
#ifndef QORV_PLATFORM_COMPONENT_VARIANT_ENUMERATOR_H_
#define QORV_PLATFORM_COMPONENT_VARIANT_ENUMERATOR_H_

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "platform/component/com_object.h"
#include "qorvsdk/comtypes.h"

namespace qorv::platform {

class VariantEnumerator final : public ComObject<VariantEnumerator, IEnumVARIANT> {
 public:
  // Copies `items` (VariantCopy each) into a new enumerator and returns its
  // IUnknown with one reference.
  static HRESULT Create(std::span<const VARIANT> items, IUnknown** enumerator);

  // Copies up to `count` items into `items` (which need not be initialised)
  // and advances; S_FALSE when fewer than `count` remained. `fetched` may be
  // null only when `count` is 1.
  HRESULT Next(ULONG count, VARIANT* items, ULONG* fetched) override;
  // S_FALSE when fewer than `count` items remained.
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  // A new enumerator over the same snapshot, at the same position.
  HRESULT Clone(IEnumVARIANT** copy) override;

 private:
  // The copies, freed when the last enumerator sharing them goes.
  struct Snapshot {
    Snapshot() = default;
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    ~Snapshot();
    std::vector<VARIANT> items;
  };

  std::shared_ptr<const Snapshot> snapshot_;
  size_t position_ = 0;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COMPONENT_VARIANT_ENUMERATOR_H_
