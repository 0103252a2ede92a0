// Finding and attaching to the running CAD application by its programmatic
// identifier.
#pragma once

#include <string>

#include "cad/dispatch.h"

namespace qx::cad {

enum class TargetState { NotRegistered, NotRunning, Running };

class CadConnector {
public:
    virtual ~CadConnector() = default;
    // Whether the identifier names an application of this computer, and
    // whether an instance of it is running (the running object table).
    virtual TargetState targetState(const std::u16string& progId) = 0;
    // Whether an instance of the application is running. Throws qx::Error
    // naming the identifier when it is not registered.
    virtual bool isTargetRunning(const std::u16string& progId) = 0;
    // The running application object. Throws qx::Error when the identifier
    // is not registered or no instance is running.
    virtual Dispatch attach(const std::u16string& progId) = 0;
};

}  // namespace qx::cad
