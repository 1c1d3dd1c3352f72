// The read loop at shutdown while a connect is still pending, which takes a loopback
// address that leaves connects pending: Linux only.

#include <gtest/gtest.h>

#include "loopback.h"

using namespace loopback;

TEST(SnapshotHandoff, QuittingDuringAConnectTriesNoFurtherAddress) {
  PendingConnectTarget pending;
  ASSERT_TRUE(pending.filled) << "could not make a connect that stays pending on loopback";
  ListeningPeer second;
  RunningClient client(endpoints_of({pending.listener.endpoint(), second.endpoint()}));
  client.client->request_close();
  EXPECT_TRUE(client.ends_within()) << "the join would hang at shutdown";
  EXPECT_FALSE(second.connection_waiting()) << "connected to the next address after close";
}
