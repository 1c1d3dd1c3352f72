# The network of a fresh root (scripts/test-release): a namespace of its own, so that roots
# tested side by side each have their own loopback (the game's port, the virtual display's
# sockets), joined to this machine by a veth pair and reaching Debian's mirrors through NAT.
# Needs root, iproute2 and nftables.

# root_network_up NAME NUMBER: namespace quorvale-NAME on link 10.213.NUMBER.0/30, the
# root's end .2, this machine's .1. What an interrupted run of the same root left is
# replaced.
root_network_up() {
  local netns=quorvale-$1 link=10.213.$2
  root_network_down "$1" "$2"
  ip netns add "$netns"
  ip link add "qv$2-machine" type veth peer name "qv$2-root"
  ip link set "qv$2-root" netns "$netns"
  ip addr add "$link.1/30" dev "qv$2-machine"
  ip link set "qv$2-machine" up
  ip -n "$netns" addr add "$link.2/30" dev "qv$2-root"
  ip -n "$netns" link set "qv$2-root" up
  ip -n "$netns" link set lo up
  ip -n "$netns" route add default via "$link.1"
  sysctl -qw net.ipv4.ip_forward=1
  nft -f - <<RULES
table ip quorvale_root_$2 {
  chain out { type nat hook postrouting priority srcnat; ip saddr $link.0/30 masquerade; }
}
RULES
}

# root_network_down NAME NUMBER: removes what root_network_up made, whatever of it exists.
root_network_down() {
  ip netns del "quorvale-$1" 2>/dev/null || true
  ip link del "qv$2-machine" 2>/dev/null || true
  nft delete table ip "quorvale_root_$2" 2>/dev/null || true
}
