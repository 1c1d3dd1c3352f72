// The real server over loopback: what clients receive.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "tests/server/stream_client.h"
#include "tests/server/stream_fixture.h"
#include "tests/server/type_limits.h"

namespace {

TEST_F(StreamTest, ClientsReadWholeMessagesThatKeepTheClientsRules) {
  auto server = start({"--units", "63"});
  StreamClient client(port_);
  ASSERT_TRUE(client.connected());
  std::map<int, UnitRecord> previous;
  for (int n = 0; n < 15; ++n) {
    const auto message = client.read_message(message_limit);
    ASSERT_TRUE(message) << "message " << n;
    EXPECT_EQ(snapshot_count_byte(message->bytes), 63);
    for (std::size_t i = 1; i < snapshot_records_offset; ++i) EXPECT_EQ(message->bytes[i], 0);
    std::set<int> ids;
    std::map<int, UnitRecord> current;
    for (const UnitRecord& unit : records_of(*message)) {
      EXPECT_TRUE(ids.insert(unit.id).second) << "id " << unit.id << " twice in message " << n;
      const auto limits = type_limits(unit.type);
      ASSERT_TRUE(limits) << "type " << unit.type;
      EXPECT_TRUE(unit.speed >= 0 && unit.speed >= limits->min_speed &&
                  unit.speed <= limits->max_speed)
          << "type " << unit.type << " speed " << unit.speed;
      EXPECT_TRUE(stands_on_its_terrain(map_, *limits, unit.x, unit.y))
          << "type " << unit.type << " at " << unit.x << "," << unit.y;
      const auto was = previous.find(unit.id);
      if (was != previous.end()) {
        const double moved = std::hypot(unit.x - was->second.x, unit.y - was->second.y);
        EXPECT_LE(moved, 2.0 * was->second.speed + 1e-3) << "id " << unit.id;
      }
      current[unit.id] = unit;
    }
    previous = current;
  }
}

// The server that ends its run closes each connection first, which leaves that end in
// TIME_WAIT on the server's port for a minute; a server started again at once still gets
// the port.
TEST_F(StreamTest, AServerRestartedAtOnceGetsThePortItsLastRunServed) {
  auto first = start({"--duration", "1"});
  StreamClient client(port_);
  ASSERT_TRUE(client.read_message(message_limit));
  while (client.read_message(message_limit)) continue;
  ASSERT_TRUE(client.ended()) << "the stream ends when the server's run ends";
  ASSERT_EQ(first->wait_for_exit(exit_limit), 0) << first->err();
  ChildProcess again(server_command(
      {"--port", std::to_string(port_), "--map", map_path_, "--duration", "30", "--quiet"}));
  ASSERT_TRUE(again.wait_until_listening(port_, start_limit)) << again.err();
  StreamClient late(port_);
  EXPECT_TRUE(late.read_message(message_limit));
}

}  // namespace
