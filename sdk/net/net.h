// Network: DataNet records over TCP (INetwork).
#ifndef QUENLAR_NET_NET_H
#define QUENLAR_NET_NET_H

#include "net/datanet.h"
#include "net/network.h"

#endif
