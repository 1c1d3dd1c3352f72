// The real client against a server that sends whatever hurts: in every case it keeps
// drawing frames, goes on reading where the stream still makes sense, and ends with
// "Goodbye!" and status 0 when the user quits.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>

#include "child_process.h"
#include "client_watch.h"
#include "damaged_picture.h"
#include "listening_peer.h"
#include "scratch_folder.h"
#include "snapshot_stream.h"
#include "test_files.h"

using namespace std::chrono_literals;
using namespace test_support;

namespace {

constexpr int16_t airplane = 2;
const std::string new_entity = "New entity added!\n";

// Each test starts the client on the dummy driver and takes its connection.
class HostileServer : public ::testing::Test {
 protected:
  void SetUp() override {
    peer = std::make_unique<ListeningPeer>(ListenOptions{client_port});
    client = std::make_unique<ChildProcess>(std::vector<std::string>{build_dir() + "/quorvale"},
                                            std::vector<std::string>{"SDL_VIDEODRIVER=dummy"},
                                            source_dir());
    ASSERT_TRUE(client->wait_for_stdout("Main game has begun!\n", 20s)) << client->err();
    ASSERT_TRUE(peer->accept_client(20s)) << "the client never connected";
  }

  // Sends a marker and waits until the client has applied it: everything before it is read.
  void send_marker_and_wait(int16_t id, uint8_t count_byte = snapshot_max_records) {
    const std::size_t seen = markers_in(client->out());
    ASSERT_TRUE(peer->send(marker_message(id, count_byte)));
    ASSERT_TRUE(shows_markers(*client, seen + 1, 30s)) << "no marker after count " << +count_byte;
  }

  // Ten more frames must come within ten seconds, however loaded the machine.
  void expect_frames_go_on() { EXPECT_TRUE(keeps_drawing(*client, 10, 10s)) << client->err(); }

  std::unique_ptr<ChildProcess> client;
  std::unique_ptr<ListeningPeer> peer;
};

// A record whose every field may be absurd.
UnitRecord record(float x, float y, int heading, int speed, int type, int id) {
  return UnitRecord{x,
                    y,
                    static_cast<int16_t>(heading),
                    static_cast<int16_t>(speed),
                    static_cast<int16_t>(type),
                    static_cast<int16_t>(id)};
}

}  // namespace

TEST_F(HostileServer, GarbageBytesNeitherStopTheFramesNorTheReading) {
  const std::string garbage = garbage_bytes(128 * snapshot_message_size, 20240601);
  // Message by message, with frames between, so nearly every one is applied and drawn.
  for (std::size_t at = 0; at < garbage.size(); at += snapshot_message_size) {
    ASSERT_TRUE(peer->send(garbage.substr(at, snapshot_message_size)));
    ASSERT_TRUE(keeps_drawing(*client, 2, 10s)) << "message " << at / snapshot_message_size;
  }
  send_marker_and_wait(30001);
  expect_frames_go_on();
  expect_clean_end(*client);
}

TEST_F(HostileServer, MessagesCutAtEveryOffsetAreReadWhole) {
  // Bytes the client must not read are '?' (63): read out of step, they would list units.
  const std::string message =
      snapshot_message(1, {record(200, 200, 0, 0, airplane, 7)}, static_cast<unsigned char>('?'));
  std::string stream;
  for (std::size_t i = 0; i < snapshot_message_size; ++i) stream += message;
  // Pieces of 1023 bytes end one byte earlier in each message: at every offset once.
  ASSERT_TRUE(peer->send_in_pieces(stream, snapshot_message_size - 1, 1ms));
  // Unit 7 is listed before the marker replaces it, whenever the client reads.
  ASSERT_TRUE(has_read_all_sent(*client, peer->client_side_port(), 30s));
  ASSERT_TRUE(keeps_drawing(*client, 5, 10s));
  send_marker_and_wait(9);
  expect_frames_go_on();
  expect_clean_end(*client);
  EXPECT_EQ(client->out(), whole_run_output(new_entity + new_entity + marker_output(1)));
}

