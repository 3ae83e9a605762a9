// Whether another copy of this program runs anywhere on the machine (every session, every
// user), through a named kernel object that lives as long as any copy holds it.
#pragma once

#include <memory>
#include <string>

namespace platform {

class InstanceClaim {
  public:
    // Claims `name` for this process. The claim lasts until the object is destroyed (at the
    // latest, when the process ends).
    explicit InstanceClaim(const std::string& name);
    InstanceClaim(const InstanceClaim&) = delete;
    InstanceClaim& operator=(const InstanceClaim&) = delete;
    ~InstanceClaim();

    // True when another process held the name already: this one is a second copy.
    bool AnotherInstanceRunning() const { return anotherInstance_; }

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
    bool anotherInstance_ = false;
};

} // namespace platform
