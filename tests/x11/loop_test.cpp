// The connection and its loop: timers, extra fds, sleeping between ticks, X errors recorded,
// and the end of the display ending the program cleanly.
#include "x11/x11_test.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace x11test {
namespace {

using platform::x11::Connection;
using platform::x11::EventLoop;
using Clock = std::chrono::steady_clock;

class LoopTest : public X11Test {
  protected:
    void RunFor(std::chrono::milliseconds time) {
        auto end = Clock::now() + time;
        EventLoop::Id stop = loop_->AddTimer(time, [] {});
        loop_->RunUntil([&] { return Clock::now() >= end; });
        loop_->RemoveTimer(stop);
    }
};

TEST_F(LoopTest, TimersTickAtTheirPeriodsUntilRemoved) {
    int fast = 0;
    int slow = 0;
    EventLoop::Id fastTimer = loop_->AddTimer(20ms, [&] { ++fast; });
    loop_->AddTimer(50ms, [&] { ++slow; });
    RunFor(500ms);
    // Never more than the periods allow; a loaded machine may give fewer.
    EXPECT_LE(fast, 26);
    EXPECT_GE(fast, 5);
    EXPECT_LE(slow, 11);
    EXPECT_GE(slow, 2);
    loop_->RemoveTimer(fastTimer);
    int fastAtRemoval = fast;
    RunFor(100ms);
    EXPECT_EQ(fast, fastAtRemoval);
}

TEST_F(LoopTest, MissedTicksAreNotMadeUp) {
    int ticks = 0;
    loop_->AddTimer(20ms, [&] {
        if (++ticks == 1) {
            std::this_thread::sleep_for(300ms); // a handler that holds the thread for 15 periods
        }
    });
    RunFor(400ms);
    // The first tick, then the 80 ms left give at most 5 more (and one for a late start):
    // the 15 periods missed would make 20.
    EXPECT_GE(ticks, 2);
    EXPECT_LE(ticks, 7);
}

TEST_F(LoopTest, TimersRemovedOrAddedInsideTicksAndNestedLoops) {
    int once = 0;
    EventLoop::Id self = 0;
    self = loop_->AddTimer(10ms, [&] {
        ++once;
        loop_->RemoveTimer(self);
    });
    // A modal loop inside a tick (a menu opened by a timer's handler, say) keeps the other
    // timers going and does not fire the running one again.
    int outer = 0;
    int inner = 0;
    loop_->AddTimer(30ms, [&] {
        if (++outer == 1) {
            EventLoop::Id innerTimer = loop_->AddTimer(10ms, [&] { ++inner; });
            loop_->RunUntil([&] { return inner >= 5; });
            loop_->RemoveTimer(innerTimer);
        }
    });
    RunFor(300ms);
    EXPECT_EQ(once, 1);
    EXPECT_EQ(inner, 5);
    EXPECT_GE(outer, 2);
}

TEST_F(LoopTest, SleepsInPollBetweenTicks) {
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    int ticks = 0;
    loop_->AddTimer(100ms, [&] { ++ticks; });
    RunFor(1000ms);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    auto cpu = [](const rusage& usage) {
        return std::chrono::microseconds(usage.ru_utime.tv_sec * 1000000L + usage.ru_utime.tv_usec +
                                         usage.ru_stime.tv_sec * 1000000L + usage.ru_stime.tv_usec);
    };
    EXPECT_GE(ticks, 5);
    // A busy loop would take the whole second.
    EXPECT_LT(cpu(after) - cpu(before), 100ms);
}

TEST_F(LoopTest, ExtraFdsAreServedWhileWaiting) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    std::string received;
    loop_->AddFd(pipeFds[0], POLLIN, [&](short revents) {
        char byte = 0;
        if ((revents & POLLIN) && read(pipeFds[0], &byte, 1) == 1) {
            received += byte;
        }
    });
    // Written from another thread: only the fd wakes the loop, no timer is due.
    std::thread writer([&] {
        std::this_thread::sleep_for(50ms);
        ssize_t written = write(pipeFds[1], "ab", 2);
        (void)written;
    });
    auto end = Clock::now() + 10s;
    loop_->AddTimer(10s, [] {});
    loop_->RunUntil([&] { return received.size() == 2 || Clock::now() >= end; });
    writer.join();
    EXPECT_EQ(received, "ab");
    close(pipeFds[0]);
    close(pipeFds[1]);
}

TEST_F(LoopTest, AnErrorFromAVanishedWindowIsRecordedAndTheProgramGoesOn) {
    // Another client's window, gone by the time this connection uses it.
    Window other = XCreateSimpleWindow(observer_.Get(), DefaultRootWindow(observer_.Get()), 0, 0,
                                       10, 10, 0, 0, 0);
    XSync(observer_.Get(), False);
    XDestroyWindow(observer_.Get(), other);
    XSync(observer_.Get(), False);

    XMoveWindow(connection_->Get(), other, 5, 5);
    connection_->Sync();
    std::vector<platform::x11::XErrorRecord> errors = connection_->TakeErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].errorCode, BadWindow);
    EXPECT_EQ(errors[0].requestCode, X_ConfigureWindow);
    EXPECT_EQ(errors[0].resource, other);
    EXPECT_TRUE(connection_->TakeErrors().empty());
    // The connection still works.
    EXPECT_NE(XInternAtom(connection_->Get(), "WM_NAME", True), None);
}

