// What the shared suites need from the backend they run on: the fake platform natively, real
// GDI under Wine. Each test program links exactly one implementation of this.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace backend {

struct LiveObjectCounts {
    int dcs = 0;
    int bitmaps = 0;
    int regions = 0;
    bool operator==(const LiveObjectCounts&) const = default;
};

// Puts the platform's adjustable state back to its start (the fake's screen, modules and
// message boxes); nothing on the real platform.
void Reset();

// The project's resource-only test module, opened by path for the other-module cases, and a
// path that names no loadable module.
std::string OtherModulePath();
std::string MissingModulePath();

// How many times the process holds `path` opened as a module that was not freed yet.
int OpenModuleCount(const std::string& path);

// DCs, bitmaps and regions alive now, where the backend can count them (the fake can; Wine
// reports no GDI object counts).
std::optional<LiveObjectCounts> LiveObjects();

// Calls the platform saw that the real one would refuse or that corrupt its state (a handle
// released twice, a bitmap deleted while selected, ...), where the backend records them.
std::vector<std::string> PlatformMisuses();

// A path the test program can open for a file of the source tree, e.g. "resources/frames/101.bmp".
std::string SourcePath(const std::string& relative);

} // namespace backend
