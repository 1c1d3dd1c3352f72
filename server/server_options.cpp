#include "server/server_options.h"

#include <boost/asio/ip/address.hpp>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

#include "net/snapshot_format.h"
#include "units/picture.h"
#include "units/terrain.h"

namespace {

constexpr double min_rate_hz = 1.0;
constexpr double max_rate_hz = 100.0;
constexpr double max_duration_seconds = 1e7;

// Reads a whole decimal integer from low to high; false if the text is anything else.
bool read_integer(const std::string& text, long long low, long long high, long long& value) {
  const char* end = text.data() + text.size();
  const auto [stop, problem] = std::from_chars(text.data(), end, value);
  return problem == std::errc() && stop == end && value >= low && value <= high;
}

// Reads a finite decimal number from low to high; false if the text is anything else.
bool read_number(const std::string& text, double low, double high, double& value) {
  if (text.empty()) return false;
  char* stop = nullptr;
  value = std::strtod(text.c_str(), &stop);
  return *stop == '\0' && std::isfinite(value) && value >= low && value <= high;
}

// The text in double quotes, for error lines.
std::string quoted(const std::string& text) { return "\"" + printable(text) + "\""; }

using ValueReader = std::function<std::string(const std::string&, ServerOptions&)>;

// Each option that takes a value, with what it does to the options; returns an error or "".
const std::map<std::string, ValueReader>& value_readers() {
  static const std::map<std::string, ValueReader> readers{
      {"--port",
       [](const std::string& text, ServerOptions& options) -> std::string {
         long long port = 0;
         if (!read_integer(text, 1, 65535, port))
           return "--port wants a number from 1 to 65535, not " + quoted(text);
         options.port = static_cast<uint16_t>(port);
         return "";
       }},
      {"--bind",
       [](const std::string& text, ServerOptions& options) -> std::string {
         boost::system::error_code problem;
         boost::asio::ip::make_address(text, problem);
         if (problem) return "--bind wants an IP address such as 127.0.0.1, not " + quoted(text);
         options.bind_address = text;
         return "";
       }},
      {"--units",
       [](const std::string& text, ServerOptions& options) -> std::string {
         long long units = 0;
         if (!read_integer(text, 1, snapshot_max_records, units))
           return "--units wants a whole number from 1 to " + std::to_string(snapshot_max_records) +
                  ", not " + quoted(text);
         options.units = static_cast<int>(units);
         return "";
       }},
      {"--rate",
       [](const std::string& text, ServerOptions& options) -> std::string {
         if (!read_number(text, min_rate_hz, max_rate_hz, options.rate_hz))
           return "--rate wants snapshots per second from 1 to 100, not " + quoted(text);
         return "";
       }},
      {"--seed",
       [](const std::string& text, ServerOptions& options) -> std::string {
         const char* end = text.data() + text.size();
         const auto [stop, problem] = std::from_chars(text.data(), end, options.seed);
         if (text.empty() || problem != std::errc() || stop != end)
           return "--seed wants a whole number from 0 to 18446744073709551615, not " + quoted(text);
         return "";
       }},
      {"--map",
       [](const std::string& text, ServerOptions& options) -> std::string {
         if (text.empty()) return "--map wants the path of a map picture";
         options.map_path = text;
         return "";
       }},
      {"--record",
       [](const std::string& text, ServerOptions& options) -> std::string {
         if (text.empty()) return "--record wants the path of a file to write";
         options.record_path = text;
         return "";
       }},
      {"--replay",
       [](const std::string& text, ServerOptions& options) -> std::string {
         if (text.empty()) return "--replay wants the path of a file written with --record";
         options.replay_path = text;
         return "";
       }},
      {"--duration",
       [](const std::string& text, ServerOptions& options) -> std::string {
         if (!read_number(text, 0.0, max_duration_seconds, options.duration_seconds) ||
             options.duration_seconds <= 0.0)
           return "--duration wants a number of seconds above 0, not " + quoted(text);
         return "";
       }},
  };
  return readers;
}

}  // namespace

std::string printable(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown += c;
      continue;
    }
    const char digits[] = "0123456789ABCDEF";
    shown += "\\x";
    shown += digits[byte >> 4];
    shown += digits[byte & 0xF];
  }
  return shown;
}

// An installed server is built with the installed map's path, so it works from any folder.
std::string default_map_path() {
#ifdef QUORVALE_SERVER_MAP
  return QUORVALE_SERVER_MAP;
#else
  return game_map_file;
#endif
}

ParsedOptions parse_server_options(int argc, const char* const* argv) {
  ParsedOptions parsed;
  bool simulation_option = false;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    std::string value;
    bool has_value = false;
    const std::size_t equals = name.find('=');
    if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      has_value = true;
    }
    if (name == "--help" || name == "-h") {
      parsed.options.help = true;
      return parsed;
    }
    if (name == "--quiet" && !has_value) {
      parsed.options.quiet = true;
      continue;
    }
    const auto reader = value_readers().find(name);
    if (reader == value_readers().end()) {
      parsed.error = "unknown option " + quoted(argv[i]) + "; see --help";
      return parsed;
    }
    if (!has_value) {
      if (i + 1 >= argc) {
        parsed.error = name + " needs a value; see --help";
        return parsed;
      }
      value = argv[++i];
    }
    parsed.error = reader->second(value, parsed.options);
    if (!parsed.error.empty()) return parsed;
    simulation_option |= name == "--units" || name == "--seed" || name == "--map";
  }
  if (simulation_option && !parsed.options.replay_path.empty())
    parsed.error =
        "--replay serves a recording, so --units, --seed and --map do not apply; "
        "leave them out";
  return parsed;
}

std::string server_usage() {
  return "Usage: quorvale-server [options]\n"
         "Streams 1024-byte snapshot messages of a simulated world to every client.\n"
         "\n"
         "  --port N          TCP port to listen on (default " +
         std::to_string(game_port) +
         ")\n"
         "  --bind ADDRESS    address to listen on (default 127.0.0.1)\n"
         "  --units N         units in the world, 1 to 63 (default 12)\n"
         "  --rate HZ         snapshots per second, 1 to 100 (default 10)\n"
         "  --seed S          seed of the world; the same seed gives the same world (default 1)\n"
         "  --map PATH        map picture (default " +
         local_path(default_map_path().c_str()) +
         ")\n"
         "  --record FILE     also write every message sent to FILE, back to back (default off)\n"
         "  --replay FILE     serve a recorded FILE in a loop instead of the world (default off)\n"
         "  --duration SECS   stop by itself after SECS seconds (default: run until stopped)\n"
         "  --quiet           do not log clients connecting and leaving\n"
         "  --help            show this text\n";
}
