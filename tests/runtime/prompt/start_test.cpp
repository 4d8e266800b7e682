// The program start and end paths, each in a child process of its own.
#include "platform/system.hpp"
#include "platform/window_hooks.hpp"
#include "runtime/prompt/prompt.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

namespace win = platform::window;

TEST(PromptStart, WithoutADisplayItSaysSoAndExitsWithAnError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            unsetenv("SDL_VIDEODRIVER");
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            // A desktop's compositor is also found under its default name in the runtime folder.
            setenv("XDG_RUNTIME_DIR", "/nonexistent", 1);
            prompt::promptStart();
            std::exit(5); // must not be reached
        },
        testing::ExitedWithCode(1), "window cannot be opened: there is no display");
}

TEST(PromptStart, AnUnusableVideoDriverIsNamed) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "nosuchdriver", 1);
            prompt::promptStart();
            std::exit(5);
        },
        testing::ExitedWithCode(1), "window cannot be opened: the video driver \"nosuchdriver\"");
}

TEST(PromptStart, ClosingTheWindowEndsTheProgramWithCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            prompt::promptStart();
            win::injectClose(false);
            for (;;) platform::sleepMs(100); // the program's own loop never ends by itself
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
