// A sample drawing of samples/ loaded into an in-memory drawing, for tests
// built with QX_SAMPLES.
#pragma once

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "core/text.h"
#include "tools/cad-standin/drawingFile.h"

namespace qx::test {

inline std::unique_ptr<cad::MemDrawing> loadSample(const char* name) {
    std::ifstream in(std::string(QX_SAMPLES) + "/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return cad::loadDrawing(fromUtf8(bytes.str()));
}

}  // namespace qx::test
