// The base of every item and collection class: the object base with the
// class's dual interface served from its dispatch table, plus
// ISupportErrorInfo for the classes that answer it.
#ifndef QORV_SDK_DUAL_OBJECT_H_
#define QORV_SDK_DUAL_OBJECT_H_

#include <type_traits>

#include "platform/component/com_object.h"
#include "platform/component/dispatch_impl.h"
#include "platform/component/support_error_info.h"

namespace qorv::sdk {

// Whether a class answers ISupportErrorInfo (for its own interface only).
// Four classes do not: QORVLatestFile, QORVFileLink,
// QORVSubProjectsFromParentSet and QORVFilesByProjectSet.
inline constexpr bool kAnswersErrorInfo = true;
inline constexpr bool kNoErrorInfo = false;

template <class Derived, class Interface, bool kSupportsErrorInfo, class... More>
using DualObject =
    std::conditional_t<kSupportsErrorInfo,
                       platform::ComObject<Derived, platform::DispatchImpl<Interface>,
                                           platform::SupportErrorInfoFor<Interface>, More...>,
                       platform::ComObject<Derived, platform::DispatchImpl<Interface>, More...>>;

}  // namespace qorv::sdk

#endif  // QORV_SDK_DUAL_OBJECT_H_
