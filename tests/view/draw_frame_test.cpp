#include "view/draw_frame.h"

#include <algorithm>
#include <vector>

#include "game_fixture.h"
#include "surfaces.h"
#include "units/shot.h"
#include "units/unit.h"
#include "view/player.h"

using namespace view_test;

namespace {

constexpr Uint32 green = 0x00FF00;
constexpr Uint32 white = 0xFFFFFF;
constexpr Uint32 blue = 0x0000FF;
constexpr Uint32 red = 0xFF0000;
constexpr Uint32 grey = 0x404040;

// A 5 x 5 green picture with a white centre, to find where a unit's centre lands.
SDL_Surface* marker_picture() {
  SDL_Surface* picture = make_picture(5, 5, green);
  paint(picture, 2, 2, 1, 1, white);
  return picture;
}

class DrawFrameTest : public GameTest {
 protected:
  void TearDown() override {
    for (SDL_Surface* map : maps) SDL_FreeSurface(map);
    GameTest::TearDown();
  }
  SDL_Surface* coded_map(int w, int h) { return maps.emplace_back(make_coded_map(w, h)); }
  SDL_Surface* plain_map(Uint32 colour) {
    return maps.emplace_back(make_picture(640, 480, colour));
  }
  std::vector<SDL_Surface*> maps;
};

TEST_F(DrawFrameTest, WithoutAUnitTheViewShowsTheMapsTopLeftCorner) {
  SDL_Surface* map = coded_map(1000, 800);
  Unit* unit = add_unit(1, 500, 400, 0, marker_picture());
  Player player;
  draw_frame(map, player);
  EXPECT_EQ(screen_colour(500, 400), white) << "units still show at their map position";

  // Held, the unit moves the view; let go, the view returns to the corner.
  unit->pos.x = 900;
  player.select_unit(0);
  draw_frame(map, player);
  ASSERT_EQ(player.view.x, 360);
  player.select_unit(-1);
  draw_frame(map, player);
  EXPECT_EQ(player.view.x, 0);
  EXPECT_EQ(player.view.y, 0);
  EXPECT_EQ(player.view.w, 640);
  EXPECT_EQ(player.view.h, 480);
  for (auto [x, y] : {std::pair{0, 0}, {639, 0}, {0, 479}, {639, 479}, {500, 400}})
    EXPECT_EQ(screen_colour(x, y), map_colour(x, y)) << x << "," << y;
}

TEST_F(DrawFrameTest, TheViewCentresTheUnitButStaysInsideTheMap) {
  struct Case {
    int map_w, map_h;
    int16_t unit_x, unit_y;
    int16_t view_x, view_y;
  };
  const Case cases[] = {
      {1000, 800, 100, 50, 0, 0},
      {1000, 800, 990, 790, 360, 320},
      {1000, 800, 500, 400, 180, 160},
      {640, 480, 0, 0, 0, 0},
      {640, 480, 320, 240, 0, 0},
      {640, 480, 639, 479, 0, 0},
      {600, 480, 100, 240, 0, 0},
      // Narrower than the screen: past the upper bound the lower one is not tested again.
      {600, 480, 400, 240, -40, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.map_w << "x" << c.map_h << " map, unit at " << c.unit_x << "," << c.unit_y);
    SDL_Surface* map = coded_map(c.map_w, c.map_h);
    add_unit(1, c.unit_x, c.unit_y, 0, marker_picture());
    Player player;
    player.select_unit(0);
    draw_frame(map, player);

    EXPECT_EQ(player.view.x, c.view_x);
    EXPECT_EQ(player.view.y, c.view_y);
    EXPECT_EQ(player.view.w, 640);
    EXPECT_EQ(player.view.h, 480);
    EXPECT_EQ(screen_colour(c.unit_x - c.view_x, c.unit_y - c.view_y), white)
        << "the unit's centre is drawn at its map position less the view";
    // Near the corners of the map's visible part, each point where the view puts it.
    const int left = (c.view_x < 0 ? -c.view_x : 0) + 20;
    const int right = std::min(639, c.map_w - 1 - c.view_x) - 20;
    for (auto [x, y] : {std::pair{left, 20}, {right, 20}, {left, 459}, {right, 459}})
      EXPECT_EQ(screen_colour(x, y), map_colour(x + c.view_x, y + c.view_y)) << x << "," << y;
    world.clear();
  }
}

TEST_F(DrawFrameTest, CopiesAndShotsAreCentredWithTruncatedHalves) {
  SDL_Surface* map = plain_map(grey);
  add_unit(1, 100, 50, 0, make_picture(31, 9, blue));
  // Partly off the screen's left edge: clipped, not skipped.
  add_unit(2, -10, 300, 0, make_picture(31, 9, green));
  world.shots.push_back(new Shot(projectile, 5, 0, 200, 100, 300, 100));
  Player player;
  draw_frame(map, player);

  // 31 wide: the copy starts 15 pixels left of the unit; 9 high: 4 above.
  EXPECT_EQ(screen_colour(84, 50), grey);
  EXPECT_EQ(screen_colour(85, 50), blue);
  EXPECT_EQ(screen_colour(115, 50), blue);
  EXPECT_EQ(screen_colour(116, 50), grey);
  EXPECT_EQ(screen_colour(100, 45), grey);
  EXPECT_EQ(screen_colour(100, 46), blue);
  EXPECT_EQ(screen_colour(100, 54), blue);
  EXPECT_EQ(screen_colour(100, 55), grey);

  EXPECT_EQ(screen_colour(0, 300), green);
  EXPECT_EQ(screen_colour(5, 300), green);
  EXPECT_EQ(screen_colour(6, 300), grey);

  // The 2 x 2 shot: one pixel left of and above its position.
  for (auto [x, y] : {std::pair{199, 99}, {200, 99}, {199, 100}, {200, 100}})
    EXPECT_EQ(screen_colour(x, y), red) << x << "," << y;
  for (auto [x, y] : {std::pair{198, 99}, {201, 100}, {199, 98}, {200, 101}})
    EXPECT_EQ(screen_colour(x, y), grey) << x << "," << y;
}

TEST_F(DrawFrameTest, LaterUnitsCoverEarlierOnesAndShotsCoverEveryUnit) {
  SDL_Surface* map = plain_map(grey);
  Unit* first = add_unit(1, 100, 100, 0, make_picture(11, 11, blue));
  Unit* second = add_unit(2, 104, 100, 0, make_picture(11, 11, green));
  Player player;
  draw_frame(map, player);
  EXPECT_EQ(screen_colour(102, 100), green);

  world.units = {second, first};
  draw_frame(map, player);
  EXPECT_EQ(screen_colour(102, 100), blue) << "list order, not anything else, decides";

  // A shot made before the units were listed still lies over them.
  world.shots.push_back(new Shot(projectile, 5, 0, 103, 103, 300, 100));
  // A shot without a picture shows as a small orange square.
  Shot* bare = new Shot(projectile, 5, 0, 97, 97, 300, 100);
  SDL_FreeSurface(bare->image);
  bare->image = nullptr;
  world.shots.push_back(bare);
  draw_frame(map, player);
  EXPECT_EQ(screen_colour(103, 103), red);
  EXPECT_EQ(screen_colour(102, 102), red);
  EXPECT_EQ(screen_colour(97, 97), 0xFFA000);
  EXPECT_EQ(screen_colour(104, 100), blue) << "the rest of the units stays as it was";
}

TEST_F(DrawFrameTest, AUnitWithoutAPictureIsStillDrawn) {
  SDL_Surface* map = plain_map(grey);
  Unit* unit = add_unit(1, 100, 100, 45, nullptr);
  add_unit(2, 200, 100, 0, make_picture(5, 5, blue));
  Player player;
  player.select_unit(0);
  draw_frame(map, player);
  EXPECT_NE(screen_colour(100, 100), grey) << "something marks the unit";
  EXPECT_EQ(screen_colour(200, 100), blue) << "and the units after it are drawn";
  EXPECT_EQ(unit->image, nullptr);
}

TEST_F(DrawFrameTest, APictureTooLargeToTurnIsDrawnUnturned) {
  SDL_Surface* map = plain_map(grey);
  // Turned by 5 degrees this is wider than any surface SDL makes, so no copy comes back.
  SDL_Surface* wide = SDL_CreateRGBSurface(SDL_SWSURFACE, 16383, 2000, 8, 0, 0, 0, 0);
  ASSERT_NE(wide, nullptr);
  SDL_Color colours[2] = {{255, 0, 255, 0}, {0, 0, 255, 0}};
  SDL_SetColors(wide, colours, 0, 2);
  SDL_FillRect(wide, nullptr, 1);
  add_unit(1, 100, 100, 5, wide);
  add_unit(2, 300, 300, 5, make_picture(5, 5, green));
  Player player;
  draw_frame(map, player);
  EXPECT_EQ(screen_colour(100, 100), blue);
  EXPECT_EQ(screen_colour(300, 300), green) << "the units after it are drawn";
}

// The colours of the 31 x 31 square of screen centred on (320, 240).
std::vector<Uint32> around_centre() {
  std::vector<Uint32> square;
  for (int dy = -15; dy <= 15; ++dy)
    for (int dx = -15; dx <= 15; ++dx) square.push_back(screen_colour(320 + dx, 240 + dy));
  return square;
}

TEST_F(DrawFrameTest, HeadingNinetyTurnsThePictureAQuarterCounterClockwise) {
  SDL_Surface* map = plain_map(grey);
  // Magenta ground, a red nose at the top and a blue block at the bottom left.
  SDL_Surface* picture = make_picture(15, 15, magenta);
  paint(picture, 6, 0, 3, 7, red);
  paint(picture, 1, 10, 4, 4, blue);
  Unit* unit = add_unit(1, 320, 240, 0, picture);
  Player player;
  draw_frame(map, player);
  const std::vector<Uint32> upright = around_centre();
  unit->heading = 90;
  draw_frame(map, player);
  const std::vector<Uint32> turned = around_centre();

  auto at = [](const std::vector<Uint32>& square, int dx, int dy) {
    return square[(dy + 15) * 31 + dx + 15];
  };
  // A quarter turn counter-clockwise on the screen takes (dx, dy) to (dy, -dx); the
  // turned copy may be one pixel smaller, so allow its centre to shift by one.
  int best_mismatches = 31 * 31;
  for (int shift_x = -1; shift_x <= 1; ++shift_x)
    for (int shift_y = -1; shift_y <= 1; ++shift_y) {
      int mismatches = 0;
      for (int dy = -8; dy <= 8; ++dy)
        for (int dx = -8; dx <= 8; ++dx)
          if (at(upright, dx, dy) != at(turned, dy + shift_x, -dx + shift_y)) ++mismatches;
      best_mismatches = std::min(best_mismatches, mismatches);
    }
  EXPECT_EQ(best_mismatches, 0);
  EXPECT_EQ(at(turned, -5, 0), red) << "the nose points left";
  EXPECT_EQ(at(turned, 5, 5), blue) << "the bottom-left block is at the bottom right";
  EXPECT_EQ(at(turned, 0, -5), grey);
}

}  // namespace
