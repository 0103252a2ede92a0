// A width mapping of the project's own, for builds without LCMapStringW and
// for native tests: ASCII and the full-width forms, the space and U+3000,
// katakana (voiced and semi-voiced letters combined or split), the corner
// brackets and the half-width punctuation U+FF61..U+FF65.
#pragma once

#include "platform/platform.h"

namespace qx {

class PortableWidthMap : public WidthMap {
public:
    std::u16string toHalfWidth(const std::u16string& s) override;
    std::u16string toFullWidth(const std::u16string& s) override;
};

}  // namespace qx
