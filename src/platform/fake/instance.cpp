// Fake single-instance names: one table for the whole (simulated) machine.
#include "platform/instance.h"

#include <map>

#include "platform/fake/fake_instance.h"

namespace platform {
namespace {

std::map<std::string, int>& Claims() {
    static std::map<std::string, int> claims;
    return claims;
}

} // namespace

struct InstanceClaim::Impl {
    std::string name;
};

InstanceClaim::InstanceClaim(const std::string& name) : impl_(std::make_unique<Impl>(Impl{name})) {
    anotherInstance_ = Claims()[name]++ > 0;
}

InstanceClaim::~InstanceClaim() {
    auto found = Claims().find(impl_->name);
    if (found != Claims().end() && --found->second == 0) {
        Claims().erase(found);
    }
}

namespace fake {

int InstanceClaimCount(const std::string& name) {
    auto found = Claims().find(name);
    return found == Claims().end() ? 0 : found->second;
}

} // namespace fake
} // namespace platform
