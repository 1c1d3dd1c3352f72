// Values no sane server sends, applied and then moved: defined results, no crash.

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/world.h"
#include "game_fixture.h"
#include "net/apply_snapshot.h"
#include "units/terrain.h"
#include "units/unit.h"
#include "units/unit_types.h"

using test_support::record;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

namespace {

const float nan_value = std::numeric_limits<float>::quiet_NaN();
const float infinity = std::numeric_limits<float>::infinity();

// A hostile position and the whole-pixel position a unit there is drawn at.
struct HostilePosition {
  float value;
  int16_t pixel;
};

const HostilePosition positions[] = {
    {nan_value, 0},
    {-nan_value, 0},
    {infinity, INT16_MAX},
    {-infinity, INT16_MIN},
    {1e30f, INT16_MAX},
    {-1e30f, INT16_MIN},
    {3e9f, INT16_MAX},
    {-3e9f, INT16_MIN},
    {std::numeric_limits<float>::max(), INT16_MAX},
    {std::numeric_limits<float>::denorm_min(), 0},
    {40000.5f, INT16_MAX},
    {-40000.5f, INT16_MIN},
    {-32768.75f, INT16_MIN},
    {32767.75f, INT16_MAX},
};
constexpr int position_count = sizeof positions / sizeof positions[0];

const int16_t extremes[] = {INT16_MAX, INT16_MIN, -1, 0};

bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every hostile position as x, each with a different y, extreme fields throughout.
std::vector<UnitRecord> hostile_records(int shift) {
  std::vector<UnitRecord> records;
  for (int i = 0; i < position_count; ++i) {
    const int16_t id = i == 0 ? INT16_MIN : i == 1 ? INT16_MAX : static_cast<int16_t>(i);
    records.push_back(record(id, extremes[i % 4], positions[(i + shift) % position_count].value,
                             positions[(i + shift + 1) % position_count].value,
                             extremes[(i + 1) % 4], extremes[(i + 2) % 4]));
  }
  return records;
}

int lines_in(const std::string& text, const std::string& line) {
  int n = 0;
  for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
  return n;
}

}  // namespace

using HostileValues = GameTest;

TEST_F(HostileValues, ExtremeRecordsAreTakenAsTheyComeAndStepped) {
  const std::vector<UnitRecord> created = hostile_records(0);
  CaptureStdout();
  apply_snapshot(created.data(), position_count);
  EXPECT_EQ(lines_in(GetCapturedStdout(), "New entity added!\n"), position_count);
  ASSERT_EQ(world.units.size(), static_cast<std::size_t>(position_count));
  for (int i = 0; i < position_count; ++i) {
    const Unit& unit = *world.units[i];
    EXPECT_TRUE(same_bits(unit.x, created[i].x)) << i;
    EXPECT_EQ(unit.pos.x, positions[i].pixel) << i;
    EXPECT_EQ(unit.pos.y, positions[(i + 1) % position_count].pixel) << i;
    EXPECT_EQ(unit.speed, created[i].speed) << "sign-extended, " << i;
  }

  // The same ids moved between hostile positions: the check runs on every pair.
  const std::vector<UnitRecord> moved = hostile_records(5);
  CaptureStdout();
  apply_snapshot(moved.data(), position_count);
  EXPECT_EQ(lines_in(GetCapturedStdout(), "New entity added!\n"), 0);
  ASSERT_EQ(world.units.size(), static_cast<std::size_t>(position_count));
  for (int i = 0; i < position_count; ++i) {
    EXPECT_TRUE(same_bits(world.units[i]->x, moved[i].x)) << i;
    EXPECT_TRUE(same_bits(world.units[i]->y, moved[i].y)) << i;
  }

  // Every unit steered every way it can be, over land and beyond the map's edge.
  SDL_Surface* map = test_support::make_map(64, 64, land_pixel);
  for (int step = 0; step < 4; ++step) {
    test_support::now += 50;
    for (std::size_t i = 0; i < world.units.size(); ++i) {
      Unit& unit = *world.units[i];
      unit.throttle = static_cast<int32_t>((i + step) % 4) - 2;
      unit.turn = static_cast<int32_t>((i + step) % 3) - 1;
      unit.step(map);
    }
  }
  SDL_FreeSurface(map);
  for (int i = 0; i < position_count; ++i) {
    const Unit& unit = *world.units[i];
    const float x = moved[i].x;
    // A position that is no number, or no finite one, stays what it was; one far beyond
    // the map stays drawn at the map's end.
    if (std::isnan(x)) {
      EXPECT_TRUE(std::isnan(unit.x)) << i;
    } else if (std::isinf(x)) {
      EXPECT_EQ(unit.x, x) << i;
    }
    if (!(std::fabs(x) < 3e9f)) {
      EXPECT_EQ(unit.pos.x, positions[(i + 5) % position_count].pixel) << i;
    }
  }
}

TEST_F(HostileValues, JumpCheckHasADefinedOutcomeBeyondThe32BitRange) {
  struct Jump {
    const char* what;
    float from, to;
    int16_t speed;
    bool reported;
  };
  const Jump jumps[] = {
      {"NaN to NaN is no move", nan_value, nan_value, 0, false},
      {"NaN counts as 0", nan_value, 100.0f, 0, true},
      {"infinity to infinity is no move", infinity, infinity, 0, false},
      {"-infinity to infinity is far beyond any speed", -infinity, infinity, INT16_MAX, true},
      {"-1e30 to 1e30 likewise", -1e30f, 1e30f, INT16_MAX, true},
      {"both beyond the 32-bit range, at the same end", 3e9f, 1e30f, 0, false},
      {"a 65534-pixel jump at the fastest speed", -32767.0f, 32767.0f, INT16_MAX, false},
  };
  for (const Jump& j : jumps) {
    world.clear();
    const UnitRecord before[] = {record(1, commander, j.from, 0, 0, j.speed)};
    const UnitRecord after[] = {record(1, commander, j.to, 0, 0, j.speed)};
    apply_snapshot(before, 1);
    CaptureStdout();
    apply_snapshot(after, 1);
    EXPECT_EQ(GetCapturedStdout(), j.reported ? "HAXXOR DETEKTED!\n" : "") << j.what;
  }
}
