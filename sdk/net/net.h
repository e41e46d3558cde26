// Network: DataNet records over TCP (INetwork).
#ifndef QUENLAR_NET_NET_H
#define QUENLAR_NET_NET_H

#include <quenlar/net/datanet.h>
#include <quenlar/net/network.h>

#endif
