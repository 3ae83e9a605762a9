#include "runtime/program.h"

#include "platform/app.h"
#include "platform/messages.h"
#include "runtime/error.h"

namespace runtime {
namespace {

int& LoadedForms() {
    static int count = 0;
    return count;
}

} // namespace

void NoteFormLoaded() {
    ++LoadedForms();
}

void NoteFormUnloaded() {
    if (LoadedForms() > 0) {
        --LoadedForms();
    }
}

int LoadedFormCount() {
    return LoadedForms();
}

void DoEvents() {
    platform::PumpPendingMessages();
}

void RunMessageLoop() {
    platform::RunMessageLoop([] { return LoadedFormCount() == 0; });
}

void End() {
    throw ProgramEnd{};
}

int RunProgram(const std::function<void()>& start) {
    std::exception_ptr failure;
    try {
        start();
        RunMessageLoop();
        return 0;
    } catch (const ProgramEnd&) {
        return 0;
    } catch (...) {
        failure = std::current_exception();
    }
    // Nothing of the program acts while the error is shown.
    platform::StopCallbacks();
    try {
        std::rethrow_exception(failure);
    } catch (const Error& error) {
        platform::MessageBox(error.Message(), AppTitle());
    } catch (const std::exception& error) {
        platform::MessageBox(error.what(), AppTitle());
    } catch (...) {
        platform::MessageBox("Unexpected error", AppTitle());
    }
    return 1;
}

} // namespace runtime
