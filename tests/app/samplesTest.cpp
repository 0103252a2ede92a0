// The sample drawings load and come out of a Get as the tables they draw.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/qdlXUnit.h"
#include "core/text.h"
#include "testing/fakeForm.h"
#include "testing/platformFakes.h"
#include "tools/cad-standin/drawingFile.h"

using namespace qx;

namespace {

struct Sample {
    const char* file;
    int cols, rows;  // grid size, header row and column included
    int texts;
};

class Samples : public testing::TestWithParam<Sample> {};

}  // namespace

TEST_P(Samples, GetBuildsTheTable) {
    std::ifstream in(std::string(QX_SAMPLES) + "/" + GetParam().file, std::ios::binary);
    ASSERT_TRUE(in) << GetParam().file;
    std::stringstream bytes;
    bytes << in.rdbuf();
    auto drawing = cad::loadDrawing(fromUtf8(bytes.str()));
    drawing->pickAll();
    cad::MemConnector connector;
    connector.registerProgId(kDefaultProgID, drawing->application());
    test::FakeForm app;
    VivazQDLForm& form = app.start(app.services(&connector));
    form.Button1Click();
    EXPECT_EQ(form.StringGrid1.ColCount(), GetParam().cols);
    EXPECT_EQ(form.StringGrid1.RowCount(), GetParam().rows);
    std::size_t shown = 0;
    for (int r = 1; r < form.table.RowCount(); ++r)
        for (int c = 1; c < form.table.ColCount(); ++c)
            shown += form.table.ids(c, r).size();
    EXPECT_EQ(static_cast<int>(shown), GetParam().texts);  // every text found a cell
}

INSTANTIATE_TEST_SUITE_P(All, Samples,
                         testing::Values(Sample{"partsList.txt", 13, 31, 257}, Sample{"titleBlock.txt", 5, 5, 15},
                                         Sample{"titleBlockMerged.txt", 8, 6, 20},
                                         Sample{"titleBlockStacked.txt", 7, 5, 33},
                                         Sample{"partsListStacked.txt", 6, 10, 49},
                                         Sample{"table100x100.txt", 101, 101, 10000}));
