#include "core/error.h"

#include "core/text.h"

namespace qx {

Error::Error(const std::u16string& message) : std::runtime_error(toUtf8(message)), message_(message) {}

}  // namespace qx