// A handler may take the later events of its window from the queue itself (the pet window
// keeps only the latest visibility state): the pass that dispatched the first one ends instead
// of waiting for events that are gone. What the server asked for still reaches the handler.
TEST_F(LoopTest, AHandlerThatTakesLaterEventsFromTheQueueDoesNotStallThePass) {
    Window window =
        XCreateSimpleWindow(connection_->Get(), connection_->Root(), 0, 0, 10, 10, 0, 0, 0);
    std::vector<long> seen;
    loop_->SetWindowHandler(window, [&](const XEvent& event) {
        seen.push_back(event.xclient.data.l[0]);
        XEvent later;
        while (XCheckTypedWindowEvent(connection_->Get(), window, ClientMessage, &later)) {
            seen.push_back(later.xclient.data.l[0]);
        }
    });
    for (long i = 1; i <= 3; ++i) {
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = window;
        message.xclient.message_type = connection_->Intern("JELLOP_TEST");
        message.xclient.format = 32;
        message.xclient.data.l[0] = i;
        XSendEvent(connection_->Get(), window, False, NoEventMask, &message);
    }
    connection_->Sync(); // all three are on their way back
    loop_->PumpPass();   // (a pass waiting in XNextEvent would never return)
    EXPECT_EQ(seen, (std::vector<long>{1, 2, 3}));
    loop_->SetWindowHandler(window, nullptr);
    XDestroyWindow(connection_->Get(), window);
}

// What a callback asks of the server may be kept for its turn: the turn holds while one
// callback runs, changes for the next callback and after a nested one, and is 0 outside.
TEST_F(LoopTest, ACallbackTurnLastsForOneCallback) {
    EXPECT_EQ(loop_->CallbackTurn(), 0u);
    std::vector<std::uint64_t> turns;
    int ticks = 0;
    EventLoop::Id timer = loop_->AddTimer(1ms, [&] {
        std::uint64_t mine = loop_->CallbackTurn();
        turns.push_back(mine);
        EXPECT_EQ(loop_->CallbackTurn(), mine);
        if (++ticks == 1) {
            EventLoop::Id inner = loop_->AddTimer(1ms, [] {});
            loop_->RunUntil([&] { return ticks >= 2; }); // the outer timer ticks once inside
            loop_->RemoveTimer(inner);
            EXPECT_NE(loop_->CallbackTurn(), mine);
            EXPECT_NE(loop_->CallbackTurn(), 0u);
        }
    });
    loop_->RunUntil([&] { return ticks >= 3; });
    loop_->RemoveTimer(timer);
    ASSERT_EQ(turns.size(), 3u);
    EXPECT_NE(turns[0], 0u);
    EXPECT_NE(turns[0], turns[1]);
    EXPECT_NE(turns[1], turns[2]);
    EXPECT_EQ(loop_->CallbackTurn(), 0u);
}

// A display of its own for the test, so that it can end.
struct PrivateServer {
    pid_t pid = -1;
    std::string name;
};

PrivateServer StartPrivateServer() {
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO); // its notes on the displays it found taken
        std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "64x64x24", "-nolisten",
               "tcp", "-ac", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char byte = 0;
    while (read(fds[0], &byte, 1) == 1 && byte != '\n') {
        number += byte;
    }
    close(fds[0]);
    return {pid, number.empty() ? std::string() : ":" + number};
}

// Waits for `pid` for up to `deadline`; its wait status, or -1.
int WaitFor(pid_t pid, std::chrono::seconds deadline) {
    auto end = Clock::now() + deadline;
    int status = 0;
    while (Clock::now() < end) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return status;
        }
        poll(nullptr, 0, 20);
    }
    return -1;
}

TEST(DisplayGoneTest, TheEndOfTheServerEndsTheProgramCleanly) {
    PrivateServer server = StartPrivateServer();
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    int ready[2];
    int errors[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(errors), 0);
    pid_t program = fork();
    if (program == 0) {
        dup2(errors[1], STDERR_FILENO);
        auto connection = Connection::Open(server.name);
        if (!connection) {
            _exit(3);
        }
        EventLoop loop(*connection);
        // A program at work: ticking, and talking to the server at each tick.
        loop.AddTimer(10ms, [&] { XNoOp(connection->Get()); });
        ssize_t written = write(ready[1], "r", 1);
        (void)written;
        loop.RunUntil([] { return false; });
        _exit(4);
    }
    close(ready[1]);
    close(errors[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    kill(server.pid, SIGTERM);
    int serverStatus = WaitFor(server.pid, std::chrono::seconds(30));
    int status = WaitFor(program, std::chrono::seconds(30));
    ASSERT_NE(status, -1) << "the program did not end";
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::string message(256, '\0');
    message.resize(
        static_cast<std::size_t>(std::max<ssize_t>(read(errors[0], message.data(), 256), 0)));
    EXPECT_EQ(message, "jellop: the X display went away\n");
    close(ready[0]);
    close(errors[0]);
    (void)serverStatus;
}

} // namespace
} // namespace x11test
