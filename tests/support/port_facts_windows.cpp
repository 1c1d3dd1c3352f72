// In this order: winsock2.h before windows.h, both before the IP helper's header.
#include <winsock2.h>

#include <windows.h>

#include <iphlpapi.h>

#include <vector>

#include "port_facts.h"

namespace test_support {

namespace {

// Whether the table of `family` (AF_INET or AF_INET6) lists a listener on `port`.
template <typename Table>
bool listed(ULONG family, uint16_t port) {
  std::vector<char> bytes(16 * 1024);
  for (int tries = 0; tries < 4; ++tries) {
    auto size = static_cast<DWORD>(bytes.size());
    const DWORD result =
        GetExtendedTcpTable(bytes.data(), &size, FALSE, family, TCP_TABLE_OWNER_PID_LISTENER, 0);
    if (result == ERROR_INSUFFICIENT_BUFFER) {
      bytes.resize(size);
      continue;
    }
    if (result != NO_ERROR) return false;
    const auto* table = reinterpret_cast<const Table*>(bytes.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i)
      if (ntohs(static_cast<u_short>(table->table[i].dwLocalPort)) == port) return true;
    return false;
  }
  return false;
}

}  // namespace

bool port_is_listening(uint16_t port) {
  return listed<MIB_TCPTABLE_OWNER_PID>(AF_INET, port) ||
         listed<MIB_TCP6TABLE_OWNER_PID>(AF_INET6, port);
}

}  // namespace test_support
