// The events installed for each window (SetWindowEvents), as every backend keeps them.
#pragma once

#include <map>
#include <memory>
#include <utility>

#include "gdi/handles.h"
#include "platform/messages.h"

namespace platform {

class WindowEventsTable {
  public:
    // Installs `events` for `window`, or removes the window's events when none is set.
    void Set(WindowHandle window, WindowEvents events) {
        if (events.buttonDown || events.doubleClick || events.closeRequest || events.sessionEnd) {
            table_[window] = std::make_shared<const WindowEvents>(std::move(events));
        } else {
            table_.erase(window);
        }
    }

    // The events of `window`, if it has any; shared, so that an event that removes them can
    // run to its end.
    std::shared_ptr<const WindowEvents> Find(WindowHandle window) const {
        auto found = table_.find(window);
        return found == table_.end() ? nullptr : found->second;
    }

  private:
    std::map<WindowHandle, std::shared_ptr<const WindowEvents>> table_;
};

} // namespace platform
