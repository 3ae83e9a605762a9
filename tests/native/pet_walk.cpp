// The walk after the pointer (Timer1) on the fake platform, tick by tick in virtual time.
#include "pet_fixture.h"

#include <cmath>

#include "runtime/random.h"

namespace {

using testing_support::kMoveSoundPath;

class PetWalk : public testing_support::PetTest {
  protected:
    void SetUp() override {
        PetTest::SetUp();
        platform::fake::SetCursorPos(446, 338); // on the centre of frame 101 at (428, 320)
        Start();
    }

    // One walk tick.
    void Tick() { platform::fake::RunFor(100); }

    // Ticks with the pointer on the window's centre each time: the pet bounces without a step.
    void TicksInPlace(int count) {
        for (int i = 0; i < count; ++i) {
            platform::fake::SetCursorPos(PetRect().left + PetRect().Width() / 2, 338);
            Tick();
        }
    }
};

TEST_F(PetWalk, ThePointerOnTheCentreKeepsThePetBouncingInPlace) {
    std::vector<std::int16_t> frames;
    std::vector<std::size_t> plays;
    for (int i = 0; i < 9; ++i) {
        Tick();
        frames.push_back(Pet().CurrentFrame);
        plays.push_back(Plays(kMoveSoundPath));
        EXPECT_EQ(PetRect().left, 428);
        EXPECT_EQ(PetRect().top, 320);
        EXPECT_EQ(Pet().StepX, 0);
        EXPECT_EQ(Pet().StepY, 0);
    }
    EXPECT_EQ(frames, (std::vector<std::int16_t>{102, 103, 104, 101, 102, 103, 104, 101, 102}));
    // The move sound starts on the second frame of every cycle only, every 400 ms.
    EXPECT_EQ(plays, (std::vector<std::size_t>{1, 1, 1, 1, 2, 2, 2, 2, 3}));
    // The window takes each frame's size with its top-left corner fixed.
    EXPECT_EQ(PetRect(), (platform::PixelRect{428, 320, 467, 357})); // 102: 39 x 37
}

TEST_F(PetWalk, TheFirstTickShowsFrame102AndStartsThePannedMoveSound) {
    Tick();
    EXPECT_EQ(Pet().CurrentFrame, 102);
    auto pans = SoundCalls(kMoveSoundPath, platform::fake::SoundCall::SetPan);
    ASSERT_EQ(pans.size(), 1u);
    // Left edge 6420 twips on a 19200-twip screen: (6420 - 9600) / 19200 * 10000.
    EXPECT_EQ(pans[0].value, -1656);
    auto positions = SoundCalls(kMoveSoundPath, platform::fake::SoundCall::SetCurrentPosition);
    ASSERT_EQ(positions.size(), 1u);
    EXPECT_EQ(positions[0].value, 0) << "rewound before it plays";
    auto plays = SoundCalls(kMoveSoundPath, platform::fake::SoundCall::Play);
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_EQ(plays[0].value, 0) << "played once, not looping";
}

TEST_F(PetWalk, ThePointerFarToTheLowerLeftWalksSeries101Diagonally) {
    platform::fake::SetCursorPos(10, 1000);
    for (int i = 1; i <= 8; ++i) {
        Tick();
        EXPECT_EQ(Pet().SeriesBase, 101);
        EXPECT_EQ(Pet().CurrentFrame, 101 + i % 4);
        EXPECT_EQ(PetRect().left, 428 - 3 * i);
        EXPECT_EQ(PetRect().top, 320 + 3 * i);
    }
    EXPECT_EQ(Pet().Left(), 6420 - 8 * 45);
}

TEST_F(PetWalk, EachDiagonalPicksItsSeriesAndAStraightStepKeepsIt) {
    struct Case {
        int x, y;
        std::int16_t series;
    };
    for (Case c : {Case{2000, 1000, 111}, Case{0, 0, 121}, Case{2000, 0, 131}, Case{0, 1000, 101},
                   Case{2000, -1, 101}}) {
        // -1 stands for "level with the centre".
        int y = c.y < 0 ? PetRect().top + PetRect().Height() / 2 : c.y;
        platform::fake::SetCursorPos(c.x, y);
        Tick();
        EXPECT_EQ(Pet().SeriesBase, c.series) << c.x << ", " << c.y;
    }
}

TEST_F(PetWalk, SixPixelsRightAndTwoDownStepsRightOnly) {
    PointerFromCentre(6.5, 2.0); // 37 x 36: centre at x + 18.5, y + 18
    Tick();
    EXPECT_EQ(Pet().StepX, 1);
    EXPECT_EQ(Pet().StepY, 0);
    EXPECT_EQ(PetRect().left, 431);
    EXPECT_EQ(PetRect().top, 320);
    EXPECT_EQ(Pet().SeriesBase, 101);
}

TEST_F(PetWalk, HalfPixelDistancesRoundToEven) {
    // Frame 101 is 37 pixels wide: its centre is at 428 + 18.5 = 446.5.
    platform::fake::SetCursorPos(451, 338); // 4.5 right: rounds to 4, no step
    Tick();
    EXPECT_EQ(Pet().StepX, 0);
    EXPECT_EQ(PetRect().left, 428);

    // Frame 102 (39 wide) is on screen now: the centre is at 428 + 19.5 = 447.5.
    // Three more ticks (103, 104, 101) take it back to 101 without a step.
    TicksInPlace(3);
    ASSERT_EQ(Pet().CurrentFrame, 101);
    ASSERT_EQ(PetRect().left, 428);
    platform::fake::SetCursorPos(452, 338); // 5.5 right: rounds to 6, a step
    Tick();
    EXPECT_EQ(Pet().StepX, 1);
    EXPECT_EQ(PetRect().left, 431);

    TicksInPlace(3);
    ASSERT_EQ(Pet().CurrentFrame, 101);
    platform::fake::SetCursorPos(PetRect().left + 14, 338); // 4.5 left: rounds to -4, no step
    Tick();
    EXPECT_EQ(Pet().StepX, 0);
    EXPECT_EQ(PetRect().left, 431);
}

TEST_F(PetWalk, AChangeOfSeriesKeepsThePositionInTheCycle) {
    platform::fake::SetCursorPos(0, 1000);
    Tick();
    ASSERT_EQ(Pet().CurrentFrame, 102);
    platform::fake::SetCursorPos(2000, 0);
    Tick();
    EXPECT_EQ(Pet().CurrentFrame, 133);
    EXPECT_EQ(Pet().SeriesBase, 131);
}

TEST_F(PetWalk, TheWrapFrom104StartsNoSoundAndTheTickAfterDoes) {
    Tick();
    Tick();
    Tick();
    ASSERT_EQ(Pet().CurrentFrame, 104);
    std::size_t plays = Plays(kMoveSoundPath);
    Tick();
    EXPECT_EQ(Pet().CurrentFrame, 101);
    EXPECT_EQ(Plays(kMoveSoundPath), plays);
    Tick();
    EXPECT_EQ(Pet().CurrentFrame, 102);
    EXPECT_EQ(Plays(kMoveSoundPath), plays + 1);
}

TEST_F(PetWalk, NothingHoldsThePetOnTheScreen) {
    platform::fake::SetCursorPos(0, 0);
    for (int i = 0; i < 200; ++i) {
        Tick();
    }
    // It stops once the pointer is within 5 pixels of its centre, half off the screen.
    EXPECT_LT(PetRect().left, 0);
    EXPECT_LT(PetRect().top, 0);
    EXPECT_EQ(Pet().StepX, 0);
    EXPECT_EQ(Pet().StepY, 0);
}

TEST_F(PetWalk, APanOutOfRangeIsIgnoredAndTheSoundStillPlays) {
    // Left edge beyond one and a half screen widths: a pan above 10000, which the buffer
    // refuses.
    Pet().Move(1.6f * 19200, Pet().Top());
    platform::fake::SetCursorPos(PetRect().left + 18, PetRect().top + 18);
    Tick();
    auto pans = SoundCalls(kMoveSoundPath, platform::fake::SoundCall::SetPan);
    ASSERT_EQ(pans.size(), 1u);
    EXPECT_EQ(pans[0].value, 11000);
    EXPECT_EQ(pans[0].result, platform::SoundResult::InvalidValue);
    EXPECT_EQ(Plays(kMoveSoundPath), 1u);
    EXPECT_EQ(Pet().CurrentFrame, 102);
}

TEST_F(PetWalk, APanHalfwayBetweenTwoValuesRoundsToEven) {
    // On a 1600-pixel screen (24000 twips) these left edges give pans ending in exactly .5.
    platform::fake::SetScreen(1600, 1200, 96, 96);
    for (auto [left, pan] : {std::pair{834, 212}, {1078, 1738}, {206, -3712}, {194, -3788}}) {
        Pet().Move(static_cast<float>(left) * 15, Pet().Top());
        EXPECT_EQ(Pet().SoundPan(), pan) << "left edge at pixel " << left;
    }
}

TEST_F(PetWalk, TheRandomStopIsDrawnOnEveryTickEvenWithSoundsOff) {
    pet::SoundsEnabled = pet::kFalse;
    // The same unseeded sequence the program draws from, one draw per tick.
    runtime::RandomGenerator replica;
    int expectedStops = 0;
    for (int i = 0; i < 600; ++i) {
        if (std::floor(replica.Next() * 55) == 22) {
            ++expectedStops;
        }
        Tick();
    }
    ASSERT_GT(expectedStops, 0) << "600 draws give some stops";
    EXPECT_EQ(SoundCalls(kMoveSoundPath, platform::fake::SoundCall::Stop).size(),
              static_cast<std::size_t>(expectedStops));
    EXPECT_EQ(Plays(kMoveSoundPath), 0u);
}

TEST_F(PetWalk, AFailedPointerReadKeepsHeadingForTheLastPosition) {
    platform::fake::SetCursorPos(0, 1000);
    Tick();
    platform::fake::SetCursorPosUnavailable(true);
    Tick();
    EXPECT_EQ(Pet().StepX, -1);
    EXPECT_EQ(Pet().StepY, 1);
    platform::fake::SetCursorPosUnavailable(false);
}

} // namespace
