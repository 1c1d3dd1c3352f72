#include "view/controls.h"

#include <cstring>
#include <initializer_list>

#include "game_fixture.h"
#include "surfaces.h"
#include "units/shot.h"
#include "units/unit.h"
#include "view/draw_frame.h"
#include "view/input_seam.h"
#include "view/player.h"

using test_support::record;

namespace {

// What the test holds down, read by the controls through the input seam.
Uint8 held_keys[SDLK_LAST];
int pointer_x = 0;
int pointer_y = 0;
Uint8 held_buttons = 0;

Uint8* read_keys(int*) { return held_keys; }
Uint8 read_mouse(int* x, int* y) {
  *x = pointer_x;
  *y = pointer_y;
  return held_buttons;
}

class ControlsTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    std::memset(held_keys, 0, sizeof held_keys);
    held_buttons = 0;
    pointer_x = pointer_y = 0;
    input_seam.key_state = read_keys;
    input_seam.mouse_state = read_mouse;
  }
  void TearDown() override {
    input_seam = InputSeam{};
    GameTest::TearDown();
  }

  // Runs one frame's input with exactly these keys held.
  void frame(std::initializer_list<SDLKey> keys) {
    std::memset(held_keys, 0, sizeof held_keys);
    for (SDLKey key : keys) held_keys[key] = 1;
    handle_input(player);
  }

  // Three tanks at rest; the player holds none yet.
  void add_three_units() {
    for (int16_t id = 1; id <= 3; ++id)
      world.units.push_back(new Unit(record(id, 1, 100.0f * id, 100)));
  }

  Unit* unit(int position) { return world.units[static_cast<std::size_t>(position)]; }

  Player player;
};

TEST_F(ControlsTest, LaterSteeringKeysOverrideEarlierOnesAndReleaseClearsThem) {
  add_three_units();
  player.select_unit(0);
  frame({SDLK_a, SDLK_d});
  EXPECT_EQ(unit(0)->turn, 1) << "d is read after a";
  EXPECT_EQ(unit(0)->throttle, 0);
  frame({SDLK_a});
  EXPECT_EQ(unit(0)->turn, -1);
  frame({SDLK_w, SDLK_s});
  EXPECT_EQ(unit(0)->throttle, -1);
  EXPECT_EQ(unit(0)->turn, 0);
  frame({SDLK_w, SDLK_s, SDLK_q});
  EXPECT_EQ(unit(0)->throttle, -2) << "q overrides w and s";
  frame({SDLK_w, SDLK_d, SDLK_x, SDLK_SPACE});
  EXPECT_EQ(unit(0)->throttle, 1);
  EXPECT_EQ(unit(0)->turn, 1);
  frame({});
  EXPECT_EQ(unit(0)->throttle, 0);
  EXPECT_EQ(unit(0)->turn, 0);
}

TEST_F(ControlsTest, EscapeLetsGoBeforeTheNumberKeysAreRead) {
  add_three_units();
  player.select_unit(0);
  frame({SDLK_w});
  held_buttons = SDL_BUTTON(SDL_BUTTON_LEFT);
  test_support::now += 1000;
  frame({SDLK_ESCAPE, SDLK_s});
  EXPECT_EQ(player.unit, nullptr);
  EXPECT_EQ(unit(0)->throttle, 1) << "steering does nothing once Escape let go";
  EXPECT_TRUE(world.shots.empty()) << "and neither does firing";

  player.select_unit(0);
  frame({SDLK_ESCAPE, SDLK_1, SDLK_d});
  EXPECT_EQ(player.unit, unit(1));
  EXPECT_EQ(unit(0)->turn, 0) << "the unit let go by Escape was not steered";
  EXPECT_EQ(unit(1)->turn, 0) << "the unit picked by 1 is steered from the next frame";
  ASSERT_EQ(world.shots.size(), 1u) << "the unit picked by 1 fires in the same frame";
  EXPECT_EQ(world.shots[0]->start.x, 200);
}

TEST_F(ControlsTest, NumberKeysPickByListPositionAndTheLastHeldDecides) {
  add_three_units();
  frame({SDLK_2});
  EXPECT_EQ(player.unit, unit(2)) << "number keys work without a unit";
  frame({SDLK_5});
  EXPECT_EQ(player.unit, nullptr) << "no unit at 5";
  frame({SDLK_0});
  EXPECT_EQ(player.unit, unit(0));
  frame({SDLK_0, SDLK_5});
  EXPECT_EQ(player.unit, nullptr) << "5 is read after 0";
  frame({SDLK_2, SDLK_1});
  EXPECT_EQ(player.unit, unit(2)) << "the higher key is read last";
  frame({SDLK_1});
  frame({SDLK_6, SDLK_KP1});
  EXPECT_EQ(player.unit, unit(1)) << "6 and the keypad are not selection keys";
}

