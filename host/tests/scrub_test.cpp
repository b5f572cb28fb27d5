// Drag-scrubbing: the 8 ms capture step of the event loop, over a scripted pointer.
#include <gtest/gtest.h>

#include "event_loop.h"
#include "fake_ui.h"

namespace {

class Scrub : public testing::Test {
protected:
  void tick() { loop_.on_event({RT_EVENT_TIMER, 0, kTimerScrubCursor}); }
  void move_to(int x, int y) { ui_.pointer_x = x, ui_.pointer_y = y; }
  // The deltas handed to the page since the last call, read from the scripts.
  std::vector<int> deltas() {
    std::vector<int> out;
    for (const std::string& script : ui_.scripts) {
      const size_t open = script.rfind("+ (");
      EXPECT_TRUE(script.starts_with("window._scrubDelta = ") && open != std::string::npos) << script;
      out.push_back(std::stoi(script.substr(open + 3)));
    }
    ui_.scripts.clear();
    return out;
  }
  bool timer_running() const { return ui_.timers.contains(kTimerScrubCursor); }

  FakeUi ui_;
  HostLoop loop_{ui_, "1", "1"};
};

}  // namespace

TEST_F(Scrub, HorizontalMovementReachesThePageAndThePointerReturnsAfterFortyPixels) {
  move_to(500, 300);
  loop_.start_scrub();
  EXPECT_EQ(ui_.timers.at(kTimerScrubCursor), 8);
  tick();                                   // the capture starts where the pointer is now
  EXPECT_TRUE(ui_.cursor_hidden);
  EXPECT_TRUE(deltas().empty());

  const struct {
    int x, y;
    std::vector<int> deltas;
    bool warped;
  } steps[] = {
      {530, 300, {30}, false},
      {530, 300, {}, false},                 // no movement, no script
      {520, 300, {-10}, false},
      {560, 300, {40}, true},                // 60 from the origin: back to it
      {500, 300, {}, false},                 // the warp is not movement
      {500, 305, {}, false},                 // vertical movement is never reported
      {500, 360, {}, true},                  // ... but still brings the pointer back
      {441, 300, {-59}, true},
  };
  for (const auto& step : steps) {
    const size_t warps = ui_.warps.size();
    move_to(step.x, step.y);
    tick();
    EXPECT_EQ(deltas(), step.deltas) << step.x << "," << step.y;
    EXPECT_EQ(ui_.warps.size() > warps, step.warped) << step.x << "," << step.y;
    if (step.warped) {
      EXPECT_EQ(ui_.warps.back(), std::make_pair(500, 300));
    }
  }

  loop_.end_scrub();
  move_to(600, 300);
  tick();                                   // ending: the cursor comes back, the timer stops
  EXPECT_TRUE(deltas().empty());
  EXPECT_FALSE(ui_.cursor_hidden);
  EXPECT_FALSE(timer_running());
  EXPECT_EQ(ui_.cursor_hides, 1);
}

TEST_F(Scrub, ASecondStartTakesANewOriginWithoutHidingTwice) {
  move_to(100, 100);
  loop_.start_scrub();
  tick();
  move_to(900, 700);
  loop_.start_scrub();
  tick();
  move_to(930, 700);
  tick();
  EXPECT_EQ(deltas(), std::vector<int>{30});
  move_to(950, 700);
  tick();
  EXPECT_EQ(ui_.warps.back(), std::make_pair(900, 700));
  EXPECT_EQ(ui_.cursor_hides, 1);
}

TEST_F(Scrub, EndingBeforeTheFirstTickNeverHidesTheCursor) {
  loop_.start_scrub();
  loop_.end_scrub();
  tick();
  EXPECT_FALSE(timer_running());
  EXPECT_EQ(ui_.cursor_hides, 0);
  EXPECT_TRUE(ui_.scripts.empty());
}

TEST_F(Scrub, APointerThatCannotBeReadEndsTheCaptureButNeverStrandsAHiddenCursor) {
  ui_.pointer_readable = false;
  loop_.start_scrub();
  tick();
  EXPECT_FALSE(timer_running());
  EXPECT_EQ(ui_.cursor_hides, 0);

  ui_.pointer_readable = true;
  loop_.start_scrub();
  tick();
  ASSERT_TRUE(ui_.cursor_hidden);
  ui_.pointer_readable = false;
  tick();                                   // a failed read mid-capture: nothing this tick
  EXPECT_TRUE(timer_running());
  loop_.start_scrub();
  tick();                                   // a restart that cannot read the pointer...
  EXPECT_TRUE(ui_.cursor_hidden);
  tick();                                   // ...still shows the cursor at the next tick
  EXPECT_FALSE(ui_.cursor_hidden);
  EXPECT_FALSE(timer_running());
}

TEST_F(Scrub, ACaptureEndsAtTheFirstTickWithNoButtonHeldEvenWhenTheEndMessageIsLost) {
  move_to(300, 200);
  loop_.start_scrub();
  tick();
  ASSERT_TRUE(ui_.cursor_hidden);
  move_to(320, 200);
  tick();
  EXPECT_EQ(deltas(), std::vector<int>{20});

  ui_.button_down = false;                  // released where the page never heard of it
  move_to(380, 200);
  tick();                                   // this tick ends the capture and shows the cursor at once
  EXPECT_TRUE(deltas().empty());
  EXPECT_FALSE(ui_.cursor_hidden);
  EXPECT_FALSE(timer_running());
  const size_t warps = ui_.warps.size();
  move_to(500, 200);
  tick();
  EXPECT_TRUE(deltas().empty());
  EXPECT_EQ(ui_.warps.size(), warps);       // the pointer is free

  loop_.start_scrub();                      // a start with no button held never hides the cursor
  tick();
  EXPECT_FALSE(ui_.cursor_hidden);
  EXPECT_FALSE(timer_running());
  EXPECT_EQ(ui_.cursor_hides, 1);
}