TEST_F(HostileServer, CountsOf64To127TakeThe63RecordsThatFitAndNegativeCountsEmptyTheList) {
  for (int count = 64; count <= 127; ++count) send_marker_and_wait(11, static_cast<uint8_t>(count));
  std::string expected = new_entity + marker_output(64);

  // Records that a wrongly read negative count would apply: unit 11 kept where it stands.
  const std::vector<UnitRecord> unit_11(63, record(100, 100, 0, 0, airplane, 11));
  for (int count = -128; count <= -1; ++count)
    ASSERT_TRUE(peer->send(snapshot_message(static_cast<uint8_t>(count), unit_11)));
  for (int count : {-128, -127, -64, -2, -1}) {
    ASSERT_TRUE(peer->send(snapshot_message(static_cast<uint8_t>(count), unit_11)));
    // Let frames take the empty snapshot before the marker can replace it: counted from
    // when the client has read it, since frames go on while its network thread waits.
    ASSERT_TRUE(has_read_all_sent(*client, peer->client_side_port(), 30s));
    ASSERT_TRUE(keeps_drawing(*client, 5, 10s));
    send_marker_and_wait(11);
    expect_frames_go_on();
    expected += new_entity + marker_output(1);
  }
  expect_clean_end(*client);
  EXPECT_EQ(client->out(), whole_run_output(expected));
}

TEST_F(HostileServer, NonFiniteAndHugePositionsAndSpeedsAreMovedAndDrawn) {
  const float inf = std::numeric_limits<float>::infinity();
  const float positions[] = {std::nanf(""), inf,   -inf,   FLT_MAX,  -FLT_MAX,  1e10f,
                             -1e10f,        -0.0f, 1e-45f, 32767.5f, -32768.5f, 4e9f};
  const int speeds[] = {INT16_MIN, INT16_MAX, -1, 0, 1000};
  const int headings[] = {INT16_MIN, INT16_MAX, 360, -1, 720, 90};
  for (int round = 0; round < 12; ++round) {
    std::vector<UnitRecord> records;
    for (int i = 0; i < snapshot_max_records; ++i) {
      const int k = i + round * 7;
      records.push_back(record(positions[k % 12], positions[(k / 3) % 12], headings[k % 6],
                               speeds[(k / 2) % 5], k % 9 - 1, i));
    }
    ASSERT_TRUE(peer->send(snapshot_message(snapshot_max_records, records)));
    // Each round is stepped and drawn for a few frames before the next replaces it.
    ASSERT_TRUE(keeps_drawing(*client, 4, 10s)) << "round " << round << "\n" << client->err();
  }
  send_marker_and_wait(20000);
  expect_frames_go_on();
  expect_clean_end(*client);
}

TEST_F(HostileServer, ExtremeIdsAndTypesMakeOneUnitPerId) {
  const int ids[] = {INT16_MIN, INT16_MIN + 1, -2, -1, 0, 1, INT16_MAX - 1, INT16_MAX};
  const int types[] = {INT16_MIN, -2, -1, 0, 3, 7, 8, INT16_MAX};
  for (int round = 0; round < 2; ++round) {
    std::vector<UnitRecord> records;
    for (int i = 0; i < snapshot_max_records; ++i)
      records.push_back(
          record(300, 300 + 8 * (i % 8), 0, 0, types[(i / 8 + round) % 8], ids[i % 8]));
    ASSERT_TRUE(peer->send(snapshot_message(snapshot_max_records, records)));
    ASSERT_TRUE(has_read_all_sent(*client, peer->client_side_port(), 30s));
    ASSERT_TRUE(keeps_drawing(*client, 5, 10s));
  }
  send_marker_and_wait(12345);
  expect_frames_go_on();
  expect_clean_end(*client);
  std::string expected;
  for (int i = 0; i < 9; ++i) expected += new_entity;
  EXPECT_EQ(client->out(), whole_run_output(expected + marker_output(1)));
}

