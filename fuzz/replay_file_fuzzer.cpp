/*
 * Fuzz target: any file handed to the server's --replay, read as the server reads it.
 *
 * The bytes are written to a file of the scratch folder and opened with ReplaySource.
 * A file that is not a whole number of 1024-byte messages must be refused with one
 * line; any other must come back message by message, byte for byte, starting over
 * after the last, and what --record writes of it must be the file again.
 */
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/fuzz_checks.h"
#include "fuzz/scratch_folder.h"
#include "server/message_recorder.h"
#include "server/replay_source.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  keep_findings_in_start_folder(argc, argv);
  make_scratch_folder("replay_file_fuzzer");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InScratchFolder in_scratch;
  write_scratch_file("replay.rec", std::string(reinterpret_cast<const char*>(data), size));
  std::string error;
  const std::unique_ptr<ReplaySource> source = ReplaySource::open("replay.rec", error);
  const bool whole_messages = size > 0 && size % snapshot_message_size == 0;
  if (!source) {
    require(!whole_messages, "a file of whole messages is served");
    require(is_one_line(error) && error.find("replay.rec") != std::string::npos,
            "a refused file is named in one line");
    return 0;
  }
  require(whole_messages, "only a file of whole messages is served");
  const std::unique_ptr<MessageRecorder> recorder = MessageRecorder::create("recorded.rec", error);
  require(recorder != nullptr, "the recording can be made");
  const std::size_t messages = size / snapshot_message_size;
  // Twice through and one more: the second round starts over from the first message.
  for (std::size_t n = 0; n < 2 * messages + 1; ++n) {
    SnapshotMessage message;
    require(source->next(message, error), "an unchanged file keeps being served");
    const uint8_t* expected = data + (n % messages) * snapshot_message_size;
    require(std::memcmp(message.bytes, expected, snapshot_message_size) == 0,
            "messages come back byte for byte, in order");
    if (n < messages) require(recorder->write(message, error), "the recording takes it");
  }
  require(recorder->close(error), "the recording closes");
  std::ifstream recorded("recorded.rec", std::ios::binary);
  const std::string again((std::istreambuf_iterator<char>(recorded)),
                          std::istreambuf_iterator<char>());
  require(again.size() == size && std::memcmp(again.data(), data, size) == 0,
          "recording what was replayed gives the file again");
  return 0;
}
