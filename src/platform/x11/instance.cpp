// Single instance on X11: one selection per name and display, owned by the first copy (see
// platform/x11/xlib/instance.h); the program's own name uses the selection of the pet's claim.
#include "platform/x11/session.h" // first: see there

#include "platform/instance.h"

#include <string>

namespace platform {

struct InstanceClaim::Impl {
    std::unique_ptr<x11::InstanceClaim> claim;
};

InstanceClaim::InstanceClaim(const std::string& name) : impl_(std::make_unique<Impl>()) {
    x11::Session& session = x11::Session::Get();
    x11::Connection& connection = session.GetConnection();
    Atom selection =
        connection.Intern("_JELLOP_" + name + "_S" + std::to_string(connection.ScreenNumber()));
    impl_->claim = x11::InstanceClaim::Claim(connection, session.Loop(), selection);
    anotherInstance_ = impl_->claim == nullptr;
}

InstanceClaim::~InstanceClaim() = default;

} // namespace platform
