// The main form headless over fake platform services, as the form's tests
// start it. A fixture derives from testing::Test and FakeForm; a test sets
// what else it needs on the fakes and on services() before it starts the form.
#pragma once

#include <memory>

#include "app/qdlXUnit.h"
#include "testing/platformFakes.h"

namespace qx::test {

struct FakeForm {
    fake::FakePlatform fakes;
    std::unique_ptr<VivazQDLForm> form;

    // The services over the fakes, and over `cad` when given.
    VivazQDLForm::Services services(cad::CadConnector* cad = nullptr) {
        VivazQDLForm::Services s;
        s.platform = fakes.platform();
        s.cad = cad;
        return s;
    }
    // A form made from them and created, as the program creates its own.
    static std::unique_ptr<VivazQDLForm> created(const VivazQDLForm::Services& s) {
        auto f = std::make_unique<VivazQDLForm>(s);
        f->FormCreate();
        return f;
    }
    VivazQDLForm& start(const VivazQDLForm::Services& s) {
        form = created(s);
        return *form;
    }
};

}  // namespace qx::test