TEST_F(HostileServer, ABurstOfThousandsOfMessagesIsReadToTheEnd) {
  std::string burst;
  for (int k = 0; k < 5000; ++k) {
    std::vector<UnitRecord> records;
    // Seven units leave and seven join with every message.
    for (int i = 0; i < snapshot_max_records; ++i) {
      const int id = (k * 7 + i) % 300;
      records.push_back(record(50.0f + id, 50.0f + id, (k * 5) % 360, 3, id % 9 - 1, id));
    }
    burst += snapshot_message(snapshot_max_records, records);
  }
  ASSERT_TRUE(peer->send(burst));
  send_marker_and_wait(30002);
  expect_frames_go_on();
  expect_clean_end(*client);
}

TEST_F(HostileServer, OneBytePerSecondNeitherStallsTheFramesNorTheQuit) {
  const std::string marker = marker_message(13);
  for (int byte = 0; byte < 3; ++byte) {
    ASSERT_TRUE(peer->send(marker.substr(byte, 1)));
    const long before = main_thread_waits(client->pid());
    collect_output(*client, 1s);
    EXPECT_GE(main_thread_waits(client->pid()) - before, 10) << "frames stalled at byte " << byte;
  }
  // The rest at once: the slow start did not put the stream out of step.
  ASSERT_TRUE(peer->send(marker.substr(3)));
  ASSERT_TRUE(shows_markers(*client, 1, 30s));
  // And a quit while a message is half-way in ends the game at once.
  ASSERT_TRUE(peer->send(marker.substr(0, 2)));
  expect_frames_go_on();
  expect_clean_end(*client);
  EXPECT_EQ(client->out(), whole_run_output(new_entity + marker_output(1)));
}

TEST_F(HostileServer, AResetInTheMiddleOfAMessageDropsThatMessageOnly) {
  // One whole message and 476 bytes of the next, as a crashing server leaves it.
  ASSERT_TRUE(peer->send(marker_message(14) + marker_message(15).substr(0, 476)));
  ASSERT_TRUE(shows_markers(*client, 1, 30s));
  peer->reset_connection();
  expect_frames_go_on();
  EXPECT_FALSE(peer->connection_waiting()) << "the client tried to connect again";
  expect_clean_end(*client);
  EXPECT_EQ(client->out(), whole_run_output(new_entity + marker_output(1)));
}

TEST_F(HostileServer, AServerThatAcceptsAndClosesAtOnceLeavesTheMapRunning) {
  peer->close_connection();
  expect_frames_go_on();
  EXPECT_FALSE(peer->connection_waiting()) << "the client tried to connect again";
  expect_clean_end(*client);
  EXPECT_EQ(client->out(), whole_run_output(""));
}

TEST_F(HostileServer, AServerThatAcceptsAndResetsAtOnceLeavesTheMapRunning) {
  peer->reset_connection();
  expect_frames_go_on();
  expect_clean_end(*client);
  EXPECT_EQ(client->out(), whole_run_output(""));
}

TEST(HostilePictures, ADamagedUnitPictureIsToldInOneLineAndTheGameGoesOn) {
  ScratchFolder game;
  std::filesystem::copy(source_dir() + "/gfx", game.file("gfx"));
  ASSERT_TRUE(write_file(game.file("gfx/tank.png"), png_with_an_overlong_chunk()));
  ListeningPeer peer(ListenOptions{client_port});
  ChildProcess client({build_dir() + "/quorvale"}, {"SDL_VIDEODRIVER=dummy"}, game.path());
  ASSERT_TRUE(peer.accept_client(20s)) << "the client never connected";
  constexpr int16_t tank = 1;
  ASSERT_TRUE(peer.send(
      snapshot_message(2, {record(300, 200, 0, 0, tank, 1), record(340, 200, 0, 0, airplane, 2)})));
  // The reader that ignored its short reads froze the game here, at the first tank.
  ASSERT_TRUE(client.wait_for_stderr("drawing a plain marker instead\n", 20s)) << client.err();
  EXPECT_EQ(lines_of(client.err()).size(), 1u) << client.err();
  EXPECT_NE(client.err().find("gfx/tank.png is damaged (chunk bKGD at byte 33"), std::string::npos)
      << client.err();
  EXPECT_TRUE(keeps_drawing(client, 10, 10s)) << client.err();
  EXPECT_EQ(lines_in(client.out(), "New entity added!"), 2u) << client.out();
  expect_clean_end(client);
}