TEST_F(ControlsTest, WithoutAUnitSteeringAndFiringDoNothing) {
  add_three_units();
  held_buttons = SDL_BUTTON(SDL_BUTTON_LEFT) | SDL_BUTTON(SDL_BUTTON_RIGHT);
  test_support::now += 1000;
  frame({SDLK_w, SDLK_a});
  EXPECT_EQ(player.unit, nullptr);
  for (Unit* each : world.units) {
    EXPECT_EQ(each->throttle, 0);
    EXPECT_EQ(each->turn, 0);
  }
  EXPECT_TRUE(world.shots.empty());
}

TEST_F(ControlsTest, ASwitchedAwayUnitKeepsItsLastCommands) {
  add_three_units();
  player.select_unit(0);
  frame({SDLK_w, SDLK_a});
  frame({SDLK_w, SDLK_a, SDLK_1});
  EXPECT_EQ(player.unit, unit(1));
  EXPECT_EQ(unit(1)->throttle, 0) << "steered only from the next frame";
  frame({SDLK_w});
  EXPECT_EQ(unit(1)->throttle, 1);
  frame({});
  EXPECT_EQ(unit(1)->throttle, 0);
  EXPECT_EQ(unit(0)->throttle, 1) << "nothing clears the unit left behind";
  EXPECT_EQ(unit(0)->turn, -1);

  // And its motion goes on applying them.
  SDL_Surface* map = test_support::make_map(640, 480, 0x808000);
  const int16_t heading = unit(0)->heading;
  test_support::now += 50;
  unit(0)->step(map);
  EXPECT_GT(unit(0)->speed, 0);
  EXPECT_NE(unit(0)->heading, heading);
  SDL_FreeSurface(map);
}

TEST_F(ControlsTest, FiringAimsThroughThePreviousFramesView) {
  world.units.push_back(new Unit(record(1, 1, 500, 400)));
  SDL_Surface* map = test_support::make_map(1000, 800, 0x808000);
  player.select_unit(0);
  draw_frame(map, player);
  ASSERT_EQ(player.view.x, 180);
  ASSERT_EQ(player.view.y, 160);
  // The unit moves on, but the view is placed again only by the next drawing.
  unit(0)->pos = SDL_Rect{520, 420, 0, 0};

  pointer_x = 10;
  pointer_y = 20;
  held_buttons = SDL_BUTTON(SDL_BUTTON_LEFT) | SDL_BUTTON(SDL_BUTTON_MIDDLE);
  test_support::now += 500;
  frame({});
  ASSERT_EQ(world.shots.size(), 1u) << "the middle button fires nothing";
  EXPECT_EQ(world.shots[0]->target.x, 190);
  EXPECT_EQ(world.shots[0]->target.y, 180);
  EXPECT_EQ(world.shots[0]->start.x, 520);
  SDL_FreeSurface(map);
}

TEST_F(ControlsTest, BothButtonsFireBothWeaponsEachOnItsOwnReload) {
  world.units.push_back(new Unit(record(1, 1, 300, 200)));
  frame({SDLK_0});
  unit(0)->reload[1] = 300;
  pointer_x = 40;
  pointer_y = 50;
  held_buttons = SDL_BUTTON(SDL_BUTTON_LEFT) | SDL_BUTTON(SDL_BUTTON_RIGHT);

  test_support::now += 500;
  frame({});
  EXPECT_EQ(world.shots.size(), 2u) << "both weapons in one frame";
  test_support::now += 300;
  frame({});
  EXPECT_EQ(world.shots.size(), 3u) << "only weapon 1 has reloaded";
  test_support::now += 200;
  frame({});
  EXPECT_EQ(world.shots.size(), 4u) << "only weapon 0 has reloaded";
  test_support::now += 100;
  frame({});
  ASSERT_EQ(world.shots.size(), 5u) << "weapon 1 again, 300 ms after its last shot";
  for (Shot* shot : world.shots) {
    EXPECT_EQ(shot->target.x, 40);
    EXPECT_EQ(shot->target.y, 50);
  }
}

}  // namespace
